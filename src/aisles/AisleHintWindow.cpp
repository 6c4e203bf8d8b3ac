#include "AisleHintWindow.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

AisleHintWindow::AisleHintWindow(QWidget* owner) : QLabel(owner, Qt::ToolTip | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("AisleHint"));
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    setMargin(2);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    AisleHintTimer = new QTimer(this);
    AisleHintTimer->setObjectName(QStringLiteral("AisleHintTimer"));
    AisleHintTimer->setInterval(3000);
    connect(AisleHintTimer, &QTimer::timeout, this, &AisleHintWindow::HideHintWindow);
}

void AisleHintWindow::ActivateHint(QWidget* control, QPoint point, const QString& text) {
    if (text.isEmpty())
        return;
    setText(text);
    const QScreen* screen = control->screen();
    const int maxWidth = screen ? screen->geometry().width() : 1024;
    setMaximumWidth(maxWidth);
    adjustSize();
    move(control->mapToGlobal(QPoint(point.x(), point.y() + 20)));
    show();
    AisleHintTimer->start();
}

void AisleHintWindow::HideHintWindow() {
    AisleHintTimer->stop();
    hide();
}

bool AisleHintWindow::showing() const {
    return AisleHintTimer->isActive();
}
