#include "IniFile.h"

#include <QFile>
#include <QSaveFile>

#include <limits>

bool IniFile::load(const QString& path) {
    sections_.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    parse(file.readAll());
    return true;
}

bool IniFile::save(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = toBytes();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void IniFile::parse(const QByteArray& bytes) {
    sections_.clear();
    Section* current = nullptr;
    const QString text = QString::fromUtf8(bytes);
    const auto lines = QStringView(text).split(QLatin1Char('\n'));
    for (QStringView raw : lines) {
        const QString line = raw.trimmed().toString();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            current = findSection(name);
            if (!current) {
                sections_.append(Section{name, {}});
                current = &sections_.last();
            }
            continue;
        }
        if (!current)
            continue; // lines before the first section are dropped
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            current->entries.append(Entry{line, QString(), false});
        else
            current->entries.append(Entry{line.left(eq).trimmed(), line.mid(eq + 1).trimmed(), true});
    }
}

QByteArray IniFile::toBytes() const {
    QString out;
    for (const Section& s : sections_) {
        out += QLatin1Char('[') + s.name + QStringLiteral("]\r\n");
        for (const Entry& e : s.entries) {
            out += e.key;
            if (e.hasValue)
                out += QLatin1Char('=') + e.value;
            out += QStringLiteral("\r\n");
        }
        out += QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

const IniFile::Section* IniFile::findSection(const QString& name) const {
    for (const Section& s : sections_)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

IniFile::Section* IniFile::findSection(const QString& name) {
    for (Section& s : sections_)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

int IniFile::findEntry(const Section& section, const QString& key) {
    for (int i = 0; i < section.entries.size(); ++i)
        if (section.entries[i].key.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QStringList IniFile::sections() const {
    QStringList names;
    for (const Section& s : sections_)
        names << s.name;
    return names;
}

bool IniFile::sectionExists(const QString& section) const {
    return findSection(section) != nullptr;
}

QStringList IniFile::keys(const QString& section) const {
    QStringList names;
    if (const Section* s = findSection(section))
        for (const Entry& e : s->entries)
            names << e.key;
    return names;
}

bool IniFile::valueExists(const QString& section, const QString& key) const {
    const Section* s = findSection(section);
    return s && findEntry(*s, key) >= 0;
}

void IniFile::eraseSection(const QString& section) {
    for (int i = 0; i < sections_.size(); ++i) {
        if (sections_[i].name.compare(section, Qt::CaseInsensitive) == 0) {
            sections_.removeAt(i);
            return;
        }
    }
}

void IniFile::deleteKey(const QString& section, const QString& key) {
    if (Section* s = findSection(section)) {
        const int i = findEntry(*s, key);
        if (i >= 0)
            s->entries.removeAt(i);
    }
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
    const Section* s = findSection(section);
    if (!s)
        return def;
    const int i = findEntry(*s, key);
    return i >= 0 ? s->entries[i].value : def;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    Section* s = findSection(section);
    if (!s) {
        sections_.append(Section{section, {}});
        s = &sections_.last();
    }
    // A value cannot span lines in this format; a line break would split the entry on the next load.
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const int i = findEntry(*s, key);
    if (i >= 0) {
        s->entries[i].value = clean;
        s->entries[i].hasValue = true;
    } else {
        s->entries.append(Entry{key, clean, true});
    }
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const {
    if (!valueExists(section, key))
        return def;
    return readString(section, key, QString()) == QLatin1String("Y");
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("Y") : QStringLiteral("N"));
}

bool IniFile::parseInteger(const QString& text, int& value) {
    QStringView s(text);
    bool negative = false;
    if (s.startsWith(QLatin1Char('-'))) {
        negative = true;
        s = s.mid(1);
    } else if (s.startsWith(QLatin1Char('+'))) {
        s = s.mid(1);
    }
    int base = 10;
    if (s.startsWith(QLatin1Char('$'))) {
        base = 16;
        s = s.mid(1);
    } else if (s.startsWith(QLatin1String("0x")) || s.startsWith(QLatin1String("0X"))) {
        base = 16;
        s = s.mid(2);
    }
    if (s.isEmpty())
        return false;
    qint64 result = 0;
    for (QChar c : s) {
        const char16_t u = c.unicode();
        int digit = -1;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        if (digit < 0 || digit >= base)
            return false;
        result = result * base + digit;
        if (result > static_cast<qint64>(std::numeric_limits<int>::max()) + 1)
            return false;
    }
    if (negative)
        result = -result;
    if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min())
        return false;
    value = static_cast<int>(result);
    return true;
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const {
    int value = 0;
    return parseInteger(readString(section, key, QString()), value) ? value : def;
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}
