#pragma once

#include <QString>
#include <QTemporaryDir>

#include <optional>

// The folder a benchmark works in: the one named on its command line, created when missing and kept for the
// next run, or else a temporary one removed at the end.
class BenchFolder {
public:
    explicit BenchFolder(const QString& argument);

    const QString& path() const { return path_; }
    // Fills a folder without a database with the default large database and says so.
    void generateIfEmpty() const;

private:
    std::optional<QTemporaryDir> scratch_;
    QString path_;
};
