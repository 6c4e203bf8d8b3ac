#pragma once

#include "TableDefinition.h"
#include "Value.h"

#include <QString>
#include <string_view>

namespace engine {

class DataSet;

// A handle on one field of a table or query object. Reads come from the current record (or the pending
// edit); writes go to the pending edit, or to the search key while a key search is being set up.
class Field {
public:
    Field(DataSet* dataSet, int index) : dataSet_(dataSet), index_(index) {}

    int index() const { return index_; }
    QString name() const;
    FieldType type() const;
    int size() const;

    bool isNull() const;
    int asInteger() const;           // empty reads as 0
    double asFloat() const;          // empty reads as 0
    QString asString() const;        // empty reads as ""
    std::string_view asUtf8() const; // valid until the record changes; empty for non-text values
    Value value() const;

    void setInteger(qint64 v);
    void setFloat(double v);
    void setString(const QString& text); // empty text makes the field empty
    void setValue(const Value& v);
    void assign(const Field& other); // the value of a field of another table or query
    void clear();

private:
    DataSet* dataSet_;
    int index_;
};

} // namespace engine
