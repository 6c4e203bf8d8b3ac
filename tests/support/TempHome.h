#pragma once

#include "TempFolder.h"

#include <QByteArray>
#include <QHash>

// Points HOME and the XDG folders into a temporary folder for as long as it lives, so that the program finds
// (or creates) its database, settings and documents there; the environment is put back afterwards.
class TempHome {
public:
    explicit TempHome(const TempFolder& folder);
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    // Where the program keeps its database and settings: <data>/Grocelle.
    QString dataFolder() const;

private:
    const TempFolder& folder_;
    QHash<QByteArray, QByteArray> saved_;
};
