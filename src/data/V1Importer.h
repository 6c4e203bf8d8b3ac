#pragma once

#include "V1File.h"

#include <QString>

namespace engine {
class Database;
}

// How many records of each kind the file held.
struct V1ImportCounts {
    int shops = 0;
    int categories = 0;
    int products = 0;
    int items = 0;
};

// Replaces the whole database with the contents of a version-1 data file. The record at position k of a list
// becomes the row with id k + 1 and every index x the reference x + 1 (-1 becomes 0, which matches no row);
// aisle rectangles are stored as the file holds them.
class V1Importer {
public:
    explicit V1Importer(engine::Database& db);

    // Reads the whole file, then empties and writes the five tables in one transaction. A file that cannot be
    // read throws V1FileError; a record the engine refuses throws its EngineError. Either way the database is
    // exactly as it was before.
    V1ImportCounts importFile(const QString& path);
    V1ImportCounts import(const V1File& file);

    // The question asked before anything is done.
    static QString warningText();
    // "Successfully imported - " and the four counts, one to a line (CR LF).
    static QString successMessage(const V1ImportCounts& counts);

private:
    engine::Database& db_;
};
