#include "TextSearch.h"

#include "Collation.h"

#include <QRegularExpression>
#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace engine {

namespace {

constexpr char kFunctionName[] = "SEARCH_MATCH";

// Turns text into the primary weights of its collation elements, so that two texts that differ only in
// case and accents give the same sequence, and a search inside a text is a search inside that sequence.
// Words of a list repeat from row to row (brands, shops, categories), so a fold is kept for the next row.
class PrimaryFolder {
public:
    explicit PrimaryFolder(int localeId) {
        const char* icuName = "";
        for (const LocaleInfo& l : collation::locales())
            if (l.id == localeId && l.icuName && collation::isUsable(localeId))
                icuName = l.icuName;
        UErrorCode status = U_ZERO_ERROR;
        collator_ = ucol_open(icuName, &status);
        if (U_FAILURE(status)) {
            collator_ = nullptr;
            return;
        }
        ucol_setStrength(collator_, UCOL_PRIMARY);
        ucol_setAttribute(collator_, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
        status = U_ZERO_ERROR;
        elements_ = ucol_openElements(collator_, nullptr, 0, &status);
        if (U_FAILURE(status))
            elements_ = nullptr;
    }
    ~PrimaryFolder() {
        if (elements_)
            ucol_closeElements(elements_);
        if (collator_)
            ucol_close(collator_);
    }
    PrimaryFolder(const PrimaryFolder&) = delete;
    PrimaryFolder& operator=(const PrimaryFolder&) = delete;

    const std::vector<std::uint32_t>& fold(std::string_view utf8) {
        auto it = cache_.find(utf8);
        if (it != cache_.end())
            return it->second;
        if (cache_.size() >= kCacheLimit)
            cache_.clear();
        return cache_.emplace(std::string(utf8), foldAnew(utf8)).first->second;
    }

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    static constexpr size_t kCacheLimit = 200000;

    std::vector<std::uint32_t> foldAnew(std::string_view utf8) {
        std::vector<std::uint32_t> weights;
        if (!elements_) {
            // Without the language's rules: case folding alone.
            const QString folded =
                QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toCaseFolded();
            for (char32_t c : folded.toUcs4())
                weights.push_back(c);
            return weights;
        }
        buffer_.resize(utf8.size() + 1);
        int32_t length = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF8WithSub(buffer_.data(), static_cast<int32_t>(buffer_.size()), &length, utf8.data(),
                             static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
        if (U_FAILURE(status))
            return weights;
        ucol_setText(elements_, buffer_.data(), length, &status);
        while (U_SUCCESS(status)) {
            const int32_t element = ucol_next(elements_, &status);
            if (element == UCOL_NULLORDER)
                break;
            // Accents and other marks have no primary weight: they are what a search ignores.
            if (const std::uint32_t primary = ucol_primaryOrder(element); primary != 0)
                weights.push_back(primary);
        }
        return weights;
    }

    UCollator* collator_ = nullptr;
    UCollationElements* elements_ = nullptr;
    std::vector<UChar> buffer_;
    std::unordered_map<std::string, std::vector<std::uint32_t>, Hash, std::equal_to<>> cache_;
};

// One folder per language and thread: the element iterator and the kept folds are not shared.
PrimaryFolder& folder(int localeId) {
    thread_local std::map<int, std::unique_ptr<PrimaryFolder>> folders;
    auto& slot = folders[localeId];
    if (!slot)
        slot = std::make_unique<PrimaryFolder>(localeId);
    return *slot;
}

bool contains(const std::vector<std::uint32_t>& text, const std::vector<std::uint32_t>& word) {
    return std::search(text.begin(), text.end(), word.begin(), word.end()) != text.end();
}

std::string numberText(const Value& value) {
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&value)) {
        // The only fractional numbers lists show are prices, with two decimals.
        char text[400]; // room for the largest double written out in full
        const auto end = std::to_chars(text, text + sizeof text, *d, std::chars_format::fixed, 2).ptr;
        return std::string(text, end);
    }
    return {};
}

// A row's columns as the SQL function gets them, read without copying text.
struct Cell {
    Value number; // a whole or fractional number; empty for text and for an empty column
    std::string_view text;
};

template <typename Cells> bool matchRow(const TextSearch& search, const Cells& cells) {
    const auto& words = search.parsedWords();
    std::vector<bool> found(words.size(), false);
    size_t left = words.size();
    for (const Cell& cell : cells) {
        for (size_t w = 0; w < words.size(); ++w) {
            if (found[w])
                continue;
            const bool hit = isNull(cell.number) ? search.matchesText(words[w], cell.text.data(),
                                                                      static_cast<int>(cell.text.size()))
                                                 : TextSearch::matchesNumber(words[w], cell.number);
            if (hit) {
                found[w] = true;
                if (--left == 0)
                    return true;
            }
        }
    }
    return left == 0;
}

void searchMatch(sqlite3_context* context, int argc, sqlite3_value** argv) {
    if (argc < 2) {
        sqlite3_result_error(context, "SEARCH_MATCH needs the typed text and a locale", -1);
        return;
    }
    const int locale = sqlite3_value_int(argv[1]);
    auto* search = static_cast<TextSearch*>(sqlite3_get_auxdata(context, 0));
    std::unique_ptr<TextSearch> made;
    if (!search || search->localeId() != locale) {
        const auto* typed = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        made = std::make_unique<TextSearch>(
            QString::fromUtf8(typed ? typed : "", sqlite3_value_bytes(argv[0])), locale);
        search = made.get();
    }
    bool result = true;
    try {
        if (!search->isEmpty()) {
            std::vector<Cell> cells(static_cast<size_t>(argc - 2));
            for (int i = 2; i < argc; ++i) {
                Cell& cell = cells[static_cast<size_t>(i - 2)];
                sqlite3_value* v = argv[i];
                switch (sqlite3_value_type(v)) {
                case SQLITE_INTEGER:
                    cell.number = static_cast<std::int64_t>(sqlite3_value_int64(v));
                    break;
                case SQLITE_FLOAT:
                    cell.number = sqlite3_value_double(v);
                    break;
                case SQLITE_NULL:
                    break;
                default: {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
                    cell.text =
                        std::string_view(text ? text : "", static_cast<size_t>(sqlite3_value_bytes(v)));
                }
                }
            }
            result = matchRow(*search, cells);
        }
    } catch (const std::exception& e) {
        sqlite3_result_error(context, e.what(), -1);
        return;
    }
    sqlite3_result_int(context, result ? 1 : 0);
    if (made)
        sqlite3_set_auxdata(context, 0, made.release(), [](void* p) { delete static_cast<TextSearch*>(p); });
}

} // namespace

