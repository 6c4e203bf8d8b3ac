#include "ReportRegistry.h"

#include "FloorplanReport.h"
#include "FridgeListReport.h"
#include "MasterItemListReport.h"
#include "PriceFormReport.h"
#include "ShoppingListReport.h"

namespace reports {

namespace {

template <class R> std::unique_ptr<Report> make(ReportSource& source, const QString&) {
    return std::make_unique<R>(source);
}

} // namespace

const std::vector<ReportEntry>& reportEntries() {
    static const std::vector<ReportEntry> entries{
        {QStringLiteral("fridge-list"), QString(), make<FridgeListReport>},
        {QStringLiteral("shopping-list"), QString(), make<ShoppingListReport>},
        {QStringLiteral("master-item-list"), QString(), make<MasterItemListReport>},
        {QStringLiteral("price-form"), QString(), make<PriceFormReport>},
        {QStringLiteral("floorplan"), QStringLiteral("SHOPID"), makeStoredFloorplanReport,
         shopIdArgumentError},
    };
    return entries;
}

const ReportEntry* findReport(const QString& nameAndArgument, QString* argument) {
    const qsizetype colon = nameAndArgument.indexOf(QLatin1Char(':'));
    const QString name = colon < 0 ? nameAndArgument : nameAndArgument.left(colon);
    for (const ReportEntry& e : reportEntries()) {
        if (e.name != name || (colon >= 0) != !e.argumentName.isEmpty())
            continue;
        if (argument)
            *argument = colon < 0 ? QString() : nameAndArgument.mid(colon + 1);
        return &e;
    }
    return nullptr;
}

} // namespace reports
