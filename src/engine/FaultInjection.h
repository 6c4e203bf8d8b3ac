#pragma once

#include <QString>

namespace engine {

// Makes statements of the table layer fail on purpose, so that tests can show that every command of the
// program survives an engine error. Nothing fails unless a test arms it; the check costs one flag test.
class FaultInjection {
public:
    // The next `count` statements fail, whatever they touch.
    static void failNextStatements(int count);
    // Every statement that names `table` fails until disarmed.
    static void failTable(const QString& table);
    static void disarm();
    static bool armed() { return armed_; }
    // How many statements were made to fail since the last arming.
    static int failures();

    // Raises the injected EngineError when the statement with this SQL text is to fail.
    static void check(const char* sql) {
        if (armed_)
            checkArmed(sql);
    }
    // The text of the injected error.
    static QString message();

private:
    static void checkArmed(const char* sql);
    static inline bool armed_ = false;
};

} // namespace engine
