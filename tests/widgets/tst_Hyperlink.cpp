// The About box's hyperlink labels: their colour in each state, the pointer poll that notices
// the pointer has gone, and a click that announces and opens the address through the desktop.
#include "widgets/Hyperlink.h"

#include "core/ui_seam.h"
#include "views/modColor.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

// Collects the addresses the label asks the desktop to open, for the life of one test.
class OpenedUrls {
public:
    OpenedUrls() {
        ov::ui::Handler handler;
        handler.openUrl = [this](const QString& url) {
            urls.append(url);
            return true;
        };
        m_previous = ov::ui::setHandler(handler);
    }
    ~OpenedUrls() { ov::ui::setHandler(m_previous); }
    QStringList urls;

private:
    ov::ui::Handler m_previous;
};

const QColor kNormal(0, 0, 200);
const QColor kHot(200, 0, 0);
const QColor kDown(0, 150, 0);

struct Form {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    Hyperlink* link = new Hyperlink(window.get());

    Form() {
        link->setObjectName(QStringLiteral("Hyperlink1"));
        link->setCaption(QStringLiteral("Sitio web: www.orvalen.example"));
        link->setURL(QStringLiteral("http://www.orvalen.example/"));
        link->setColorNormal(FromQColor(kNormal));
        link->setColorHot(FromQColor(kHot));
        link->setColorDown(FromQColor(kDown));
        QFont font = link->font();
        font.setPixelSize(24);
        font.setBold(true);
        link->setFont(font);
        link->setGeometry(10, 10, 400, 40);
        window->resize(600, 300);
        window->show();
    }

    QPoint inside() const { return link->rect().center(); }
    // A point of the window outside the label: no leave event reaches the label by going there.
    QPoint outsideGlobal() const { return window->mapToGlobal(QPoint(500, 250)); }
};

// Whether some pixel of the label is exactly c.
bool shows(const Hyperlink* link, const QColor& c) {
    const QImage image = const_cast<Hyperlink*>(link)->grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (QColor(image.pixel(x, y)) == c) return true;
        }
    }
    return false;
}

} // namespace

class tst_Hyperlink : public QObject {
    Q_OBJECT

private slots:
    void defaults();
    void colourByState_data();
    void colourByState();
    void pollNoticesThePointerLeaving();
    void clickOpensTheAddress_data();
    void clickOpensTheAddress();
    void releaseOutsideIsNoClick();
    void showURL();
};

void tst_Hyperlink::defaults() {
    Hyperlink link;
    QCOMPARE(link.ClickResponse(), Hyperlink::kOpenURL);
    QVERIFY(link.HoverUnderline());
    auto* timer = link.findChild<QTimer*>(QStringLiteral("tmrMouse"));
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 50);
    QVERIFY(!timer->isActive());
    QVERIFY(link.CurrentState() == Hyperlink::State::Normal);
}

void tst_Hyperlink::colourByState_data() {
    QTest::addColumn<int>("state"); // 0 normal, 1 hot, 2 down
    QTest::addColumn<bool>("hoverUnderline");
    QTest::addColumn<QColor>("expected");
    QTest::addColumn<bool>("underlined");
    QTest::newRow("normal") << 0 << true << kNormal << false;
    QTest::newRow("hot, underlined") << 1 << true << kHot << true;
    QTest::newRow("hot, not underlined") << 1 << false << kHot << false;
    QTest::newRow("down") << 2 << true << kDown << false;
}

