#include "IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <unistd.h>
#include <utility>

namespace {

// Makes a rename in the folder durable. A file system that cannot sync a folder has nothing to lose here.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool IniFile::load(const QString& path, QString* error) {
    sections_.clear();
    sectionIndex_.clear();
    const QFileInfo info(path);
    // A link that leads nowhere is there too: it is the user's, not a missing file.
    if (!info.exists() && !info.isSymLink())
        return false;
    QString why;
    QFile file(path);
    if (info.isDir()) {
        why = QStringLiteral("it is a folder");
    } else if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
    } else {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            why = file.errorString();
        else
            parse(bytes);
    }
    if (why.isEmpty())
        return true;
    if (error)
        *error = why.left(1).toLower() + why.mid(1);
    return false;
}

void IniFile::removeLeftoverCopies(const QString& path) {
    // The copy a save writes is named after the file with a dot and six random characters, letters of both
    // cases among them; a name in one case only (a user's "Grocelle.ini.backup") is left alone.
    const QFileInfo info(path);
    const QRegularExpression copy(
        QStringLiteral("^") + QRegularExpression::escape(info.fileName()) +
        QStringLiteral("\\.(?=[A-Za-z0-9]*[a-z])(?=[A-Za-z0-9]*[A-Z])[A-Za-z0-9]{6}$"));
    QDir folder = info.absoluteDir();
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (copy.match(name).hasMatch())
            folder.remove(name);
}

bool IniFile::save(const QString& path, QString* error) const {
    // Unbuffered, so that every write reaches the file at once and its result is known: a write that fails
    // while QSaveFile flushes its buffer at the commit goes unreported, and a truncated file would be swapped
    // in (a full disk once left an empty settings file that way).
    QSaveFile file(path);
    const QByteArray bytes = toBytes();
    bool ok = false;
    QString why;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        why = file.errorString();
    } else {
        qint64 done = 0;
        while (done < bytes.size()) {
            // A short write is followed by one more, which gives the reason (a full disk, for one).
            const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
            if (n <= 0)
                break;
            done += n;
        }
        if (done != bytes.size())
            why = file.errorString();
        else if (::fsync(file.handle()) != 0) // space the file system reserves late is claimed here
            why = qt_error_string(errno);
        else if (!file.commit())
            why = file.errorString();
        else
            ok = true;
    }
    if (ok) {
        syncFolder(QFileInfo(path).absolutePath());
        return true;
    }
    file.cancelWriting();
    if (error)
        *error = why.isEmpty() ? QStringLiteral("write error") : why;
    return false;
}

void IniFile::Section::reindex() {
    index.clear();
    // Backwards, so that the first of equal keys wins, as it does when the file is read.
    for (qsizetype i = entries.size() - 1; i >= 0; --i)
        index.insert(fold(entries[i].key), i);
}

void IniFile::Section::append(Entry entry) {
    const QString key = fold(entry.key);
    if (!index.contains(key))
        index.insert(key, entries.size());
    entries.append(std::move(entry));
}

void IniFile::parse(const QByteArray& bytes) {
    sections_.clear();
    sectionIndex_.clear();
    Section* current = nullptr;
    const QString text = QString::fromUtf8(bytes);
    const auto lines = QStringView(text).split(QLatin1Char('\n'));
    for (QStringView raw : lines) {
        const QStringView line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            current = &sectionForWriting(line.mid(1, line.size() - 2).trimmed().toString());
            continue;
        }
        if (!current)
            continue; // lines before the first section are dropped
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            current->append(Entry{line.toString(), QString(), false});
        else
            current->append(
                Entry{line.left(eq).trimmed().toString(), line.mid(eq + 1).trimmed().toString(), true});
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
    const qsizetype i = sectionIndex_.value(fold(name), -1);
    return i >= 0 ? &sections_[i] : nullptr;
}

IniFile::Section* IniFile::findSection(const QString& name) {
    const qsizetype i = sectionIndex_.value(fold(name), -1);
    return i >= 0 ? &sections_[i] : nullptr;
}

IniFile::Section& IniFile::sectionForWriting(const QString& name) {
    if (Section* s = findSection(name))
        return *s;
    sectionIndex_.insert(fold(name), sections_.size());
    sections_.append(Section{name, {}, {}});
    return sections_.last();
}

qsizetype IniFile::findEntry(const Section& section, const QString& key) {
    return section.index.value(fold(key), -1);
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
    if (const Section* s = findSection(section)) {
        names.reserve(s->entries.size());
        for (const Entry& e : s->entries)
            names << e.key;
    }
    return names;
}

bool IniFile::valueExists(const QString& section, const QString& key) const {
    const Section* s = findSection(section);
    return s && findEntry(*s, key) >= 0;
}

void IniFile::eraseSection(const QString& section) {
    const qsizetype i = sectionIndex_.value(fold(section), -1);
    if (i < 0)
        return;
    sections_.removeAt(i);
    sectionIndex_.clear();
    for (qsizetype j = 0; j < sections_.size(); ++j)
        sectionIndex_.insert(fold(sections_[j].name), j);
}

void IniFile::deleteKey(const QString& section, const QString& key) {
    if (Section* s = findSection(section)) {
        const qsizetype i = findEntry(*s, key);
        if (i >= 0) {
            s->entries.removeAt(i);
            s->reindex();
        }
    }
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const {
    const Section* s = findSection(section);
    if (!s)
        return def;
    const qsizetype i = findEntry(*s, key);
    return i >= 0 ? s->entries[i].value : def;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    Section& s = sectionForWriting(section);
    // A value cannot span lines in this format; a line break would split the entry on the next load.
    QString clean = value;
    clean.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const qsizetype i = findEntry(s, key);
    if (i >= 0) {
        s.entries[i].value = clean;
        s.entries[i].hasValue = true;
    } else {
        s.append(Entry{key, clean, true});
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
