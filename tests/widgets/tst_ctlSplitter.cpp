// The splitter as the main window uses it: the operations panel "log" on the left, the view area
// "fr" on the right, the bar 2307 twips from the left whatever the width (Maintain 0), the child
// size limits, hiding the bar, the list view's overlap and dragging the bar.
#include "widgets/ctlSplitter.h"

#include "core/twips.h"
#include "widgets/ucListView.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>

using ov::pixelsToTwips;
using ov::twipsToPixels;

namespace {

constexpr QPoint kOrigin(4, 60); // where the splitter stands in its window

// A window holding the splitter and its two named siblings; the splitter is created last, in
// front of them, as a form designer would leave it.
struct Form {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QWidget* log;
    QWidget* fr;
    ctlSplitter* split;

    explicit Form(bool listViewOnTheRight = false) {
        log = new QWidget(window.get());
        log->setObjectName(QStringLiteral("log"));
        fr = listViewOnTheRight ? static_cast<QWidget*>(new ucListView(window.get()))
                                : new QWidget(window.get());
        fr->setObjectName(QStringLiteral("fr"));
        split = new ctlSplitter(window.get());
        split->setObjectName(QStringLiteral("split"));
        window->resize(1200, 700);
        window->show();
    }

    // The main window's settings.
    void mainWindowSettings() {
        split->setChild1(QStringLiteral("log"));
        split->setChild2(QStringLiteral("fr"));
        split->setOrientation(0);
        split->setMaintain(0);
        split->setSplitterPos(2307);
        split->setRatioFromTop(0.25f);
        split->setMaxSizeAppliesTo(1);
        split->setMinSize1(1500);
    }

    void size(int width, int height = 400) { split->setGeometry({kOrigin, QSize(width, height)}); }
};

} // namespace

class tst_ctlSplitter : public QObject {
    Q_OBJECT

private slots:
    void defaultsOfANewSplitter();
    void mainWindowKeepsPosition_data();
    void mainWindowKeepsPosition();
    void limits_data();
    void limits();
    void ratioWithMaintain1_data();
    void ratioWithMaintain1();
    void stacked();
    void resizeEventAfterLayout();
    void allowResizeHidesBar();
    void closeAndReopenLeftPanel();
    void listViewOverlap();
    void childrenStayInFront();
    void ownChildren();
    void dragTheBar_data();
    void dragTheBar();
    void dragWithoutLiveUpdate();
    void unknownChildNames();
};

void tst_ctlSplitter::defaultsOfANewSplitter() {
    ctlSplitter s;
    QCOMPARE(s.BorderStyle(), 0);
    QCOMPARE(s.SplitterAppearance(), 1);
    QCOMPARE(s.SplitterBorder(), 1);
    QCOMPARE(s.Orientation(), 0);
    QCOMPARE(s.SplitterSize(), 75);
    QCOMPARE(s.Maintain(), 1);
    QCOMPARE(s.MaxSizeAppliesTo(), 0);
    QCOMPARE(s.MinSize1(), 255);
    QCOMPARE(s.MinSize2(), 255);
    QCOMPARE(s.MinSizeAux(), 255);
    QVERIFY(s.AllowResize());
    QVERIFY(s.LiveUpdate());
    QCOMPARE(s.Child1(), QString());
    QCOMPARE(s.Child2(), QString());
    QCOMPARE(s.property("MaxSize").toInt(), 0);
}

void tst_ctlSplitter::mainWindowKeepsPosition_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("design size") << 670 << 340;
    QTest::newRow("wide") << 1150 << 500;
    QTest::newRow("narrow") << 400 << 200;
}

void tst_ctlSplitter::mainWindowKeepsPosition() {
    QFETCH(int, width);
    QFETCH(int, height);
    Form f;
    f.mainWindowSettings();
    f.size(900, 300);
    f.size(width, height);

    const int bar = twipsToPixels(2307);
    QCOMPARE(f.split->CurrSplitterPos(), 2307);
    QCOMPARE(f.log->geometry(), QRect(kOrigin, QSize(bar, height)));
    const int frLeft = kOrigin.x() + bar + twipsToPixels(75);
    QCOMPARE(f.fr->geometry(), QRect(frLeft, kOrigin.y(), kOrigin.x() + width - frLeft, height));
}

void tst_ctlSplitter::limits_data() {
    QTest::addColumn<int>("width");    // pixels
    QTest::addColumn<int>("pos");      // twips
    QTest::addColumn<int>("minSize1"); // twips
    QTest::addColumn<int>("minSize2"); // twips
    QTest::addColumn<int>("maxSize");  // twips
    QTest::addColumn<int>("appliesTo");
    QTest::addColumn<int>("expected"); // twips

    // 200 pixels are 3000 twips; the bar takes 75 of them.
    QTest::newRow("within limits") << 200 << 2000 << 1500 << 255 << 0 << 0 << 2000;
    QTest::newRow("below MinSize1") << 200 << 100 << 1500 << 255 << 0 << 0 << 1500;
    QTest::newRow("second child too small")
        << 200 << 2900 << 1500 << 255 << 0 << 0 << 3000 - 75 - 255;
    QTest::newRow("MinSize1 wins over MinSize2") << 100 << 2307 << 1500 << 255 << 0 << 0 << 1500;
    QTest::newRow("MaxSize of Child1") << 400 << 5000 << 0 << 0 << 3000 << 0 << 3000;
    QTest::newRow("MaxSize of Child2") << 400 << 300 << 0 << 0 << 3000 << 1 << 6000 - 75 - 3000;
    QTest::newRow("MinSize1 wins over MaxSize") << 400 << 5000 << 4000 << 0 << 3000 << 0 << 4000;
    QTest::newRow("no limits at 0") << 400 << 0 << 0 << 0 << 0 << 0 << 0;
}

