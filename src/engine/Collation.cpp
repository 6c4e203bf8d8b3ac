#include "Collation.h"

#include <QHash>
#include <QString>
#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <cstring>
#include <map>
#include <memory>

namespace engine::collation {

namespace {

struct LocaleCollator {
    LocaleCollator() = default;
    LocaleCollator(const LocaleCollator&) = delete;
    LocaleCollator& operator=(const LocaleCollator&) = delete;
    ~LocaleCollator() {
        if (icu)
            ucol_close(icu);
    }

    int localeId = 0;
    bool caseInsensitive = false;
    UCollator* icu = nullptr;
};

const QList<LocaleInfo> kLocales = {
    {0, QStringLiteral("ANSI Standard"), nullptr},
    {1029, QStringLiteral("Czech"), "cs"},
    {1030, QStringLiteral("Danish"), "da"},
    {1031, QStringLiteral("German"), "de"},
    {1032, QStringLiteral("Greek"), "el"},
    {1033, QStringLiteral("English (United States)"), "en_US"},
    {2057, QStringLiteral("English (United Kingdom)"), "en_GB"},
    {1034, QStringLiteral("Spanish"), "es"},
    {1035, QStringLiteral("Finnish"), "fi"},
    {1036, QStringLiteral("French"), "fr"},
    {1038, QStringLiteral("Hungarian"), "hu"},
    {1040, QStringLiteral("Italian"), "it"},
    {1041, QStringLiteral("Japanese"), "ja"},
    {1043, QStringLiteral("Dutch"), "nl"},
    {1044, QStringLiteral("Norwegian (Bokmal)"), "nb"},
    {1045, QStringLiteral("Polish"), "pl"},
    {1046, QStringLiteral("Portuguese (Brazil)"), "pt_BR"},
    {1049, QStringLiteral("Russian"), "ru"},
    {1053, QStringLiteral("Swedish"), "sv"},
    {1055, QStringLiteral("Turkish"), "tr"},
    {2052, QStringLiteral("Chinese (Simplified)"), "zh"},
};

const LocaleInfo* findLocale(int id) {
    for (const LocaleInfo& l : kLocales)
        if (l.id == id)
            return &l;
    return nullptr;
}

inline unsigned char asciiLower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

// Code-point order after case folding; falls back to Qt's Unicode case folding beyond ASCII.
int compareFolded(int la, const unsigned char* a, int lb, const unsigned char* b) {
    const int n = la < lb ? la : lb;
    for (int i = 0; i < n; ++i) {
        const unsigned char ca = a[i], cb = b[i];
        if ((ca | cb) & 0x80) {
            const QString sa = QString::fromUtf8(reinterpret_cast<const char*>(a + i), la - i);
            const QString sb = QString::fromUtf8(reinterpret_cast<const char*>(b + i), lb - i);
            const int r = QString::compare(sa.toCaseFolded(), sb.toCaseFolded(), Qt::CaseSensitive);
            return r < 0 ? -1 : (r > 0 ? 1 : 0);
        }
        const unsigned char fa = asciiLower(ca), fb = asciiLower(cb);
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    return la == lb ? 0 : (la < lb ? -1 : 1);
}

int ansiCompare(void* ctx, int la, const void* a, int lb, const void* b) {
    const auto* c = static_cast<const LocaleCollator*>(ctx);
    const int r =
        compareFolded(la, static_cast<const unsigned char*>(a), lb, static_cast<const unsigned char*>(b));
    if (r != 0 || c->caseInsensitive)
        return r;
    // Same letters in another case: lower case first, so that "apple" stands before "Apple".
    const int n = la < lb ? la : lb;
    const int m = std::memcmp(a, b, static_cast<size_t>(n));
    if (m != 0)
        return m < 0 ? 1 : -1;
    return la == lb ? 0 : (la < lb ? -1 : 1);
}

int icuCompare(void* ctx, int la, const void* a, int lb, const void* b) {
    auto* c = static_cast<LocaleCollator*>(ctx);
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r =
        ucol_strcollUTF8(c->icu, static_cast<const char*>(a), la, static_cast<const char*>(b), lb, &status);
    if (U_FAILURE(status))
        return compareFolded(la, static_cast<const unsigned char*>(a), lb,
                             static_cast<const unsigned char*>(b));
    if (r == UCOL_EQUAL && !c->caseInsensitive) {
        // Tertiary equality can still hide different code points; keep the order total.
        const int n = la < lb ? la : lb;
        const int m = std::memcmp(a, b, static_cast<size_t>(n));
        if (m != 0)
            return m < 0 ? -1 : 1;
        return la == lb ? 0 : (la < lb ? -1 : 1);
    }
    return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

// Collators live for the program's run; connections refer to them by pointer.
LocaleCollator* collatorState(int id, bool ci) {
    static std::map<std::pair<int, bool>, std::unique_ptr<LocaleCollator>> cache;
    auto& slot = cache[{id, ci}];
    if (!slot) {
        slot = std::make_unique<LocaleCollator>();
        slot->localeId = id;
        slot->caseInsensitive = ci;
        const LocaleInfo* info = findLocale(id);
        if (info && info->icuName && isUsable(id)) {
            UErrorCode status = U_ZERO_ERROR;
            slot->icu = ucol_open(info->icuName, &status);
            if (U_FAILURE(status)) {
                slot->icu = nullptr;
            } else {
                ucol_setStrength(slot->icu, ci ? UCOL_SECONDARY : UCOL_TERTIARY);
                status = U_ZERO_ERROR;
                ucol_setAttribute(slot->icu, UCOL_CASE_FIRST, UCOL_LOWER_FIRST, &status);
            }
        }
    }
    return slot.get();
}

} // namespace

const QList<LocaleInfo>& locales() {
    return kLocales;
}

bool isKnown(int id) {
    return findLocale(id) != nullptr;
}

bool isUsable(int id) {
    const LocaleInfo* info = findLocale(id);
    if (!info)
        return false;
    if (!info->icuName)
        return true;
    static QHash<int, bool> known;
    auto it = known.constFind(id);
    if (it != known.constEnd())
        return *it;
    char language[16] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_getLanguage(info->icuName, language, sizeof language, &status);
    bool usable = false;
    if (U_SUCCESS(status)) {
        const int32_t n = ucol_countAvailable();
        for (int32_t i = 0; i < n && !usable; ++i) {
            char avail[16] = {};
            UErrorCode s2 = U_ZERO_ERROR;
            uloc_getLanguage(ucol_getAvailable(i), avail, sizeof avail, &s2);
            usable = U_SUCCESS(s2) && std::strcmp(avail, language) == 0;
        }
    }
    known.insert(id, usable);
    return usable;
}

QString localeName(int id) {
    const LocaleInfo* info = findLocale(id);
    return info ? info->name : QString();
}

QString name(int id, bool ci) {
    return QStringLiteral("G%1%2").arg(id).arg(ci ? QStringLiteral("_CI") : QString());
}

Collator collator(int id, bool ci) {
    LocaleCollator* state = collatorState(id, ci);
    return {state->icu ? &icuCompare : &ansiCompare, state};
}

void registerAll(sqlite3* db) {
    for (const LocaleInfo& l : kLocales) {
        for (bool ci : {false, true}) {
            const Collator c = collator(l.id, ci);
            sqlite3_create_collation_v2(db, name(l.id, ci).toUtf8().constData(), SQLITE_UTF8, c.context,
                                        c.compare, nullptr);
        }
    }
}

} // namespace engine::collation
