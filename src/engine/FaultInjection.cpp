#include "FaultInjection.h"

#include "EngineError.h"

#include <QRegularExpression>

namespace engine {

namespace {
int remaining = 0;
int failed = 0;
QRegularExpression tablePattern;
} // namespace

void FaultInjection::failNextStatements(int count) {
    disarm();
    remaining = count;
    armed_ = count > 0;
}

void FaultInjection::failTable(const QString& table) {
    disarm();
    tablePattern =
        QRegularExpression(QStringLiteral("\\b") + QRegularExpression::escape(table) + QStringLiteral("\\b"),
                           QRegularExpression::CaseInsensitiveOption);
    armed_ = true;
}

void FaultInjection::disarm() {
    armed_ = false;
    remaining = 0;
    failed = 0;
    tablePattern = QRegularExpression();
}

int FaultInjection::failures() {
    return failed;
}

QString FaultInjection::message() {
    return QStringLiteral("Injected engine failure");
}

void FaultInjection::checkArmed(const char* sql) {
    bool fail = false;
    if (remaining > 0) {
        fail = true;
        if (--remaining == 0)
            armed_ = false;
    } else if (!tablePattern.pattern().isEmpty()) {
        fail = tablePattern.match(QString::fromUtf8(sql)).hasMatch();
    }
    if (fail) {
        ++failed;
        throw EngineError(GeneralError, message());
    }
}

} // namespace engine
