// Prints reports of a generated large database into PDF files, as "grocelle --print" does:
//  1. the master item list of every item: pages per second, and the memory the job adds while it draws
//     (peak resident size after the query is loaded against the peak after the last page), which must not
//     grow with the number of pages; target: under 15 s;
//  2. the shopping list of every listed item; target: under 3 s.

#include "LargeDatabase.h"

#include "Database.h"
#include "MasterItemListReport.h"
#include "PrintJob.h"
#include "Query.h"
#include "ShoppingListReport.h"
#include "Table.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Processor time of the process, which stays steady when other work shares the machine.
double cpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// Peak resident set size of the process so far, in MiB (Linux).
double peakMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

int pdfPages(const QString& file) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {file});
    p.waitForFinished(60000);
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

struct Run {
    double prepare = 0;
    double print = 0;
    double printCpu = 0;
    int pages = 0;
    double peakBefore = 0;
    double peakAfter = 0;
    qint64 bytes = 0;
};

template <class R> Run printToPdf(reports::ReportSource& source, const QString& pdf) {
    Run run;
    R report(source);
    auto t = std::chrono::steady_clock::now();
    if (!report.prepare().isEmpty())
        return run;
    run.prepare = seconds(t);
    run.peakBefore = peakMiB();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    t = std::chrono::steady_clock::now();
    const double cpu = cpuSeconds();
    reports::printReport(report, printer);
    run.print = seconds(t);
    run.printCpu = cpuSeconds() - cpu;
    run.peakAfter = peakMiB();
    run.pages = pdfPages(pdf);
    run.bytes = QFileInfo(pdf).size();
    return run;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QString folder;
    LargeDatabase::Options options;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--folder"))
            folder = args[++i];
        else if (args[i] == QLatin1String("--items"))
            options.items = args[++i].toInt();
    }
    QTemporaryDir temp;
    if (folder.isEmpty())
        folder = temp.filePath(QStringLiteral("db"));
    if (!QFileInfo::exists(folder + QStringLiteral("/Items.dat"))) {
        QDir().mkpath(folder);
        const LargeDatabase::Summary s = LargeDatabase(options).generate(folder);
        std::printf("generated %d items (%d on the list) in %.1f s\n", s.items, s.itemsOnList, s.seconds);
    }

    engine::Database db(folder);
    db.setScratchFolder(temp.filePath(QStringLiteral("scratch")));
    engine::Query query(&db);
    engine::Table aisles(&db, QStringLiteral("Aisles.dat"));
    reports::ReportSource source;
    source.query = &query;
    source.aisles = &aisles;
    source.settings.slNewPage = true;

    const Run master =
        printToPdf<reports::MasterItemListReport>(source, temp.filePath(QStringLiteral("master.pdf")));
    std::printf("master item list: query %.2f s, drawing %.2f s (processor %.2f s), %d pages, %.0f pages/s, "
                "%.1f MiB PDF\n",
                master.prepare, master.print, master.printCpu, master.pages, master.pages / master.print,
                master.bytes / 1048576.0);
    std::printf("  peak memory %.0f MiB with the query loaded, %.0f MiB after the last page (+%.1f MiB, "
                "%.1f KiB a page)\n",
                master.peakBefore, master.peakAfter, master.peakAfter - master.peakBefore,
                (master.peakAfter - master.peakBefore) * 1024 / std::max(1, master.pages));

    const Run list =
        printToPdf<reports::ShoppingListReport>(source, temp.filePath(QStringLiteral("list.pdf")));
    std::printf("shopping list: query %.2f s, drawing %.2f s (processor %.2f s), %d pages\n", list.prepare,
                list.print, list.printCpu, list.pages);

    const bool met = master.prepare + master.print < 15 && list.prepare + list.print < 3;
    std::printf("targets (master list < 15 s, shopping list < 3 s): %s\n", met ? "met" : "MISSED");
    return met ? 0 : 3;
}