void tst_Hyperlink::colourByState() {
    QFETCH(int, state);
    QFETCH(bool, hoverUnderline);
    QFETCH(QColor, expected);
    QFETCH(bool, underlined);
    Form f;
    f.link->setHoverUnderline(hoverUnderline);
    QCursor::setPos(f.link->mapToGlobal(f.inside()));
    if (state >= 1) QTest::mouseMove(f.link, f.inside());
    if (state == 2) QTest::mousePress(f.link, Qt::LeftButton, {}, f.inside());

    QCOMPARE(int(f.link->CurrentState()), state);
    QCOMPARE(f.link->font().underline(), underlined);
    QVERIFY(shows(f.link, expected));
    for (const QColor& other : {kNormal, kHot, kDown}) {
        if (other != expected) QVERIFY(!shows(f.link, other));
    }
    if (state == 2) QTest::mouseRelease(f.link, Qt::RightButton, {}, f.inside());
}

void tst_Hyperlink::pollNoticesThePointerLeaving() {
    Form f;
    auto* timer = f.link->findChild<QTimer*>(QStringLiteral("tmrMouse"));
    QCursor::setPos(f.link->mapToGlobal(f.inside()));
    QTest::mouseMove(f.link, f.inside());
    QVERIFY(f.link->CurrentState() == Hyperlink::State::Hot);
    QVERIFY(timer->isActive());

    QCursor::setPos(f.outsideGlobal());
    QTRY_VERIFY_WITH_TIMEOUT(f.link->CurrentState() == Hyperlink::State::Normal, 5000);
    QVERIFY(!timer->isActive());
    QVERIFY(shows(f.link, kNormal));
}

void tst_Hyperlink::clickOpensTheAddress_data() {
    QTest::addColumn<int>("clickResponse");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QStringList>("expectedOpened");
    QTest::newRow("web site") << 1 << "http://www.orvalen.example/"
                              << QStringList{"http://www.orvalen.example/"};
    QTest::newRow("e-mail") << 1 << "mailto:soporte@orvalen.example"
                            << QStringList{"mailto:soporte@orvalen.example"};
    QTest::newRow("click only") << 0 << "http://www.orvalen.example/" << QStringList{};
    QTest::newRow("no address") << 1 << "" << QStringList{};
}

void tst_Hyperlink::clickOpensTheAddress() {
    QFETCH(int, clickResponse);
    QFETCH(QString, url);
    QFETCH(QStringList, expectedOpened);
    OpenedUrls opened;
    Form f;
    f.link->setClickResponse(clickResponse);
    f.link->setURL(url);
    QStringList order;
    connect(f.link, &Hyperlink::Click, f.link, [&] { order << "Click"; });
    connect(f.link, &Hyperlink::OpeningURL, f.link, [&](const QString& sURL) {
        QVERIFY(opened.urls.isEmpty()); // announced before it is opened
        order << "OpeningURL " + sURL;
    });

    QTest::mouseClick(f.link, Qt::LeftButton, {}, f.inside());

    QCOMPARE(opened.urls, expectedOpened);
    QStringList expectedOrder{"Click"};
    if (clickResponse == 1) expectedOrder << "OpeningURL " + url;
    QCOMPARE(order, expectedOrder);
}

void tst_Hyperlink::releaseOutsideIsNoClick() {
    OpenedUrls opened;
    Form f;
    QSignalSpy clicks(f.link, &Hyperlink::Click);
    QTest::mousePress(f.link, Qt::LeftButton, {}, f.inside());
    QVERIFY(f.link->CurrentState() == Hyperlink::State::Down);
    QTest::mouseRelease(f.link, Qt::LeftButton, {}, QPoint(-20, -20));
    QCOMPARE(clicks.count(), 0);
    QVERIFY(opened.urls.isEmpty());
    QVERIFY(f.link->CurrentState() == Hyperlink::State::Normal);
}

void tst_Hyperlink::showURL() {
    OpenedUrls opened;
    Hyperlink link;
    QVERIFY(link.ShowURL(QStringLiteral("http://a.example/")));
    QVERIFY(!link.ShowURL(QStringLiteral("  ")));
    QCOMPARE(opened.urls, QStringList{"http://a.example/"});
}

QTEST_MAIN(tst_Hyperlink)
#include "tst_Hyperlink.moc"
