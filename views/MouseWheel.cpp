// Wheel notches arriving at the main window, turned into WheelMove.
#include "views/MouseWheel.h"

#include <QWheelEvent>
#include <QWidget>

MouseWheel::MouseWheel(QWidget* window) : QObject(window), window_(window) {
    setObjectName(QStringLiteral("MouseWheel"));
    if (window) window->installEventFilter(this);
}

MouseWheel::~MouseWheel() {
    if (window_) window_->removeEventFilter(this);
}

bool MouseWheel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() == Qt::NoModifier && wheel->buttons() == Qt::NoButton) {
            const QPoint delta = wheel->angleDelta();
            if (delta == QPoint(0, -120))
                emit WheelMove(true);
            else if (delta == QPoint(0, 120))
                emit WheelMove(false);
        }
    }
    return false; // the window handles the event as it always would
}
