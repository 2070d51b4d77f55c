// The window size keeper on a main window: its limits hold the window's size, a second keeper
// warns once and gives way, and the window's moves, resizes, colour and style changes become the
// keeper's events.
#include "widgets/ucSizeSubclass.h"

#include "core/twips.h"
#include "core/ui_seam.h"

#include <QApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <memory>

using ov::twipsToPixels;

namespace {

struct Message {
    QString text;
    QString title;
    ov::ui::Icon icon;
};

// Counts the warning boxes instead of showing them, for the life of one test.
class MessageCounter {
public:
    MessageCounter() {
        ov::ui::Handler handler;
        handler.messageBox = [this](const QString& text, const QString& title, ov::ui::Icon icon) {
            shown.append({text, title, icon});
        };
        m_previous = ov::ui::setHandler(handler);
    }
    ~MessageCounter() { ov::ui::setHandler(m_previous); }
    QList<Message> shown;

private:
    ov::ui::Handler m_previous;
};

// A window with the main window's keeper and limits.
struct Form {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    ucSizeSubclass* keeper = new ucSizeSubclass(window.get());

    Form() {
        keeper->setObjectName(QStringLiteral("SizeSubclass"));
        keeper->setMinHeight(3735);
        keeper->setMaxHeight(6000);
        keeper->setMinWidth(7410);
        keeper->setMaxWidth(14000);
        window->resize(680, 340);
        window->show();
    }
};

} // namespace

class tst_ucSizeSubclass : public QObject {
    Q_OBJECT

private slots:
    void limitsHoldTheWindow_data();
    void limitsHoldTheWindow();
    void noMaximumAtZero();
    void secondKeeperWarnsAndGivesWay();
    void secondKeeperAddedLater();
    void disabledKeeperLiftsLimits();
    void moveAndSizeEvents_data();
    void moveAndSizeEvents();
    void colourAndThemeEvents();
    void displayFigures();
};

void tst_ucSizeSubclass::limitsHoldTheWindow_data() {
    QTest::addColumn<QSize>("asked");
    QTest::addColumn<QSize>("expected");
    const QSize min(twipsToPixels(7410), twipsToPixels(3735));
    const QSize max(twipsToPixels(14000), twipsToPixels(6000));
    QTest::newRow("tiny") << QSize(10, 10) << min;
    QTest::newRow("zero") << QSize(0, 0) << min;
    QTest::newRow("huge") << QSize(5000, 5000) << max;
    QTest::newRow("narrow and tall") << QSize(100, 390) << QSize(min.width(), 390);
    QTest::newRow("within") << QSize(700, 300) << QSize(700, 300);
}

void tst_ucSizeSubclass::limitsHoldTheWindow() {
    QFETCH(QSize, asked);
    QFETCH(QSize, expected);
    Form f;
    f.window->resize(asked);
    QCOMPARE(f.window->size(), expected);
    QCOMPARE(f.keeper->WatchedWindow(), f.window.get());
    QVERIFY(!f.keeper->isVisible());
}

void tst_ucSizeSubclass::noMaximumAtZero() {
    Form f;
    f.keeper->setMaxWidth(0);
    f.keeper->setMaxHeight(0);
    f.window->resize(1500, 1100);
    QCOMPARE(f.window->size(), QSize(1500, 1100));
    // The main window raises the limits to the screen's size at start-up.
    f.keeper->setMaxWidth(ov::pixelsToTwips(1200));
    f.keeper->setMaxHeight(ov::pixelsToTwips(900));
    QCOMPARE(f.window->size(), QSize(1200, 900));
}

void tst_ucSizeSubclass::secondKeeperWarnsAndGivesWay() {
    MessageCounter messages;
    Form f;
    QCOMPARE(messages.shown.size(), 0);
    auto* second = new ucSizeSubclass(f.window.get());
    second->setMinWidth(0);
    second->setMinHeight(0);

    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown[0].title, QStringLiteral("ucSizeSubclass"));
    QCOMPARE(messages.shown[0].text,
             QStringLiteral("     Only one Control Permitted Per Form!\r\n\r\n"
                            "SubClassing Wiil Be Disabled for SizeSubclass"));
    QVERIFY(messages.shown[0].icon == ov::ui::Icon::Exclamation);
    QVERIFY(!second->Enabled());
    QVERIFY(!second->property("Enabled").toBool());
    QCOMPARE(second->WatchedWindow(), nullptr);
    // The first keeper still holds the window.
    f.window->resize(10, 10);
    QCOMPARE(f.window->size(), QSize(twipsToPixels(7410), twipsToPixels(3735)));
    // Nothing the second one is told changes that.
    second->setMaxWidth(1);
    f.window->resize(700, 300);
    QCOMPARE(f.window->size(), QSize(700, 300));
    QCOMPARE(messages.shown.size(), 1);
}

