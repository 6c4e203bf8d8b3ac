#include "BenchFolder.h"

#include "LargeDatabase.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

BenchFolder::BenchFolder(const QString& argument) : path_(argument) {
    if (path_.isEmpty()) {
        scratch_.emplace();
        path_ = scratch_->path();
    }
    QDir().mkpath(path_);
}

void BenchFolder::generateIfEmpty() const {
    if (QFileInfo::exists(QDir(path_).filePath(QStringLiteral("Items.dat"))))
        return;
    const LargeDatabase::Summary s = LargeDatabase().generate(path_);
    std::printf("Database: generated in %.2f s: %d shops, %d items\n", s.seconds, s.shops, s.items);
}
