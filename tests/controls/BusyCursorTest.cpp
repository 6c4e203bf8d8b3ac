#include "BusyCursor.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

bool busy() {
    return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

} // namespace

TEST(BusyCursor, ShownWhileAGuardLivesAndPutBackAfterAnException) {
    ASSERT_FALSE(busy());
    {
        const ui::BusyCursor outer;
        EXPECT_TRUE(busy());
        {
            const ui::BusyCursor inner; // a slow step inside a slow command
            EXPECT_TRUE(busy());
        }
        EXPECT_TRUE(busy()) << "the inner guard must not end the outer one's cursor";
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    bool seenBusy = false;
    EXPECT_THROW(
        {
            const ui::BusyCursor guard;
            seenBusy = busy();
            throw std::runtime_error("disk full");
        },
        std::runtime_error);
    EXPECT_TRUE(seenBusy);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
