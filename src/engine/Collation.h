#pragma once

#include <QList>
#include <QString>

struct sqlite3;

namespace engine {

// A language whose rules order and compare text in a table. Locale 0 is "ANSI Standard": code-point order
// after simple case folding.
struct LocaleInfo {
    int id = 0;
    QString name;
    const char* icuName = nullptr;
};

using CollationFunction = int (*)(void* context, int lengthA, const void* a, int lengthB, const void* b);

// Compares UTF-8 text the way an index or ORDER BY of a table with this locale does.
struct Collator {
    CollationFunction compare = nullptr;
    void* context = nullptr;

    int operator()(const char* a, int lengthA, const char* b, int lengthB) const {
        return compare(context, lengthA, a, lengthB, b);
    }
};

namespace collation {

const QList<LocaleInfo>& locales();
bool isKnown(int localeId);
bool isUsable(int localeId); // the running system has the language's rules
QString localeName(int localeId);

// Name of the SQLite collation: case-aware ordering for columns, case-insensitive for such indexes.
QString name(int localeId, bool caseInsensitive);
Collator collator(int localeId, bool caseInsensitive);

// Makes every locale's collations known to a connection.
void registerAll(sqlite3* db);

} // namespace collation
} // namespace engine
