// The MouseWheel control: single notches with nothing held become WheelMove, everything else
// raises nothing, and the window still gets every wheel event.
#include "views/MouseWheel.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

namespace {

// A window that counts the wheel events reaching it.
class CountingWindow : public QWidget {
public:
    int wheels = 0;

protected:
    void wheelEvent(QWheelEvent* e) override {
        ++wheels;
        e->ignore();
    }
};

// A wheel event reaching the window (from the platform, or passed on by a child that ignored it).
void sendWheel(QWidget* to, QPoint angle, Qt::KeyboardModifiers mods = Qt::NoModifier,
               Qt::MouseButtons buttons = Qt::NoButton) {
    const QPointF pos(10, 10);
    QWheelEvent e(pos, to->mapToGlobal(pos), QPoint(), angle, buttons, mods, Qt::NoScrollPhase,
                  false);
    QApplication::sendEvent(to, &e);
}

} // namespace

Q_DECLARE_METATYPE(Qt::MouseButtons)

class TestMouseWheel : public QObject {
    Q_OBJECT
private slots:
    void notches_data();
    void notches();
    void otherWindowsAreNotWatched();
    void endsWithItsWindow();
};

void TestMouseWheel::notches_data() {
    QTest::addColumn<QPoint>("angle");
    QTest::addColumn<Qt::KeyboardModifiers>("mods");
    QTest::addColumn<Qt::MouseButtons>("buttons");
    QTest::addColumn<int>("expected"); // -1 nothing, 1 towards the user, 0 away

    const Qt::KeyboardModifiers none;
    QTest::newRow("one notch towards the user")
        << QPoint(0, -120) << none << Qt::MouseButtons() << 1;
    QTest::newRow("one notch away") << QPoint(0, 120) << none << Qt::MouseButtons() << 0;
    QTest::newRow("two notches towards") << QPoint(0, -240) << none << Qt::MouseButtons() << -1;
    QTest::newRow("two notches away") << QPoint(0, 240) << none << Qt::MouseButtons() << -1;
    QTest::newRow("fine-grained wheel") << QPoint(0, -40) << none << Qt::MouseButtons() << -1;
    QTest::newRow("sideways wheel") << QPoint(-120, 0) << none << Qt::MouseButtons() << -1;
    QTest::newRow("diagonal") << QPoint(120, -120) << none << Qt::MouseButtons() << -1;
    QTest::newRow("ctrl held") << QPoint(0, -120) << Qt::KeyboardModifiers(Qt::ControlModifier)
                               << Qt::MouseButtons() << -1;
    QTest::newRow("shift held") << QPoint(0, 120) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                << Qt::MouseButtons() << -1;
    QTest::newRow("left button held")
        << QPoint(0, -120) << none << Qt::MouseButtons(Qt::LeftButton) << -1;
    QTest::newRow("middle button held")
        << QPoint(0, 120) << none << Qt::MouseButtons(Qt::MiddleButton) << -1;
}

void TestMouseWheel::notches() {
    QFETCH(QPoint, angle);
    QFETCH(Qt::KeyboardModifiers, mods);
    QFETCH(Qt::MouseButtons, buttons);
    QFETCH(int, expected);
    CountingWindow window;
    auto* wheel = new MouseWheel(&window);
    QCOMPARE(wheel->objectName(), QStringLiteral("MouseWheel"));
    QSignalSpy moves(wheel, &MouseWheel::WheelMove);
    sendWheel(&window, angle, mods, buttons);
    QCOMPARE(moves.count(), expected < 0 ? 0 : 1);
    if (expected >= 0) QCOMPARE(moves[0][0].toBool(), expected == 1);
    // The window handled the event as it always would.
    QCOMPARE(window.wheels, 1);
}

void TestMouseWheel::otherWindowsAreNotWatched() {
    CountingWindow window, other;
    auto* wheel = new MouseWheel(&window);
    QSignalSpy moves(wheel, &MouseWheel::WheelMove);
    sendWheel(&other, QPoint(0, -120));
    QCOMPARE(moves.count(), 0);
    QCOMPARE(other.wheels, 1);
}

void TestMouseWheel::endsWithItsWindow() {
    CountingWindow window;
    auto* wheel = new MouseWheel(&window);
    QSignalSpy moves(wheel, &MouseWheel::WheelMove);
    delete wheel; // removes its watch; the window goes on alone
    sendWheel(&window, QPoint(0, -120));
    QCOMPARE(window.wheels, 1);
    // And a control whose window is gone first ends quietly.
    auto* window2 = new CountingWindow;
    auto* wheel2 = new MouseWheel(window2);
    QPointer<MouseWheel> watch(wheel2);
    delete window2;
    QVERIFY(watch.isNull());
}

QTEST_MAIN(TestMouseWheel)
#include "tst_mousewheel.moc"