TextSearch::TextSearch(const QString& typed, int localeId) : localeId_(localeId) {
    static const QRegularExpression number(QStringLiteral("^[0-9]+([.,][0-9]*)?$"));
    PrimaryFolder& f = folder(localeId);
    for (const QString& w : words(typed)) {
        Word word;
        const QByteArray utf8 = w.toUtf8();
        word.folded = f.fold(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
        if (number.match(w).hasMatch())
            word.number = QString(w).replace(QLatin1Char(','), QLatin1Char('.')).toStdString();
        // A word of marks alone would find every row; it asks for nothing.
        if (!word.folded.empty())
            words_.push_back(std::move(word));
    }
}

TextSearch::~TextSearch() = default;

QStringList TextSearch::words(const QString& typed) {
    QString text = typed;
    // Control characters part words as spaces do; they never reach a statement.
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

bool TextSearch::matches(const std::vector<Value>& columns) const {
    if (words_.empty())
        return true;
    std::vector<Cell> cells(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        if (const auto* text = std::get_if<std::string>(&columns[i]))
            cells[i].text = *text;
        else
            cells[i].number = columns[i];
    }
    return matchRow(*this, cells);
}

bool TextSearch::matchesText(const Word& word, const char* utf8, int length) const {
    if (length <= 0)
        return false;
    return contains(folder(localeId_).fold(std::string_view(utf8, static_cast<size_t>(length))), word.folded);
}

bool TextSearch::matchesNumber(const Word& word, const Value& value) {
    if (word.number.empty())
        return false;
    const std::string text = numberText(value);
    return text.compare(0, word.number.size(), word.number) == 0;
}

QString TextSearch::sqlCondition(const QString& typed, int localeId, const QStringList& columns,
                                 const QString& keyColumn, const QList<std::int64_t>& kept) {
    const QStringList w = words(typed);
    if (w.isEmpty())
        return {};
    QString quoted = w.join(QLatin1Char(' '));
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    QString condition = QStringLiteral("%1('%2', %3, %4)")
                            .arg(QLatin1String(kFunctionName), quoted, QString::number(localeId),
                                 columns.join(QStringLiteral(", ")));
    if (keyColumn.isEmpty() || kept.isEmpty())
        return condition;
    QStringList keys;
    for (std::int64_t k : kept)
        keys << QString::number(k);
    return QStringLiteral("(%1 OR %2 IN (%3))").arg(condition, keyColumn, keys.join(QLatin1Char(',')));
}

void TextSearch::registerFunction(sqlite3* db) {
    sqlite3_create_function_v2(db, kFunctionName, -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               &searchMatch, nullptr, nullptr, nullptr);
}

} // namespace engine
