// How the main window lays itself out: margins at any size (the size keeper holding its minimum),
// the collapsible connection panel, the hideable operations panel, the tab strip bringing a view
// forward, and the table as the window sets it up: its columns and the two colour options.
#include "WindowFixture.h"

#include "core/twips.h"
#include "views/RawLogView.h"
#include "widgets/ctlSplitter.h"
#include "widgets/ctlTabs.h"
#include "widgets/ucListView.h"
#include "window/fMain.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QTableView>
#include <QtTest>
#include <algorithm>

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
        QTest::newRow("below the minimum") << QSize(1, 1);
    }
    void marginsFollowTheWindow() {
        QFETCH(QSize, size);
        w->resize(size);
        QCoreApplication::processEvents();
        // The size keeper holds the window at 7410 x 3735 twips or more.
        QVERIFY(ov::pixelsToTwips(w->width()) >= 7410 - 15);
        QVERIFY(ov::pixelsToTwips(w->height()) >= 3735 - 15);
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

    void theTableHasItsColumns() {
        const auto* lv = child<ucListView>("lv");
        const std::pair<const char*, int> columns[] = {
            {"Archivo", 200}, {"Tamaño", 80}, {"Host", 150}, {"Agente", 400}};
        QCOMPARE(lv->ColumnCount(), 4);
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(lv->ColumnText(c), QString::fromUtf8(columns[c].first));
            QCOMPARE(lv->ColumnWidth(c), columns[c].second);
        }
    }

    // The "Opciones" items, chosen from the menu, repaint the table in their colours and are
    // stored. Rows 0 and 1 have the addresses 1.2.3.4 and 5.6.7.8; row 2 a host name.
    void optionsRecolourTheTable_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<bool>("alternate"); // rows 0 and 2 shaded, row 1 not
        QTest::addColumn<bool>("users");     // rows 0 and 1 in colours of their own, 2 plain
        QTest::newRow("as they start") << QString() << QString() << true << false;
        QTest::newRow("rows plain") << "mRowColors"
                                    << "rowcolors=0" << false << false;
        QTest::newRow("users coloured") << "mColorUsers"
                                        << "colorusers=1" << false << true;
    }
    void optionsRecolourTheTable() {
        QFETCH(QString, item);
        QFETCH(QString, setting);
        QFETCH(bool, alternate);
        QFETCH(bool, users);
        child<RawLogView>("logf")->setText(
            QStringLiteral("1.2.3.4 - - [x] \"GET /a HTTP/1.0\" 200 5 \"-\" \"A\"\r\n"
                           "5.6.7.8 - - [x] \"GET /b HTTP/1.0\" 200 5 \"-\" \"B\"\r\n"
                           "host.name - - [x] \"GET /c HTTP/1.0\" 200 5 \"-\" \"C\""));
        child<ctlTabs>("tabs")->setSelectedTab(2);
        w->tabs_TabClick(1, 2);
        if (!item.isEmpty()) w->findChild<QAction*>(item)->trigger();
        auto* table = child<ucListView>("lv")->Table();
        QVERIFY(QTest::qWaitForWindowExposed(table));
        const QImage image = table->viewport()->grab().toImage();
        // A row's background: the colour most pixels across it have.
        const auto background = [&](int row) {
            const int y = table->visualRect(table->model()->index(row, 0)).center().y();
            QMap<QRgb, int> seen;
            for (int x = 0; x < image.width(); ++x)
                ++seen[image.pixel(x, y)];
            return std::max_element(seen.begin(), seen.end()).key();
        };
        const QRgb base = image.pixel(4, image.height() - 4); // below the rows
        QCOMPARE(background(0) != base, alternate || users);
        QCOMPARE(background(1) != base, users);
        QCOMPARE(background(2) != base, alternate);
        if (users) QVERIFY(background(0) != background(1));
        QFile ini(fx->folder() + QStringLiteral("/ovclient.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        if (!setting.isEmpty()) QVERIFY(ini.readAll().contains(setting.toLatin1()));
    }
};

QTEST_MAIN(tst_Layout)
#include "tst_layout.moc"
