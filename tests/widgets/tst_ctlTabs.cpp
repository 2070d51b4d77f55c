// The tab strip as the main window sets it up (three tabs of 80 x 25 pixels): choosing tabs with
// the mouse and keys, selecting them from code, and the colours it draws with.
#include "widgets/ctlTabs.h"

#include "views/modColor.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

struct Strip {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    ctlTabs* tabs = new ctlTabs(window.get());

    Strip() {
        tabs->setTabs(3);
        tabs->setCaptions(
            {QStringLiteral("En bruto"), QStringLiteral("Tabla"), QStringLiteral("Diagrama")});
        tabs->setTabsWidth(80);
        tabs->setTabsHeight(25);
        tabs->setUseFocusRect(false);
        tabs->setGeometry(0, 0, 500, 300);
        window->resize(500, 300);
        window->show();
    }
};

// The middle of tab n (counted from 1) when tabs are 80 x 25 pixels along the top.
QPoint tabCentre(int n) {
    return {80 * (n - 1) + 40, 12};
}

} // namespace

class tst_ctlTabs : public QObject {
    Q_OBJECT

private slots:
    void defaultsOfANewStrip();
    void clickRaisesTabClick_data();
    void clickRaisesTabClick();
    void clicksOutsideTheTabs_data();
    void clicksOutsideTheTabs();
    void setSelectedTabIsQuiet_data();
    void setSelectedTabIsQuiet();
    void arrowKeysChoose();
    void fewerTabs();
    void tabFontsFollowTheControlUntilSet();
    void captions();
    void containerColour_data();
    void containerColour();
    void flatTabColours();
};

void tst_ctlTabs::defaultsOfANewStrip() {
    ctlTabs tabs;
    QCOMPARE(tabs.property("ScaleMode").toInt(), 1);
    QCOMPARE(tabs.TabsWidth(), 80);
    QCOMPARE(tabs.TabsHeight(), 25);
    QCOMPARE(tabs.SelectedTab(), 1);
    QCOMPARE(tabs.Style(), 0);
    QCOMPARE(tabs.CaptionAlignment(), 4);
    QVERIFY(tabs.Themed());
    QVERIFY(!tabs.FitContainers());
    QCOMPARE(tabs.TabColor(), SystemColor(16));
    QCOMPARE(tabs.TabColorActive(), SystemColor(15));
    QCOMPARE(tabs.TextColor(), SystemColor(20));
    QCOMPARE(tabs.TextColorActive(), SystemColor(18));
}

void tst_ctlTabs::clickRaisesTabClick_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("clicked");

    QTest::newRow("1 to 2") << 1 << 2;
    QTest::newRow("2 to 3") << 2 << 3;
    QTest::newRow("3 to 1") << 3 << 1;
    QTest::newRow("same tab again") << 2 << 2;
}

void tst_ctlTabs::clickRaisesTabClick() {
    QFETCH(int, start);
    QFETCH(int, clicked);
    Strip s;
    s.tabs->setSelectedTab(start);
    int selectedDuringEvent = 0;
    connect(s.tabs, &ctlTabs::TabClick, s.tabs,
            [&] { selectedDuringEvent = s.tabs->SelectedTab(); });
    QSignalSpy spy(s.tabs, &ctlTabs::TabClick);

    QTest::mouseClick(s.tabs, Qt::LeftButton, {}, tabCentre(clicked));

    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), start);
    QCOMPARE(spy.at(0).at(1).toInt(), clicked);
    QCOMPARE(selectedDuringEvent, clicked);
    QCOMPARE(s.tabs->SelectedTab(), clicked);
}

void tst_ctlTabs::clicksOutsideTheTabs_data() {
    QTest::addColumn<QPoint>("where");
    QTest::newRow("container area") << QPoint(100, 150);
    QTest::newRow("tab row right of the tabs") << QPoint(80 * 3 + 10, 12);
    QTest::newRow("just below tab 1") << QPoint(40, 25);
}

void tst_ctlTabs::clicksOutsideTheTabs() {
    QFETCH(QPoint, where);
    Strip s;
    QSignalSpy spy(s.tabs, &ctlTabs::TabClick);
    QTest::mouseClick(s.tabs, Qt::LeftButton, {}, where);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(s.tabs->SelectedTab(), 1);
}

void tst_ctlTabs::setSelectedTabIsQuiet_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("expected");
    QTest::newRow("3") << 3 << 3;
    QTest::newRow("2") << 2 << 2;
    QTest::newRow("0 ignored") << 0 << 1;
    QTest::newRow("4 ignored") << 4 << 1;
    QTest::newRow("negative ignored") << -1 << 1;
}

