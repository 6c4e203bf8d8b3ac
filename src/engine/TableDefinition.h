#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace engine {

enum class FieldType { AutoInc, String, Integer, Float };

struct FieldDef {
    QString name;
    FieldType type = FieldType::Integer;
    int size = 0; // characters, for strings
    bool required = false;
};

struct IndexDef {
    QString name;
    QString fields; // key parts in significance order, separated by ";"
    bool primary = false;
    bool unique = false;
    bool caseInsensitive = false;

    QStringList keyFields() const;
};

// A table's definition as kept in its .idx file, readable without opening the data.
struct TableDefinition {
    QString description;
    int versionMajor = 1;
    int versionMinor = 0;
    int locale = 0;
    QList<FieldDef> fields;
    QList<IndexDef> indexes;

    int fieldIndex(const QString& name) const; // case-insensitive, -1 when absent
    int indexIndex(const QString& name) const; // case-insensitive, -1 when absent
    int primaryIndex() const;                  // -1 when the table has none
    int autoIncField() const;                  // -1 when the table has none

    // Throws EngineError when names are missing, repeated or key parts unknown.
    void validate() const;

    QByteArray toJson() const;
    static TableDefinition fromJson(const QByteArray& json, const QString& fileForMessages);
    static TableDefinition readFile(const QString& idxPath);
    void writeFile(const QString& idxPath) const;
};

} // namespace engine