void tst_ctlSplitter::limits() {
    QFETCH(int, width);
    QFETCH(int, pos);
    QFETCH(int, minSize1);
    QFETCH(int, minSize2);
    QFETCH(int, maxSize);
    QFETCH(int, appliesTo);
    QFETCH(int, expected);
    Form f;
    f.mainWindowSettings();
    f.split->setMinSize1(minSize1);
    f.split->setMinSize2(minSize2);
    f.split->setMaxSize(maxSize);
    f.split->setMaxSizeAppliesTo(appliesTo);
    f.split->setSplitterPos(pos);
    f.size(width);

    QCOMPARE(f.split->CurrSplitterPos(), expected);
    QCOMPARE(f.split->SplitterPos(), pos); // the desired position is kept
    QCOMPARE(f.log->width(), twipsToPixels(expected));
    QCOMPARE(f.fr->x(), kOrigin.x() + twipsToPixels(expected) + twipsToPixels(75));
    QVERIFY(f.fr->width() >= 0);
}

void tst_ctlSplitter::ratioWithMaintain1_data() {
    QTest::addColumn<float>("ratio");
    QTest::addColumn<int>("width");
    QTest::newRow("quarter of 800") << 0.25f << 800;
    QTest::newRow("half of 600") << 0.5f << 600;
    QTest::newRow("two thirds of 900") << 0.666f << 900;
}

void tst_ctlSplitter::ratioWithMaintain1() {
    QFETCH(float, ratio);
    QFETCH(int, width);
    Form f;
    f.mainWindowSettings();
    f.split->setMaintain(1);
    f.split->setMinSize1(0);
    f.split->setRatioFromTop(ratio);
    f.size(width);
    const int expected = qRound(ratio * pixelsToTwips(width));
    QCOMPARE(f.split->CurrSplitterPos(), expected);
    QCOMPARE(f.log->width(), twipsToPixels(expected));
    QVERIFY(qAbs(f.split->CurrRatioFromTop() - ratio) < 0.001f);
}

void tst_ctlSplitter::stacked() {
    Form f;
    f.mainWindowSettings();
    f.split->setOrientation(1);
    f.size(300, 500);
    const int bar = twipsToPixels(2307);
    QCOMPARE(f.log->geometry(), QRect(kOrigin, QSize(300, bar)));
    QCOMPARE(f.fr->geometry(), QRect(kOrigin.x(), kOrigin.y() + bar + 5, 300, 500 - bar - 5));
}

void tst_ctlSplitter::resizeEventAfterLayout() {
    Form f;
    f.mainWindowSettings();
    f.size(600);
    QList<QRect> seen;
    connect(f.split, &ctlSplitter::Resize, f.split, [&] { seen.append(f.fr->geometry()); });

    f.size(700);
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.last().right(), kOrigin.x() + 700 - 1); // children already placed

    f.split->setSplitterPos(3000);
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen.last().left(), kOrigin.x() + twipsToPixels(3000) + 5);
}

void tst_ctlSplitter::allowResizeHidesBar() {
    Form f;
    f.mainWindowSettings();
    f.size(600);
    auto* bar = f.split->findChild<QWidget*>(QStringLiteral("SplitterBar"));
    QVERIFY(bar);
    QVERIFY(bar->isVisible());
    QCOMPARE(f.split->BarRect(), QRect(twipsToPixels(2307), 0, 5, 400));

    f.split->setAllowResize(false);
    QVERIFY(!bar->isVisible());
    QVERIFY(f.split->BarRect().isEmpty());
    // Without a bar the second child starts where the first ends.
    QCOMPARE(f.fr->x(), f.log->geometry().right() + 1);

    f.split->setAllowResize(true);
    QVERIFY(bar->isVisible());
    QCOMPARE(f.fr->x(), f.log->geometry().right() + 1 + 5);
}

void tst_ctlSplitter::closeAndReopenLeftPanel() {
    Form f;
    f.mainWindowSettings();
    f.size(600);
    const QRect logBefore = f.log->geometry();
    const QRect frBefore = f.fr->geometry();

    // What the window does to close the operations panel, then to open it again.
    const int savedPos = f.split->SplitterPos();
    const int savedMin = f.split->MinSize1();
    f.split->setMinSize1(0);
    f.split->setSplitterPos(0);
    f.split->setAllowResize(false);
    f.log->hide();
    QCOMPARE(f.fr->geometry(), QRect(kOrigin, QSize(600, 400)));

    f.split->setSplitterPos(savedPos);
    f.split->setMinSize1(savedMin);
    f.split->setAllowResize(true);
    f.log->show();
    QCOMPARE(f.split->SplitterPos(), 2307);
    QCOMPARE(f.split->MinSize1(), 1500);
    QCOMPARE(f.log->geometry(), logBefore);
    QCOMPARE(f.fr->geometry(), frBefore);
}

