#pragma once

#include <QString>
#include <QTemporaryDir>

// A folder that exists for one test and is removed with everything in it afterwards.
class TempFolder {
public:
    TempFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    // A sub-folder, created on first use.
    QString sub(const QString& name) const;

private:
    QTemporaryDir dir_;
};
