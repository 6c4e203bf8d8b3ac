#include "GlyphBitButton.h"
#include "HoverSpeedButton.h"
#include "Icons.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using ui::GlyphBitButton;
using ui::HoverSpeedButton;
using State = ui::HoverSpeedButton::State;

namespace {

QPixmap solid(QSize size, const QColor& colour) {
    QPixmap pm(size);
    pm.fill(colour);
    return pm;
}

// Four 8 x 8 images side by side in the state order up, disabled, down, exclusive.
QPixmap stateStrip(int count) {
    const QColor colours[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
    QPixmap strip(8 * count, 8);
    QPainter p(&strip);
    for (int i = 0; i < count; ++i)
        p.fillRect(i * 8, 0, 8, 8, colours[i]);
    return strip;
}

void enter(QWidget* w) {
    QEnterEvent e(QPointF(3, 3), QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)));
    QApplication::sendEvent(w, &e);
}

void leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

QColor centreOf(const QImage& image, const QRect& r) {
    return image.pixelColor(r.center());
}

} // namespace

// The hover flag follows enter and leave of an enabled flat button and holds during a press.
TEST(HoverSpeedButton, DefaultsAndMouseInside) {
    QWidget parent;
    HoverSpeedButton b(&parent);
    EXPECT_EQ(b.size(), QSize(22, 23));
    EXPECT_TRUE(b.isFlat());
    EXPECT_TRUE(b.isTransparent());
    EXPECT_EQ(b.visualState(), State::Up);

    enter(&b);
    EXPECT_TRUE(b.mouseInside());
    leave(&b);
    EXPECT_FALSE(b.mouseInside());

    enter(&b);
    QTest::mousePress(&b, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(b.visualState(), State::Down);
    leave(&b);
    EXPECT_TRUE(b.mouseInside()) << "a press being dragged keeps the button hot";
    QTest::mouseRelease(&b, Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    EXPECT_FALSE(b.mouseInside()) << "released outside: the button looks again where the mouse is";

    b.setEnabled(false);
    EXPECT_EQ(b.visualState(), State::Disabled);
    enter(&b);
    EXPECT_FALSE(b.mouseInside());

    HoverSpeedButton raised(&parent);
    raised.setFlat(false);
    enter(&raised);
    EXPECT_FALSE(raised.mouseInside());
}

// Buttons of one group act as radio buttons; only allowAllUp lets the held one be released.
TEST(HoverSpeedButton, GroupsHoldOneButtonDown) {
    QWidget parent;
    HoverSpeedButton quantity(&parent), price(&parent), other(&parent);
    quantity.setGroupIndex(1);
    price.setGroupIndex(1);
    other.setGroupIndex(2);
    other.setChecked(true);

    quantity.click();
    EXPECT_TRUE(quantity.isChecked());
    EXPECT_EQ(quantity.visualState(), State::Exclusive);
    price.click();
    EXPECT_TRUE(price.isChecked());
    EXPECT_FALSE(quantity.isChecked());
    EXPECT_EQ(quantity.visualState(), State::Up);
    EXPECT_TRUE(other.isChecked()) << "another group is not touched";
    price.click();
    EXPECT_TRUE(price.isChecked()) << "the last one cannot be released";
    price.setAllowAllUp(true);
    price.click();
    EXPECT_FALSE(price.isChecked());

    // A button that was disabled while held comes back held.
    quantity.setChecked(true);
    quantity.setEnabled(false);
    EXPECT_EQ(quantity.visualState(), State::Disabled);
    quantity.setEnabled(true);
    EXPECT_EQ(quantity.visualState(), State::Exclusive);

    HoverSpeedButton plain(&parent);
    plain.click();
    EXPECT_FALSE(plain.isChecked()) << "without a group a button never stays down";
}

// Each state shows its own image from the strip, centred, moved (1, 1) when down; the hover look frames it.
TEST(HoverSpeedButton, PaintsStateImagesAndHoverColours) {
    QWidget parent;
    HoverSpeedButton b(&parent);
    b.setGroupIndex(1);
    b.setGlyph(stateStrip(4));
    b.setNumGlyphs(4);
    const QColor over(200, 220, 250);
    b.setMouseoverColor(over);

    const QRect up = b.imageRect();
    // Inner area 20 x 21 from (1, 1): x = 1 + (20 - 8 + 1) div 2, y = 1 + (21 - 8 + 1) div 2.
    EXPECT_EQ(up, QRect(7, 8, 8, 8));
    QImage img = b.grab().toImage();
    EXPECT_EQ(centreOf(img, up), QColor(Qt::red));

    enter(&b);
    img = b.grab().toImage();
    EXPECT_EQ(img.pixelColor(0, 0), b.palette().color(QPalette::Highlight));
    EXPECT_EQ(img.pixelColor(2, 2), over);

    b.setChecked(true);
    img = b.grab().toImage();
    EXPECT_EQ(b.imageRect(), up.translated(1, 1));
    EXPECT_EQ(centreOf(img, b.imageRect()), QColor(Qt::yellow));
    EXPECT_EQ(img.pixelColor(2, 2), over) << "held and hovered: the hover colour inside the sunken edge";
    EXPECT_NE(img.pixelColor(0, 0), over);

    b.setChecked(false);
    b.setEnabled(false);
    EXPECT_EQ(centreOf(b.grab().toImage(), b.imageRect()), QColor(Qt::green));

    // One image only: the disabled look is made from it.
    HoverSpeedButton single(&parent);
    single.setGlyph(stateStrip(1));
    single.setEnabled(false);
    const QColor derived = centreOf(single.grab().toImage(), single.imageRect());
    EXPECT_NE(derived, QColor(Qt::red));
    EXPECT_EQ(derived.red(), derived.green()) << "grey";
}

// The picture sits beside the caption in the middle of the button; disabled, it comes from the other list.
TEST(GlyphBitButton, ImageFromListsAtTheSamePlace) {
    ui::ImageList normal(QSize(16, 16)), disabled(QSize(16, 16));
    normal.add(solid({16, 16}, Qt::red));
    normal.add(solid({16, 16}, Qt::darkRed));
    disabled.add(solid({16, 16}, Qt::blue));
    disabled.add(solid({16, 16}, Qt::darkBlue));

    GlyphBitButton b(QStringLiteral("&OK"));
    b.resize(100, 30);
    EXPECT_FALSE(b.drawsImage());
    b.setNormalImageList(normal);
    EXPECT_FALSE(b.drawsImage()) << "image index -1 shows none";
    b.setDisabledImageList(disabled);
    b.setImageIndex(1);
    ASSERT_TRUE(b.drawsImage());

    const int caption = b.fontMetrics().horizontalAdvance(QStringLiteral("OK"));
    const int spare = 100 - (16 + caption + 4);
    const QRect place = b.imageRect();
    EXPECT_EQ(place, QRect(spare / 2, (30 - 16) / 2 + 1, 16, 16));
    EXPECT_EQ(centreOf(b.grab().toImage(), place), QColor(Qt::darkRed));
    b.setEnabled(false);
    EXPECT_EQ(b.imageRect(), place);
    EXPECT_EQ(centreOf(b.grab().toImage(), place), QColor(Qt::darkBlue));

    b.setImageLayout(GlyphBitButton::Layout::ImageRight);
    EXPECT_EQ(b.imageRect().left(), 100 - 16 - spare / 2);
    EXPECT_GT(b.imageRect().left(), place.left() + caption);

    // Without a disabled list the disabled picture is the grey look of the normal one.
    GlyphBitButton noDisabled;
    noDisabled.resize(60, 30);
    noDisabled.setNormalImageList(normal);
    noDisabled.setImageIndex(0);
    noDisabled.setEnabled(false);
    const QColor c = centreOf(noDisabled.grab().toImage(), noDisabled.imageRect());
    EXPECT_NE(c, QColor(Qt::red));
    EXPECT_EQ(c.red(), c.green());
}

// Every named picture renders in both looks, the lists hold them all, and aliases reach the same picture.
TEST(Icons, EveryPictureRendersInBothLooks) {
    const QStringList names = ui::Icons::names();
    EXPECT_EQ(ui::Icons::normalImages().count(), names.size());
    EXPECT_EQ(ui::Icons::disabledImages().count(), names.size());
    for (const QString& n : names) {
        const QImage img = ui::Icons::pixmap(n, 16).toImage();
        ASSERT_EQ(img.size(), QSize(16, 16)) << n.toStdString();
        int opaque = 0;
        bool coloured = false;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.alpha() > 128)
                    ++opaque;
                if (c.alpha() > 128 && (c.red() != c.green() || c.green() != c.blue()))
                    coloured = true;
            }
        EXPECT_GT(opaque, 10) << n.toStdString();
        const QImage grey = ui::Icons::disabledImages().image(ui::Icons::indexOf(n)).toImage();
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const QColor c = grey.pixelColor(x, y);
                ASSERT_TRUE(c.red() == c.green() && c.green() == c.blue()) << n.toStdString();
                ASSERT_LE(c.alpha(), 128) << n.toStdString();
            }
        (void)coloured;
        EXPECT_FALSE(ui::Icons::icon(n).isNull());
    }
    for (const char* needed :
         {"add", "delete", "rename", "post", "cancel", "print", "search", "optimize", "undo", "sequence",
          "selectall", "floorplan", "zoom", "help", "backup", "restore", "copy", "folder"})
        EXPECT_TRUE(ui::Icons::has(QString::fromLatin1(needed))) << needed;
    EXPECT_EQ(ui::Icons::indexOf(QStringLiteral("Rename")), ui::Icons::indexOf(QStringLiteral("edit")));
    EXPECT_EQ(ui::Icons::indexOf(QStringLiteral("nothing")), -1);
    EXPECT_TRUE(ui::Icons::icon(QStringLiteral("nothing")).isNull());
}