void tst_ctlTabs::setSelectedTabIsQuiet() {
    QFETCH(int, tab);
    QFETCH(int, expected);
    Strip s;
    QSignalSpy spy(s.tabs, &ctlTabs::TabClick);
    s.tabs->setSelectedTab(tab);
    QCOMPARE(s.tabs->SelectedTab(), expected);
    QCOMPARE(s.tabs->property("SelectedTab").toInt(), expected);
    QCOMPARE(spy.count(), 0);
}

void tst_ctlTabs::arrowKeysChoose() {
    Strip s;
    s.tabs->setFocus();
    QSignalSpy spy(s.tabs, &ctlTabs::TabClick);
    QTest::keyClick(s.tabs, Qt::Key_Right);
    QTest::keyClick(s.tabs, Qt::Key_Right);
    QTest::keyClick(s.tabs, Qt::Key_Right); // already the last tab: nothing
    QTest::keyClick(s.tabs, Qt::Key_Left);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(1).at(0).toInt(), 2);
    QCOMPARE(spy.at(1).at(1).toInt(), 3);
    QCOMPARE(s.tabs->SelectedTab(), 2);
}

void tst_ctlTabs::fewerTabs() {
    Strip s;
    s.tabs->setSelectedTab(3);
    s.tabs->setTabs(2);
    QCOMPARE(s.tabs->Tabs(), 2);
    QCOMPARE(s.tabs->SelectedTab(), 2);
    QSignalSpy spy(s.tabs, &ctlTabs::TabClick);
    QTest::mouseClick(s.tabs, Qt::LeftButton, {}, tabCentre(3)); // no third tab any more
    QCOMPARE(spy.count(), 0);
    s.tabs->setTabs(0);
    QCOMPARE(s.tabs->Tabs(), 1);
}

void tst_ctlTabs::tabFontsFollowTheControlUntilSet() {
    Strip s;
    QFont tahoma(QStringLiteral("Tahoma"), 8);
    s.window->setFont(tahoma);
    QCOMPARE(s.tabs->TabFont().family(), tahoma.family());
    QCOMPARE(s.tabs->TabFontActive().pointSize(), 8);
    QFont bold = tahoma;
    bold.setBold(true);
    s.tabs->setTabFontActive(bold);
    s.window->setFont(QFont(QStringLiteral("Courier New"), 11));
    QCOMPARE(s.tabs->TabFont().pointSize(), 11);
    QVERIFY(s.tabs->TabFontActive().bold());
    QCOMPARE(s.tabs->TabFontActive().pointSize(), 8);
}

void tst_ctlTabs::captions() {
    Strip s;
    QCOMPARE(s.tabs->Caption(1), QStringLiteral("En bruto"));
    QCOMPARE(s.tabs->Caption(3), QStringLiteral("Diagrama"));
    QCOMPARE(s.tabs->Caption(0), QString());
    QCOMPARE(s.tabs->Caption(4), QString());
    s.tabs->setCaption(2, QStringLiteral("Tabla 2"));
    s.tabs->setCaption(9, QStringLiteral("ignored"));
    QCOMPARE(s.tabs->Captions(), QStringList({"En bruto", "Tabla 2", "Diagrama"}));
}

void tst_ctlTabs::containerColour_data() {
    QTest::addColumn<bool>("themed");
    QTest::newRow("themed") << true;
    QTest::newRow("flat") << false;
}

void tst_ctlTabs::containerColour() {
    QFETCH(bool, themed);
    Strip s;
    s.tabs->setThemed(themed);
    const qint32 green = RGBColor(10, 200, 30);
    s.tabs->setTabColorActive(green);
    const QColor inside = s.tabs->grab().toImage().pixel(250, 160);
    if (themed) {
        // The style may shade the area; it must still be the chosen colour's.
        QVERIFY2(inside.green() > 2 * inside.red() && inside.green() > 2 * inside.blue(),
                 qPrintable(inside.name()));
    } else {
        QCOMPARE(inside, QColor(10, 200, 30));
    }
}

void tst_ctlTabs::flatTabColours() {
    Strip s;
    s.tabs->setThemed(false);
    s.tabs->setCaptions({"A", "B", "C"});
    s.tabs->setTabColor(RGBColor(200, 0, 0));
    s.tabs->setTabColorActive(RGBColor(0, 0, 200));
    s.tabs->setSelectedTab(2);
    const QImage image = s.tabs->grab().toImage();
    // Inside each tab, clear of its edges and of its centred one-letter caption.
    QCOMPARE(QColor(image.pixel(80 * 0 + 8, 8)), QColor(200, 0, 0));
    QCOMPARE(QColor(image.pixel(80 * 1 + 8, 8)), QColor(0, 0, 200));
    QCOMPARE(QColor(image.pixel(80 * 2 + 8, 8)), QColor(200, 0, 0));
}

QTEST_MAIN(tst_ctlTabs)
#include "tst_ctlTabs.moc"
