#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// An initialisation file held in memory: sections of "key=value" lines. Section and key names match without
// regard to letter case; the order of sections and keys is kept, and whatever the program does not know stays
// in the file when it is written back. Keys are found through a hash, so a section of many thousand keys (the
// shopping-list notes) is read and written in time proportional to its size.
class IniFile {
public:
    IniFile() = default;

    // Replaces the contents with the file's; a missing or unreadable file gives empty contents (false).
    // `error` (when given) gets the reason a file that is there could not be read; it stays empty for a
    // missing file.
    bool load(const QString& path, QString* error = nullptr);
    // Writes the whole contents into a new file and swaps it in for the old one only once every byte is on
    // the disk, then syncs the folder so that the swap itself survives a power loss; on any failure the old
    // file stays as it was, the result is false and `error` (when given) says why.
    bool save(const QString& path, QString* error = nullptr) const;
    // Removes the half-written copies ("<file>.XXXXXX") a save that was killed left beside the file.
    static void removeLeftoverCopies(const QString& path);

    void parse(const QByteArray& bytes);
    QByteArray toBytes() const; // CR LF line ends

    QStringList sections() const;
    bool sectionExists(const QString& section) const;
    QStringList keys(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;
    void eraseSection(const QString& section);
    void deleteKey(const QString& section, const QString& key);

    QString readString(const QString& section, const QString& key, const QString& def) const;
    void writeString(const QString& section, const QString& key, const QString& value);

    // "Y" is true, anything else false; a missing key gives the default.
    bool readBool(const QString& section, const QString& key, bool def) const;
    void writeBool(const QString& section, const QString& key, bool value);

    // Decimal, or hexadecimal after "$", "0x" or "0X"; a missing key or a value that is not a number gives
    // the default.
    int readInteger(const QString& section, const QString& key, int def) const;
    void writeInteger(const QString& section, const QString& key, int value);

    // Parses an integer the way readInteger does; false when the text is not a number.
    static bool parseInteger(const QString& text, int& value);

private:
    struct Entry {
        QString key;
        QString value;
        bool hasValue = true; // a line without "=" is kept as it was
    };
    struct Section {
        QString name;
        QList<Entry> entries;
        QHash<QString, qsizetype> index; // folded key -> its first entry
        void reindex();
        void append(Entry entry);
    };

    static QString fold(const QString& name) { return name.toCaseFolded(); }
    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    Section& sectionForWriting(const QString& name);
    static qsizetype findEntry(const Section& section, const QString& key);

    QList<Section> sections_;
    QHash<QString, qsizetype> sectionIndex_; // folded name -> position in sections_
};
