#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

namespace ui {

// A flat picture button without caption that takes a mouse-over colour. The picture strip holds up to four
// images side by side, for the up, disabled, down (pressed) and exclusive (held down in a group) states; a
// missing disabled image is made from the up image, other missing ones fall back to the up image. Buttons of
// one parent with the same non-zero group index act as a radio group; the held one is the checked one (Qt's
// `checked` is the button's `Down`), and allowAllUp lets it be released.
class HoverSpeedButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QColor mouseoverColor READ mouseoverColor WRITE setMouseoverColor)
    Q_PROPERTY(int numGlyphs READ numGlyphs WRITE setNumGlyphs)
    Q_PROPERTY(bool flat READ isFlat WRITE setFlat)
    Q_PROPERTY(bool transparent READ isTransparent WRITE setTransparent)
    Q_PROPERTY(int groupIndex READ groupIndex WRITE setGroupIndex)
    Q_PROPERTY(bool allowAllUp READ allowAllUp WRITE setAllowAllUp)

public:
    enum class State { Up, Disabled, Down, Exclusive };

    explicit HoverSpeedButton(QWidget* parent = nullptr);

    // The colour new buttons take; the program sets it once at start-up.
    static void setDefaultMouseoverColor(const QColor& colour);
    static QColor defaultMouseoverColor();

    void setGlyph(const QPixmap& strip);
    QPixmap glyph() const { return glyph_; }
    void setNumGlyphs(int count); // 1 to 4
    int numGlyphs() const { return numGlyphs_; }
    void setMouseoverColor(const QColor& colour);
    QColor mouseoverColor() const { return mouseoverColor_; }
    void setFlat(bool on);
    bool isFlat() const { return flat_; }
    void setTransparent(bool on);
    bool isTransparent() const { return transparent_; }
    void setGroupIndex(int index);
    int groupIndex() const { return groupIndex_; }
    void setAllowAllUp(bool on) { allowAllUp_ = on; }
    bool allowAllUp() const { return allowAllUp_; }

    State visualState() const;
    bool mouseInside() const { return inside_; }
    // The image drawn in a state, and where it goes now.
    QPixmap stateImage(State state) const;
    QRect imageRect() const;

    QSize sizeHint() const override { return {22, 23}; }
    QSize minimumSizeHint() const override { return {8, 8}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void nextCheckState() override;

private:
    QRect innerRect() const;
    void releaseOthersInGroup();
    void mouseEntered();
    void mouseLeft();

    QPixmap glyph_;
    int numGlyphs_ = 1;
    QColor mouseoverColor_;
    bool flat_ = true;
    bool transparent_ = true;
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    bool inside_ = false;
    bool pressing_ = false;
};

} // namespace ui
