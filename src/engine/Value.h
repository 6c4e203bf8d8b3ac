#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <variant>

namespace engine {

// One field value held outside the row store: empty, a whole number, a floating-point number or UTF-8 text.
using Value = std::variant<std::monostate, std::int64_t, double, std::string>;

inline bool isNull(const Value& v) {
    return std::holds_alternative<std::monostate>(v);
}
inline Value textValue(const QString& s) {
    return Value{s.toStdString()};
}
// Equal values: both empty, the same text byte for byte, or the same number whether whole or not.
bool sameValue(const Value& a, const Value& b);

} // namespace engine
