#pragma once

#include "DataSet.h"

#include <QApplication>
#include <QCursor>
#include <QList>
#include <QObject>

#include <gtest/gtest.h>

#include <functional>

// Records, each time a data set is opened anew, whether the busy cursor was up. check() runs a command and
// expects it to have reloaded the data set under the busy cursor and to leave the normal cursor behind.
class BusyCursorProbe {
public:
    explicit BusyCursorProbe(engine::DataSet& data) : data_(data) {
        QObject::connect(&data_, &engine::DataSet::contentReset, &listening_, [this] {
            if (data_.isOpen())
                busyAtReload_ << (QApplication::overrideCursor() &&
                                  QApplication::overrideCursor()->shape() == Qt::WaitCursor);
        });
    }

    void check(const char* command, const std::function<void()>& run) {
        busyAtReload_.clear();
        run();
        EXPECT_FALSE(busyAtReload_.isEmpty()) << command << " did not reload the list";
        EXPECT_FALSE(busyAtReload_.contains(false)) << command;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << command;
    }

private:
    engine::DataSet& data_;
    QList<bool> busyAtReload_;
    QObject listening_; // declared last: the connection ends before the list it writes to goes
};
