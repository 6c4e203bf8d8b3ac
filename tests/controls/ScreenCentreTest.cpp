#include "ScreenCentre.h"

#include <QDialog>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

TEST(ScreenCentre, ADialogOpensCentredOnTheScreenNotOverItsOwner) {
    QWidget owner;
    const QRect screen = owner.screen()->availableGeometry();
    // The owner sits in the screen's top-left quarter, so centring over it would show.
    owner.setGeometry(QRect(screen.topLeft() + QPoint(10, 10), screen.size() / 3));
    owner.show();
    QDialog dialog(&owner);
    dialog.resize(120, 80);
    ui::centreOnScreen(&dialog);

    for (int run = 0; run < 2; ++run) {
        QPoint shownAt;
        QTimer::singleShot(0, &dialog, [&] {
            shownAt = dialog.frameGeometry().center();
            dialog.reject();
        });
        dialog.exec();
        EXPECT_LE((shownAt - screen.center()).manhattanLength(), 2) << "run " << run;
        // Moved away by the user, it is centred again the next time it opens.
        dialog.move(screen.topLeft());
    }
}
