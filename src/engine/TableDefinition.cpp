#include "TableDefinition.h"

#include "EngineError.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

namespace engine {

namespace {

QString typeName(FieldType t) {
    switch (t) {
    case FieldType::AutoInc:
        return QStringLiteral("autoinc");
    case FieldType::String:
        return QStringLiteral("string");
    case FieldType::Integer:
        return QStringLiteral("integer");
    case FieldType::Float:
        return QStringLiteral("float");
    }
    return {};
}

bool typeFromName(const QString& s, FieldType& t) {
    if (s == QLatin1String("autoinc"))
        t = FieldType::AutoInc;
    else if (s == QLatin1String("string"))
        t = FieldType::String;
    else if (s == QLatin1String("integer"))
        t = FieldType::Integer;
    else if (s == QLatin1String("float"))
        t = FieldType::Float;
    else
        return false;
    return true;
}

constexpr int kFormat = 1;

} // namespace

QStringList IndexDef::keyFields() const {
    QStringList parts;
    for (const QString& p : fields.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        parts << p.trimmed();
    return parts;
}

int TableDefinition::fieldIndex(const QString& name) const {
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int TableDefinition::indexIndex(const QString& name) const {
    for (int i = 0; i < indexes.size(); ++i)
        if (indexes[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int TableDefinition::primaryIndex() const {
    for (int i = 0; i < indexes.size(); ++i)
        if (indexes[i].primary)
            return i;
    return -1;
}

int TableDefinition::autoIncField() const {
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].type == FieldType::AutoInc)
            return i;
    return -1;
}

void TableDefinition::validate() const {
    if (fields.isEmpty())
        throw EngineError(GeneralError, QStringLiteral("A table needs at least one field"));
    QSet<QString> seen;
    int autoIncs = 0;
    for (const FieldDef& f : fields) {
        if (f.name.trimmed().isEmpty())
            throw EngineError(GeneralError, QStringLiteral("A field has no name"));
        if (seen.contains(f.name.toLower()))
            throw EngineError(GeneralError, QStringLiteral("Duplicate field name '%1'").arg(f.name));
        seen.insert(f.name.toLower());
        if (f.type == FieldType::String && f.size <= 0)
            throw EngineError(GeneralError, QStringLiteral("String field '%1' needs a size").arg(f.name));
        if (f.type == FieldType::AutoInc)
            ++autoIncs;
    }
    if (autoIncs > 1)
        throw EngineError(GeneralError, QStringLiteral("A table can have only one auto-increment field"));
    QSet<QString> indexNames;
    int primaries = 0;
    for (const IndexDef& ix : indexes) {
        if (ix.name.trimmed().isEmpty() || indexNames.contains(ix.name.toLower()))
            throw EngineError(GeneralError,
                              QStringLiteral("Missing or duplicate index name '%1'").arg(ix.name));
        indexNames.insert(ix.name.toLower());
        if (ix.primary)
            ++primaries;
        const QStringList parts = ix.keyFields();
        if (parts.isEmpty())
            throw EngineError(GeneralError, QStringLiteral("Index '%1' has no key fields").arg(ix.name));
        for (const QString& p : parts)
            if (fieldIndex(p) < 0)
                throw EngineError(UnknownField,
                                  QStringLiteral("Index '%1' names the unknown field '%2'").arg(ix.name, p));
    }
    if (primaries > 1)
        throw EngineError(GeneralError, QStringLiteral("A table can have only one primary index"));
}

QByteArray TableDefinition::toJson() const {
    QJsonObject root;
    root[QStringLiteral("format")] = kFormat;
    root[QStringLiteral("description")] = description;
    root[QStringLiteral("versionMajor")] = versionMajor;
    root[QStringLiteral("versionMinor")] = versionMinor;
    root[QStringLiteral("locale")] = locale;
    QJsonArray fa;
    for (const FieldDef& f : fields) {
        QJsonObject o;
        o[QStringLiteral("name")] = f.name;
        o[QStringLiteral("type")] = typeName(f.type);
        o[QStringLiteral("size")] = f.size;
        o[QStringLiteral("required")] = f.required;
        fa.append(o);
    }
    root[QStringLiteral("fields")] = fa;
    QJsonArray ia;
    for (const IndexDef& ix : indexes) {
        QJsonObject o;
        o[QStringLiteral("name")] = ix.name;
        o[QStringLiteral("fields")] = ix.fields;
        o[QStringLiteral("primary")] = ix.primary;
        o[QStringLiteral("unique")] = ix.unique;
        o[QStringLiteral("caseInsensitive")] = ix.caseInsensitive;
        ia.append(o);
    }
    root[QStringLiteral("indexes")] = ia;
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

TableDefinition TableDefinition::fromJson(const QByteArray& json, const QString& file) {
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &err);
    const auto corrupt = [&file]() {
        return EngineError(CorruptTable,
                           QStringLiteral("The table definition file '%1' is damaged").arg(file));
    };
    if (err.error != QJsonParseError::NoError || !doc.isObject())
        throw corrupt();
    const QJsonObject root = doc.object();
    if (root.value(QStringLiteral("format")).toInt() != kFormat)
        throw corrupt();
    // A flag written as text or a number is a damaged definition, not a silent false.
    const auto flag = [&corrupt](const QJsonObject& o, const char* key) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (!v.isBool())
            throw corrupt();
        return v.toBool();
    };
    TableDefinition d;
    d.description = root.value(QStringLiteral("description")).toString();
    d.versionMajor = root.value(QStringLiteral("versionMajor")).toInt(-1);
    d.versionMinor = root.value(QStringLiteral("versionMinor")).toInt(-1);
    d.locale = root.value(QStringLiteral("locale")).toInt(-1);
    if (d.versionMajor < 0 || d.versionMinor < 0 || d.locale < 0)
        throw corrupt();
    for (const QJsonValue& v : root.value(QStringLiteral("fields")).toArray()) {
        const QJsonObject o = v.toObject();
        FieldDef f;
        f.name = o.value(QStringLiteral("name")).toString();
        if (!typeFromName(o.value(QStringLiteral("type")).toString(), f.type))
            throw corrupt();
        f.size = o.value(QStringLiteral("size")).toInt();
        f.required = flag(o, "required");
        d.fields.append(f);
    }
    for (const QJsonValue& v : root.value(QStringLiteral("indexes")).toArray()) {
        const QJsonObject o = v.toObject();
        IndexDef ix;
        ix.name = o.value(QStringLiteral("name")).toString();
        ix.fields = o.value(QStringLiteral("fields")).toString();
        ix.primary = flag(o, "primary");
        ix.unique = flag(o, "unique");
        ix.caseInsensitive = flag(o, "caseInsensitive");
        d.indexes.append(ix);
    }
    try {
        d.validate();
    } catch (const EngineError&) {
        throw corrupt();
    }
    return d;
}

TableDefinition TableDefinition::readFile(const QString& idxPath) {
    QFile f(idxPath);
    if (!f.open(QIODevice::ReadOnly))
        throw EngineError(
            FileError,
            QStringLiteral("Cannot open the table definition file '%1': %2").arg(idxPath, f.errorString()));
    return fromJson(f.readAll(), idxPath);
}

void TableDefinition::writeFile(const QString& idxPath) const {
    QSaveFile f(idxPath);
    if (!f.open(QIODevice::WriteOnly) || f.write(toJson()) < 0 || !f.commit())
        throw EngineError(
            FileError,
            QStringLiteral("Cannot write the table definition file '%1': %2").arg(idxPath, f.errorString()));
}

} // namespace engine
