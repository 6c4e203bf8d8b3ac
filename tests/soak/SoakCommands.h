#pragma once

#include <QList>
#include <QString>

// The commands the kill harness runs and what the prepared database offers each of them; shared by the
// harness and the child process that runs the commands.
namespace soak {

inline const QString kDeleteShops = QStringLiteral("delete-shops");
inline const QString kDeleteCategories = QStringLiteral("delete-categories");
inline const QString kDeleteProduct = QStringLiteral("delete-product");
inline const QString kDeleteUnused = QStringLiteral("delete-unused");
inline const QString kClearList = QStringLiteral("clear-list");
inline const QString kOptimize = QStringLiteral("optimize");
inline const QString kUndo = QStringLiteral("undo");
inline const QString kCopyShop = QStringLiteral("copy-shop");
inline const QString kFloorPlan = QStringLiteral("floor-plan");
inline const QString kLanguage = QStringLiteral("language");
inline const QString kUpgrade = QStringLiteral("upgrade");
inline const QString kRestore = QStringLiteral("restore");
inline const QString kImportV1 = QStringLiteral("import-v1");
inline const QString kCheckRepair = QStringLiteral("check-repair");
// A price entered on the shopping list: the item and its price log row.
inline const QString kPriceChange = QStringLiteral("price-change");
// Not a command of the program: deletes a shop's items and the shop in two transactions, a change a crash can
// tear, so the harness can prove it sees tearing.
inline const QString kSplitDelete = QStringLiteral("split-delete");

inline const QList<int> kShopsToDelete{2, 5};
inline const QList<int> kCategoriesToDelete{3, 7};
constexpr int kProductToDelete = 4;
inline const QList<int> kListShops{1, 2, 3, 4, 5, 6};
constexpr int kShopToCopy = 1;
inline const QString kCopyName = QStringLiteral("Copied market");
constexpr int kPlanShop = 3;
constexpr int kNewLocale = 1031;
constexpr int kPricedItem = 3;
constexpr double kNewPrice = 9.87;

} // namespace soak
