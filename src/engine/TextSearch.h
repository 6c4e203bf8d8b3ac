#pragma once

#include "Value.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

struct sqlite3;

namespace engine {

// The rule a search box filters a list by. Every typed word (words are parted by spaces) must be found in
// one of a row's shown columns, each word in any column:
// - in a text, at any place (so at the start of a word and inside one), letter case and accents ignored by
//   the primary strength of the language's collation rules: "cafe" finds "Café", "creme" finds "Crème";
// - in a number (a size, a price), at its start as the grid writes it: "1.4" finds a price of 1.49, "12"
//   a size of 120. A decimal comma is read as a point.
// Lists use it through the SQL function SEARCH_MATCH(typed, locale, column, ...), registered on every
// connection, so a search is one more condition of a list's statement.
class TextSearch {
public:
    TextSearch(const QString& typed, int localeId);
    ~TextSearch();
    TextSearch(const TextSearch&) = delete;
    TextSearch& operator=(const TextSearch&) = delete;

    // No word typed: every row matches.
    bool isEmpty() const { return words_.empty(); }
    int localeId() const { return localeId_; }
    bool matches(const std::vector<Value>& columns) const;

    // The typed text as its words.
    static QStringList words(const QString& typed);
    // The condition "SEARCH_MATCH('typed', locale, columns...)" with the text quoted for SQL; an empty text
    // when no word is typed. Rows whose key is among the kept ones meet it whatever they hold: rows edited
    // since the search was typed stay in view until it changes.
    static QString sqlCondition(const QString& typed, int localeId, const QStringList& columns,
                                const QString& keyColumn = {}, const QList<std::int64_t>& kept = {});
    // Makes SEARCH_MATCH known to a connection.
    static void registerFunction(sqlite3* db);

    // Internal to the matching; public for the SQL function.
    struct Word {
        std::vector<std::uint32_t> folded; // primary collation weights
        std::string number;                // the word as a number's start; empty when it is none
    };
    bool matchesText(const Word& word, const char* utf8, int length) const;
    static bool matchesNumber(const Word& word, const Value& value);
    const std::vector<Word>& parsedWords() const { return words_; }

private:
    int localeId_ = 0;
    std::vector<Word> words_;
};

} // namespace engine
