#pragma once

#include <QString>

// The folders and files fixed when the main window is created. Folder names end in "/".
struct AppFolders {
    QString programFolder;
    QString helpFolder;
    QString helpFile;
    QString dataFolder;
    QString documentsFolder;
    QString settingsFileName;
    QString updateProgram;

    // The special folders fall back to the program folder when the system does not know them.
    static AppFolders locate(const QString& programFolder);

    // The table layer's scratch folder, created with its missing parents; empty when there is none.
    static QString scratchFolder();
};

// The folder without its trailing separator.
QString WithoutTrailingSeparator(const QString& folder);
