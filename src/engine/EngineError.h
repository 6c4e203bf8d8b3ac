#pragma once

#include <QString>
#include <stdexcept>

namespace engine {

// Error codes of the table layer. Pages recognise a duplicate key by KeyViolation.
enum ErrorCode : int {
    KeyViolation = 9729,
    GeneralError = 10000,
    FieldRequired = 10001,
    ConversionFailed = 10002,
    UnknownField = 10003,
    UnknownIndex = 10004,
    UnknownTable = 10005,
    FileError = 10006,
    SqlError = 10007,
    NotOpen = 10008,
    WrongState = 10009,
    CorruptTable = 10010,
    TableExists = 10011,
    UnsupportedStatement = 10012,
    InvalidFilter = 10013,
    RecordGone = 10014,
};

// Every failure of the table layer: a code and the message shown to the user.
class EngineError : public std::runtime_error {
public:
    EngineError(int code, const QString& message)
        : std::runtime_error(message.toStdString()), code_(code), message_(message) {}

    int code() const { return code_; }
    const QString& message() const { return message_; }

private:
    int code_;
    QString message_;
};

// Raised when a post-error hook has handled the failure itself and asked for it not to be shown.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

} // namespace engine