void tst_ctlSplitter::listViewOverlap() {
    Form f(true);
    f.mainWindowSettings();
    f.size(600);
    const int left = kOrigin.x() + twipsToPixels(2307) + 5;
    // One pixel (15 twips) beyond its area on every side.
    QCOMPARE(f.fr->geometry(),
             QRect(left - 1, kOrigin.y() - 1, kOrigin.x() + 600 - left + 2, 400 + 2));
    QCOMPARE(f.log->geometry(), QRect(kOrigin, QSize(twipsToPixels(2307), 400)));
}

void tst_ctlSplitter::childrenStayInFront() {
    Form f;
    f.mainWindowSettings();
    f.size(600);
    const QObjectList order = f.window->children();
    QVERIFY(order.indexOf(f.split) < order.indexOf(f.log));
    QVERIFY(order.indexOf(f.split) < order.indexOf(f.fr));
    // A click in the middle of a child reaches the child, not the splitter.
    const QPoint inLog = f.log->geometry().center();
    QCOMPARE(f.window->childAt(inLog), f.log);
}

void tst_ctlSplitter::ownChildren() {
    QWidget window;
    auto* split = new ctlSplitter(&window);
    auto* a = new QWidget(split);
    a->setObjectName(QStringLiteral("a"));
    auto* b = new QWidget(split);
    b->setObjectName(QStringLiteral("b"));
    split->setChild1(QStringLiteral("a"));
    split->setChild2(QStringLiteral("b"));
    split->setMaintain(0);
    split->setSplitterPos(1500);
    split->setGeometry(30, 30, 300, 200);
    window.show();
    QCOMPARE(a->geometry(), QRect(0, 0, 100, 200));
    QCOMPARE(b->geometry(), QRect(105, 0, 195, 200));
}

void tst_ctlSplitter::dragTheBar_data() {
    QTest::addColumn<int>("shift"); // pixels
    QTest::addColumn<int>("expected");
    QTest::newRow("right") << 50 << 2307 + 50 * 15 - (2307 % 15);
    QTest::newRow("left into MinSize1") << -100 << 1500;
    QTest::newRow("far right into MinSize2") << 1000 << 9000 - 75 - 255;
}

void tst_ctlSplitter::dragTheBar() {
    QFETCH(int, shift);
    QFETCH(int, expected);
    Form f;
    f.mainWindowSettings();
    f.size(600); // 9000 twips
    auto* bar = f.split->findChild<QWidget*>(QStringLiteral("SplitterBar"));
    QSignalSpy resized(f.split, &ctlSplitter::Resize);

    const QPoint grip(2, 100);
    QTest::mousePress(bar, Qt::LeftButton, {}, grip);
    QTest::mouseMove(bar, grip + QPoint(shift, 0));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, grip + QPoint(shift, 0));

    QCOMPARE(f.split->SplitterPos(), expected);
    QCOMPARE(f.split->CurrSplitterPos(), expected);
    QCOMPARE(f.log->width(), twipsToPixels(expected));
    QVERIFY(resized.count() >= 1);
}

void tst_ctlSplitter::dragWithoutLiveUpdate() {
    Form f;
    f.mainWindowSettings();
    f.split->setLiveUpdate(false);
    f.size(600);
    auto* bar = f.split->findChild<QWidget*>(QStringLiteral("SplitterBar"));
    const int logWidth = f.log->width();

    const QPoint grip(2, 100);
    QTest::mousePress(bar, Qt::LeftButton, {}, grip);
    QTest::mouseMove(bar, grip + QPoint(40, 0));
    auto* ghost = f.window->findChild<QWidget*>(QStringLiteral("SplitterGhost"));
    QVERIFY(ghost);
    QVERIFY(ghost->isVisible());
    QCOMPARE(ghost->x(), f.split->x() + bar->x() + 40);
    QCOMPARE(f.log->width(), logWidth); // nothing moves before the release

    QTest::mouseRelease(bar, Qt::LeftButton, {}, grip + QPoint(40, 0));
    QCOMPARE(f.log->width(), logWidth + 40);
    QTRY_VERIFY_WITH_TIMEOUT(!f.window->findChild<QWidget*>(QStringLiteral("SplitterGhost")), 5000);
}

void tst_ctlSplitter::unknownChildNames() {
    Form f;
    f.split->setChild1(QStringLiteral("nothing"));
    f.split->setChild2(QStringLiteral("split")); // itself: not a child
    f.size(500);
    f.split->setSplitterPos(100);
    QCOMPARE(f.split->geometry(), QRect(kOrigin, QSize(500, 400)));
}

QTEST_MAIN(tst_ctlSplitter)
#include "tst_ctlSplitter.moc"
