#pragma once

#include <QLabel>

class QTimer;

// The one hint window of the Aisles page, in the system's tooltip colours. A hint shows 20 pixels below the
// pointer and hides itself after 3000 ms (AisleHintTimer).
class AisleHintWindow : public QLabel {
    Q_OBJECT

public:
    explicit AisleHintWindow(QWidget* owner);

    // Shows the text with its top-left corner 20 pixels below the point of the control; nothing for empty
    // text.
    void ActivateHint(QWidget* control, QPoint point, const QString& text);
    void HideHintWindow();
    // A hint is showing (its timer runs).
    bool showing() const;

    QTimer* AisleHintTimer = nullptr;
};
