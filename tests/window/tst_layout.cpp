// How the main window lays itself out: margins at any size, the collapsible connection panel,
// the hideable operations panel and the tab strip bringing a view forward.
#include "WindowFixture.h"

#include "core/twips.h"
#include "views/RawLogView.h"
#include "widgets/ctlSplitter.h"
#include "widgets/ctlTabs.h"
#include "widgets/ucListView.h"
#include "window/fMain.h"

#include <QAction>
#include <QGroupBox>
#include <QtTest>

namespace {

QRect twips(const QWidget* w) {
    const QRect g = w->geometry();
    return {ov::pixelsToTwips(g.x()), ov::pixelsToTwips(g.y()), ov::pixelsToTwips(g.width()),
            ov::pixelsToTwips(g.height())};
}

} // namespace

class tst_Layout : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> fx;
    fMain* w = nullptr;

    template <class T> T* child(const char* name) {
        return w->findChild<T*>(QString::fromLatin1(name));
    }
    int clientWidth() { return ov::pixelsToTwips(w->centralWidget()->width()); }
    int clientHeight() { return ov::pixelsToTwips(w->centralWidget()->height()); }

private slots:
    void init() {
        fx = std::make_unique<WindowFixture>();
        fx->writeSettings({});
        w = &fx->start();
    }
    void cleanup() { fx.reset(); }

    void marginsFollowTheWindow_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("design") << QSize(680, 500);
        QTest::newRow("wide") << QSize(1100, 520);
        QTest::newRow("tall") << QSize(700, 760);
        QTest::newRow("small") << QSize(500, 260);
    }
    void marginsFollowTheWindow() {
        QFETCH(QSize, size);
        w->resize(size);
        QCoreApplication::processEvents();
        const QRect frame = twips(child<QGroupBox>("Frame1"));
        const QRect split = twips(child<ctlSplitter>("split"));
        QCOMPARE(frame.left(), 60);
        QCOMPARE(frame.top(), 60);
        QCOMPARE(frame.width(), clientWidth() - 120);
        QCOMPARE(split.left(), 60);
        QCOMPARE(split.width(), clientWidth() - 120);
        QCOMPARE(split.top(), frame.top() + frame.height() + 60);
        QCOMPARE(split.top() + split.height(), clientHeight() - 60);
        // The three views share one rectangle inside the view area, 90 twips in from its left.
        const QRect raw = twips(child<QWidget>("logf"));
        QCOMPARE(raw.left(), 90);
        QCOMPARE(raw.width(), twips(child<QWidget>("fr")).width() - 180);
        QCOMPARE(twips(child<ucListView>("lv")), raw);
        QCOMPARE(twips(child<QWidget>("pic")), raw);
    }

    void connectionPanelCollapsesAndExpands() {
        auto* frame = child<QGroupBox>("Frame1");
        const int designHeight = twips(frame).height();
        QCOMPARE(designHeight, 1575);
        QCOMPARE(frame->property("Tag").toString(), QStringLiteral("1575"));

        w->ConPanClose();
        QCOMPARE(frame->title(), QStringLiteral("[+]  Conexión"));
        QCOMPARE(twips(frame).height(), 225);
        QRect split = twips(child<ctlSplitter>("split"));
        QCOMPARE(split.top(), 60 + 225 + 60);
        QCOMPARE(split.top() + split.height(), clientHeight() - 60);

        w->ConPanOpen();
        QCOMPARE(frame->title(), QStringLiteral("[-]  Conexión"));
        QCOMPARE(twips(frame).height(), designHeight);
        split = twips(child<ctlSplitter>("split"));
        QCOMPARE(split.top(), 60 + designHeight + 60);
        QCOMPARE(split.top() + split.height(), clientHeight() - 60);
    }

    void clickOnThePanel_data() {
        QTest::addColumn<int>("y");
        QTest::addColumn<bool>("collapses");
        QTest::newRow("caption line") << 5 << true;
        QTest::newRow("at 240 twips") << 16 << true;
        QTest::newRow("below the caption") << 40 << false;
    }
    void clickOnThePanel() {
        QFETCH(int, y);
        QFETCH(bool, collapses);
        auto* frame = child<QGroupBox>("Frame1");
        auto* split = child<ctlSplitter>("split");
        auto* item = w->findChild<QAction*>(QStringLiteral("mViewConnectionPanel"));
        // Knock the splitter out of place: the click lays the window out again either way.
        split->move(split->x() + 30, split->y());
        QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(120, y));
        QCOMPARE(frame->title().startsWith(QLatin1String("[+]")), collapses);
        QCOMPARE(item->isChecked(), !collapses);
        QCOMPARE(twips(split).left(), 60);
        if (collapses) {
            QCOMPARE(twips(frame).height(), 225);
            QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(120, 5));
            QCOMPARE(twips(frame).height(), 1575);
            QVERIFY(item->isChecked());
        }
    }

    void operationsPanelClosesAndReopens() {
        auto* split = child<ctlSplitter>("split");
        auto* log = child<QWidget>("log");
        split->setMinSize1(1800);
        split->setSplitterPos(3000);
        w->LeftPanClose();
        QVERIFY(!log->isVisible());
        QVERIFY(!split->AllowResize());
        QCOMPARE(split->SplitterPos(), 0);
        // The view area takes the whole splitter.
        QVERIFY(twips(child<QWidget>("fr")).width() >= twips(split).width() - 120);
        w->LeftPanOpen();
        QVERIFY(log->isVisible());
        QVERIFY(split->AllowResize());
        QCOMPARE(split->SplitterPos(), 3000);
        QCOMPARE(split->MinSize1(), 1800);
    }

    void theSmallestWindowRaisesNothing() {
        const QRect before = twips(child<QWidget>("logf"));
        w->resize(1, 1);
        QCoreApplication::processEvents();
        w->Form_Resize();
        // The size keeper holds the window at its minimum of 7410 x 3735 twips.
        QVERIFY(ov::pixelsToTwips(w->width()) >= 7410 - 15);
        const QRect after = twips(child<QWidget>("logf"));
        QVERIFY(after.width() >= 0 && after.height() >= 0);
        QVERIFY(before.isValid());
    }

    void tabsBringTheirViewForward() {
        auto* tabs = child<ctlTabs>("tabs");
        auto* raw = child<RawLogView>("logf");
        auto* lv = child<ucListView>("lv");
        auto* pic = child<QWidget>("pic");
        raw->setText(QStringLiteral("1.2.3.4 - - [x] \"GET /a HTTP/1.0\" 200 5 \"-\" \"A\"\r\n"
                                    "5.6.7.8 - - [x] \"GET /b HTTP/1.0\" 200 5 \"-\" \"B\""));
        QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(120, 12));
        QCOMPARE(tabs->SelectedTab(), 2);
        QVERIFY(lv->isVisible() && !raw->isVisible() && !pic->isVisible());
        QCOMPARE(lv->Count(), 2);
        QCOMPARE(lv->SubItemText(1, 2), QStringLiteral("5.6.7.8"));

        // "Tabla" refills each time it is chosen, even when it was showing already.
        raw->setText(QStringLiteral("9.9.9.9 - - [x] \"GET /c HTTP/1.0\" 200 5 \"-\" \"C\""));
        w->tabs_TabClick(2, 2);
        QCOMPARE(lv->Count(), 1);
        QCOMPARE(lv->ItemText(0), QStringLiteral("/c"));

        QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(200, 12));
        QCOMPARE(tabs->SelectedTab(), 3);
        QVERIFY(pic->isVisible() && !lv->isVisible());
        QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(40, 12));
        QVERIFY(raw->isVisible() && !pic->isVisible());
    }
};

QTEST_MAIN(tst_Layout)
#include "tst_layout.moc"
