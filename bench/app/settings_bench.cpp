// Measures the settings file with a long shopping-list note (default 100,000 lines):
//  1. start-up: the file is read and the notes go into the memo (MainWindow::ReadINIFile);
//  2. exit: the notes are taken from the memo and the file is written (MainWindow::WriteINIFile);
//  3. and 4. the same without the window: the file parsed and read into plain settings, and plain settings
//     stored and written.
// Both sides grow with the number of lines; the figures show whether they grow linearly (run with --lines
// at two sizes). The program runs in a temporary home and removes it afterwards.

#include "AppSettings.h"
#include "IniFile.h"
#include "MainWindow.h"
#include "Subsystems.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

double elapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

QByteArray notesFile(int lines) {
    QByteArray text = "[Notes]\r\nNumOf=" + QByteArray::number(lines) + "\r\n";
    for (int i = 1; i <= lines; ++i)
        text += "N" + QByteArray::number(i) + "=note line number " + QByteArray::number(i) + "\r\n";
    return text;
}

} // namespace

int main(int argc, char* argv[]) {
    int lines = 100000;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--lines") == 0)
            lines = std::atoi(argv[i + 1]);

    QTemporaryDir temp;
    if (!temp.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    // A private home, so that the program's own settings file and folders are not touched.
    qputenv("HOME", QFile::encodeName(temp.filePath(QStringLiteral("home"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(temp.filePath(QStringLiteral("data"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(temp.filePath(QStringLiteral("cache"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp.filePath(QStringLiteral("config"))));
    qunsetenv("XDG_DOCUMENTS_DIR");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QByteArray bytes = notesFile(lines);
    // The window as the program builds it: the notes live on the Shopping list page.
    MainWindow window(temp.filePath(QStringLiteral("program")));
    window.createDialogs();
    installSubsystems(window);
    const QString file = window.folders().settingsFileName;
    QDir().mkpath(window.folders().dataFolder);
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    std::printf("settings file with %d note lines, %.1f MB\n", lines, bytes.size() / 1e6);

    auto start = std::chrono::steady_clock::now();
    window.ReadINIFile();
    const double readMs = elapsedMs(start);
    const auto* memo = window.findChild<QPlainTextEdit*>(QStringLiteral("NotesMemo"));
    const int shown = memo ? memo->document()->blockCount() : 0;

    start = std::chrono::steady_clock::now();
    window.WriteINIFile();
    const double writeMs = elapsedMs(start);

    IniFile ini;
    start = std::chrono::steady_clock::now();
    ini.load(file);
    AppSettings settings;
    ReadSettings(ini, settings, QRect(0, 0, 1920, 1080), QString());
    const double plainReadMs = elapsedMs(start);

    start = std::chrono::steady_clock::now();
    IniFile fresh;
    WriteSettings(fresh, settings, QStringLiteral("bench"));
    const bool saved = fresh.save(temp.filePath(QStringLiteral("plain.ini")));
    const double plainWriteMs = elapsedMs(start);

    std::printf("1. start-up, file into the memo:  %9.1f ms (%d lines shown)\n", readMs, shown);
    std::printf("2. exit, memo into the file:      %9.1f ms\n", writeMs);
    std::printf("3. file read into settings:       %9.1f ms (%lld notes)\n", plainReadMs,
                static_cast<long long>(settings.notes.size()));
    std::printf("4. settings written to a file:    %9.1f ms\n", plainWriteMs);
    if (shown != lines || settings.notes.size() != lines || !saved) {
        std::fprintf(stderr, "the notes did not survive the round trip\n");
        return 1;
    }
    return 0;
}
