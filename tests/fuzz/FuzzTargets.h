#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>
#include <vector>

// The program's readers of untrusted bytes, each driven by one function that takes arbitrary bytes. The
// fuzzers call them with generated input; the corpus test calls them with every kept input. Besides not
// crashing, each checks what must hold for any input and throws Violation when it does not.
namespace fuzz {

class Violation : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// The settings file: read, applied to the settings, written back and read again; every value also goes
// through the value parsers.
void settingsFile(const QByteArray& bytes);
// A table definition (.idx) file; an accepted one must survive writing and reading, and create its table.
void tableDefinition(const QByteArray& bytes);
// A query text given to the table layer's query object over a database of the five tables.
void sqlQuery(const QByteArray& bytes);
// A version-1 data file: read, and when readable imported into a database.
void v1File(const QByteArray& bytes);
// A file offered for restoring as a backup archive: checked, and when it passes, restored.
void backupArchive(const QByteArray& bytes);

struct Target {
    const char* name; // also the corpus folder's name
    void (*run)(const QByteArray&);
};
const std::vector<Target>& targets();

// A folder of this process for the files the targets write, on a memory file system where there is one.
QString scratchFolder();

} // namespace fuzz
