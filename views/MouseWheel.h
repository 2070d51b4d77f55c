#pragma once
// The invisible `MouseWheel` control: watches the wheel input that reaches the window it belongs
// to and turns single notches into WheelMove. One notch towards the user (angle -120, no key or
// mouse button held) raises WheelMove(true), one notch away (+120) WheelMove(false); anything
// else (several notches at once, fine-grained wheels, sideways wheels, a modifier or a button
// held) raises nothing. The window still receives every wheel event as before.
#include <QObject>
#include <QPointer>

class QWidget;

class MouseWheel : public QObject {
    Q_OBJECT

public:
    // Watches window, which also owns the control.
    explicit MouseWheel(QWidget* window);
    ~MouseWheel() override;

signals:
    void WheelMove(bool towardUser);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
};