void tst_ucSizeSubclass::secondKeeperAddedLater() {
    MessageCounter messages;
    Form f;
    auto* panel = new QWidget(f.window.get());
    auto* second = new ucSizeSubclass; // no window yet
    QVERIFY(second->Enabled());
    second->setParent(panel); // now on the same window, inside a panel
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY(!second->Enabled());
}

void tst_ucSizeSubclass::disabledKeeperLiftsLimits() {
    Form f;
    f.keeper->setEnabled(false);
    f.window->resize(100, 80);
    QCOMPARE(f.window->size(), QSize(100, 80));
    f.keeper->setEnabled(true);
    QCOMPARE(f.window->size(), QSize(twipsToPixels(7410), twipsToPixels(3735)));
}

void tst_ucSizeSubclass::moveAndSizeEvents_data() {
    QTest::addColumn<bool>("move");
    QTest::newRow("moving") << true;
    QTest::newRow("sizing") << false;
}

void tst_ucSizeSubclass::moveAndSizeEvents() {
    QFETCH(bool, move);
    Form f;
    QSignalSpy moving(f.keeper, &ucSizeSubclass::ParentMoving);
    QSignalSpy sizing(f.keeper, &ucSizeSubclass::ParentSizing);
    QSignalSpy finished(f.keeper, &ucSizeSubclass::FinishedSizeMove);
    if (move)
        f.window->move(f.window->pos() + QPoint(25, 15));
    else
        f.window->resize(f.window->size() + QSize(20, 10));
    QCOMPARE(moving.count() > 0, move);
    QCOMPARE(sizing.count() > 0, !move);
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.count(), 1);
}

void tst_ucSizeSubclass::colourAndThemeEvents() {
    Form f;
    QSignalSpy colours(f.keeper, &ucSizeSubclass::SysColorsChanged);
    QSignalSpy themeColours(f.keeper, &ucSizeSubclass::ThemeColorsChanged);
    QVERIFY(!f.keeper->SysColorChanged());
    QVERIFY(!f.keeper->SysThemeChanged());

    const QPalette original = QApplication::palette();
    QPalette changed = original;
    changed.setColor(QPalette::Button, QColor(1, 2, 3));
    QApplication::setPalette(changed);
    QTRY_VERIFY_WITH_TIMEOUT(f.keeper->SysColorChanged(), 5000);
    QVERIFY(colours.count() >= 1);
    QCOMPARE(themeColours.count(), 0); // no theme change came first
    QVERIFY(!f.keeper->SysThemeChanged());

    // A new style is a new theme, and brings its colours with it.
    const QString styleName = QApplication::style()->name();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    QTRY_VERIFY_WITH_TIMEOUT(f.keeper->SysThemeChanged(), 5000);
    QApplication::setPalette(original);
    QTRY_VERIFY_WITH_TIMEOUT(themeColours.count() >= 1, 5000);
    QApplication::setStyle(QStyleFactory::create(styleName));
}

void tst_ucSizeSubclass::displayFigures() {
    Form f;
    QScreen* screen = f.window->screen();
    QVERIFY(screen);
    QCOMPARE(f.keeper->DisplayWidth(), screen->geometry().width());
    QCOMPARE(f.keeper->DisplayHeight(), screen->geometry().height());
    QCOMPARE(f.keeper->DisplayColorDepth(), screen->depth());
    QVERIFY(!f.keeper->DisplayChanged());

    // The window learns of a new display the way Qt tells it.
    QSignalSpy display(f.keeper, &ucSizeSubclass::DisplayModeChanged);
    QEvent screenChange(QEvent::ScreenChangeInternal);
    QCoreApplication::sendEvent(f.window.get(), &screenChange);
    QCOMPARE(display.count(), 1);
    QVERIFY(f.keeper->DisplayChanged());
    QCOMPARE(f.keeper->DisplayWidth(), f.window->screen()->geometry().width());
}

QTEST_MAIN(tst_ucSizeSubclass)
#include "tst_ucSizeSubclass.moc"
