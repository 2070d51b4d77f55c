// The simple diagram and the operator's handles on it: where hosts, request lists, size tags,
// lines and the server node are drawn (checked on the record of drawn items and on pixels), zoom
// by button and wheel, rotation by dragging, mode and bandwidth switches, the tool buttons and
// markers, and the rule that nothing is drawn while another tab is shown.
#include "core/ansi.h"
#include "views/DiagramController.h"
#include "views/DiagramDrawing.h"
#include "views/DiagramPictures.h"
#include "views/MouseWheel.h"
#include "views/PictureBox.h"
#include "views/modColor.h"
#include "views/modUserColor.h"

#include <QAction>
#include <QApplication>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>

namespace {

const QString kTemplate = QStringLiteral("000.000.000.000");
constexpr double kPi = 3.141592648;

QString logLine(const QString& host, const QString& path, const QString& size = "512") {
    return host + QStringLiteral(" - - [17/May/2015:10:05:03 +0000] \"GET ") + path +
           QStringLiteral(" HTTP/1.1\" 200 ") + size + QStringLiteral(" \"-\" \"Agent/1.0\"");
}

QString joinLines(const QStringList& lines) {
    return lines.join(QStringLiteral("\r\n"));
}

qint32 plain(qint32 color) {
    return TranslateColor(color);
}

qint32 colorAt(const PictureBox& pic, double x, double y) {
    const QRgb p = pic.Image().pixel(int(std::lround(x)), int(std::lround(y)));
    return RGBColor(qRed(p), qGreen(p), qBlue(p));
}

// What was drawn for one host, in drawing order.
struct HostDrawing {
    std::vector<DrawnItem> list; // request texts and tag boxes and texts
    DrawnItem box, name, line;
    std::vector<DrawnItem> after; // between the name and the line
};

struct Drawing {
    std::vector<HostDrawing> hosts;
    std::vector<DrawnItem> server; // what follows the last host
};

Drawing split(const std::vector<DrawnItem>& drawn) {
    Drawing out;
    std::vector<DrawnItem> pending;
    for (const DrawnItem& item : drawn) {
        if (item.kind != DrawnItem::Kind::Line) {
            pending.push_back(item);
            continue;
        }
        HostDrawing h;
        size_t i = 0;
        for (; i < pending.size() && pending[i].kind != DrawnItem::Kind::RoundRect; ++i)
            h.list.push_back(pending[i]);
        if (i + 1 < pending.size()) {
            h.box = pending[i];
            h.name = pending[i + 1];
            h.after.assign(pending.begin() + qsizetype(i) + 2, pending.end());
        }
        h.line = item;
        out.hosts.push_back(h);
        pending.clear();
    }
    out.server = pending;
    return out;
}

QStringList texts(const std::vector<DrawnItem>& items) {
    QStringList out;
    for (const DrawnItem& i : items)
        if (i.kind == DrawnItem::Kind::Text) out << i.text;
    return out;
}

// The window's side of the diagram: a window holding the surface, the log text, the tab state.
struct Diagram {
    QWidget window;
    PictureBox* pic;
    QString text;
    // The text as the raw view would hold it: the same LogText while `text` is unchanged.
    LogText logText() {
        if (text != held || logBytes.IsEmpty() != text.isEmpty()) {
            held = text;
            logBytes = LogText(ov::toAnsi(text));
        }
        return logBytes;
    }
    QString held;
    LogText logBytes;
    bool selected = true;
    QImage pointer, pointerDragging;
    std::unique_ptr<DiagramController> c;

    explicit Diagram(QSize size = QSize(800, 600)) {
        pic = new PictureBox(&window);
        window.resize(size);
        pic->resize(size);
        pic->setRecording(true);
        pic->SetStretchBltMode(PictureBox::kStretchHalftone);
        pointer = LoadDiagramPicture(DiagramPicture::Pointer);
        pointerDragging = LoadDiagramPicture(DiagramPicture::PointerDragging);
        DiagramInputs in;
        in.logText = [this] { return logText(); };
        in.diagramSelected = [this] { return selected; };
        in.serverPicture = LoadDiagramPicture(DiagramPicture::Server);
        in.pointer = pointer;
        in.pointerDragging = pointerDragging;
        c = std::make_unique<DiagramController>(pic, in, &window);
        c->pic_MouseUp(0, 0, 0, 0); // as the window's start-up does: the pointer shows
    }
    Drawing draw(const QString& log) {
        text = log;
        c->DrawPic();
        return split(pic->Drawn());
    }
    bool show() {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
    template <class T> T* child(const char* name) const {
        return window.findChild<T*>(QString::fromLatin1(name));
    }
    float zoom() const { return pic->FontSize(); }
};

// Where the ring puts host i of n: the top-left corner of its name.
QPointF expectedPosition(const PictureBox& pic, const QString& host, int i, int n,
                         double rotation) {
    const double rx = pic.ScaleWidth() / 2.0 - pic.TextWidth(kTemplate);
    const double ry = pic.ScaleHeight() / 2.0 - pic.TextHeight(kTemplate);
    const double a = rotation + 2 * kPi * i / n;
    return {rx * std::cos(a) + rx + pic.TextWidth(host) - pic.TextWidth(kTemplate) / 2,
            0.75 * ry * std::sin(a) + ry - 0.25 * ry + 20};
}

bool near(QPointF a, QPointF b) {
    return std::abs(a.x() - b.x()) < 0.01 && std::abs(a.y() - b.y()) < 0.01;
}

void sendWheel(QWidget* to, QPoint angle, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const QPointF pos(20, 20);
    QWheelEvent e(pos, to->mapToGlobal(pos), QPoint(), angle, Qt::NoButton, mods, Qt::NoScrollPhase,
                  false);
    QApplication::sendEvent(to, &e);
}

} // namespace

class TestDiagram : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void controls();
    void oneHostStandsRightOfCentre();
    void ring_data();
    void ring();
    void requestList_data();
    void requestList();
    void fading();
    void sizeTags_data();
    void sizeTags();
    void noTagsWhenOff();
    void penWidth_data();
    void penWidth();
    void serverNode_data();
    void serverNode();
    void morePaletteThanHosts();
    void notSelectedChangesNothing();
    void textChanges();
    void grownTextIsTakenIn_data();
    void grownTextIsTakenIn();
    void zoomByButton_data();
    void zoomByButton();
    void zoomByWheel_data();
    void zoomByWheel();
    void dragging_data();
    void dragging();
    void modeAndBandwidth();
    void hoverMarker();
    void keptDrawingMoves_data();
    void keptDrawingMoves();
};

void TestDiagram::initTestCase() {
    QVERIFY(EnsureTahomaFont());
    InitUserColors();
}

void TestDiagram::controls() {
    Diagram d(QSize(640, 400));
    const QStringList tips{
        QStringLiteral("Mostrar ancho de banda"), QStringLiteral("Mostrar información geográfica"),
        QStringLiteral("Aumentar diagrama"), QStringLiteral("Disminuir diagrama")};
    for (int i = 0; i < 4; ++i) {
        auto* tool = d.child<QWidget>(qPrintable(QStringLiteral("tool%1").arg(i)));
        QVERIFY(tool);
        QCOMPARE(tool->parentWidget(), d.pic);
        QCOMPARE(tool->size(), QSize(16, 16));
        QCOMPARE(tool->toolTip(), tips[i]);
        QCOMPARE(tool->y(), 16);
    }
    QCOMPARE(d.child<QWidget>("tool0")->x(), 16);
    QCOMPARE(d.child<QWidget>("tool1")->x(), 40);
    // The zoom buttons keep to the top right.
    QCOMPARE(d.child<QWidget>("tool3")->x(), 640 - 8 - 16);
    QCOMPARE(d.child<QWidget>("tool2")->x(), 640 - 8 - 16 - 8 - 16);
    d.pic->resize(500, 300);
    d.c->pic_Resize();
    QCOMPARE(d.child<QWidget>("tool3")->x(), 500 - 8 - 16);
    QCOMPARE(d.child<QWidget>("tool2")->x(), 500 - 8 - 16 - 8 - 16);

    for (const char* name : {"sel0", "sel1"})
        QVERIFY(!d.child<QWidget>(name)->isVisibleTo(d.pic));
    QCOMPARE(d.child<QWidget>("sel0")->geometry(), QRect(13, 14, 20, 20));
    QCOMPARE(d.child<QWidget>("sel1")->geometry(), QRect(38, 14, 20, 20));
    QCOMPARE(d.child<QWidget>("ssel")->size(), QSize(25, 25));
    QCOMPARE(d.child<QTimer>("tmrZoom0")->interval(), 100);
    QCOMPARE(d.child<QTimer>("tmrZoom1")->interval(), 100);
    QCOMPARE(d.child<QTimer>("tmrDraw")->interval(), 10);
    for (const char* t : {"tmrZoom0", "tmrZoom1", "tmrDraw"})
        QVERIFY(!d.child<QTimer>(t)->isActive());

    auto* simple = d.child<QAction>("mDiagramMode0");
    auto* extended = d.child<QAction>("mDiagramMode1");
    auto* bandwidth = d.child<QAction>("mShowBandWidth");
    QCOMPARE(simple->text(), QStringLiteral("Diagrama simple"));
    QCOMPARE(extended->text(), QStringLiteral("Diagrama extendido (información geográfica)"));
    QCOMPARE(bandwidth->text(), QStringLiteral("Mostrar ancho de banda (en diagrama)"));
    QVERIFY(simple->isChecked() && !extended->isChecked() && !bandwidth->isChecked());
    QCOMPARE(d.c->DiagramMode(), qint16(0));
    QCOMPARE(d.c->RotationOffset(), 0.0);
    QCOMPARE(d.zoom(), 8.25f);
}

void TestDiagram::oneHostStandsRightOfCentre() {
    Diagram d;
    const QString host = QStringLiteral("192.168.0.7");
    const Drawing drawn = d.draw(logLine(host, QStringLiteral("/img/logo.gif"), "2048"));
    QCOMPARE(int(drawn.hosts.size()), 1);
    const HostDrawing& h = drawn.hosts[0];
    const PictureBox& pic = *d.pic;
    QCOMPARE(h.name.text, host);
    QVERIFY(h.name.bold && h.name.underline && !h.name.italic);
    QVERIFY(h.name.rect.x() > pic.ScaleWidth() / 2.0);
    QVERIFY(near(h.name.rect.topLeft(), expectedPosition(pic, host, 0, 1, 0)));
    // Box around the name, in the host's colour.
    const qint32 color = UserColors(UserIndex(host));
    const QPointF p = h.name.rect.topLeft();
    const double w = pic.TextWidth(host);
    QCOMPARE(h.box.rect, QRectF(QPointF(std::nearbyint(p.x() - 5), std::nearbyint(p.y() - 5)),
                                QPointF(std::nearbyint(p.x() + w + 10),
                                        std::nearbyint(p.y() + pic.TextHeight(host) + 5))));
    QCOMPARE(h.box.color, color);
    QCOMPARE(h.box.fillColor, color);
    QCOMPARE(colorAt(pic, p.x() - 3, p.y() + 3), color);
    QCOMPARE(plain(h.name.color), plain(SystemColor(18)));
    // The line leaves the centre for the name's left end (the side facing the centre).
    QCOMPARE(h.line.line.p1(), QPointF(pic.ScaleWidth() / 2.0, pic.ScaleHeight() / 2.0));
    QVERIFY(near(h.line.line.p2(), p + QPointF(0, pic.TextHeight(kTemplate))));
    QCOMPARE(h.line.color, color);
    const QPointF onLine = h.line.line.pointAt(0.6);
    bool lineThere = false;
    for (int k = -1; k <= 1; ++k)
        lineThere |= colorAt(pic, onLine.x(), onLine.y() + k) == color;
    QVERIFY(lineThere);
    // The request below the box, in button text.
    QCOMPARE(texts(h.list), QStringList{QStringLiteral("/img/logo.gif")});
    QCOMPARE(h.list[0].rect.topLeft(),
             QPointF(p.x(), float(p.y() + pic.TextHeight(kTemplate) + 10)));
}

void TestDiagram::ring_data() {
    QTest::addColumn<QStringList>("lineHosts"); // host of each log line, in log order
    QTest::addColumn<QStringList>("order");     // the hosts of the ring, in order
    QTest::newRow("two") << QStringList{"10.0.0.1", "10.0.0.2"}
                         << QStringList{"10.0.0.1", "10.0.0.2"};
    QTest::newRow("first seen order")
        << QStringList{"b.example", "a.example", "b.example", "c.example", "a.example"}
        << QStringList{"b.example", "a.example", "c.example"};
    QTest::newRow("letter case makes another host") << QStringList{"Host.example", "host.example"}
                                                    << QStringList{"Host.example", "host.example"};
    QTest::newRow("seven") << QStringList{"1.1.1.1", "2.2.2.2", "3.3.3.3", "4.4.4.4",
                                          "5.5.5.5", "6.6.6.6", "7.7.7.7"}
                           << QStringList{"1.1.1.1", "2.2.2.2", "3.3.3.3", "4.4.4.4",
                                          "5.5.5.5", "6.6.6.6", "7.7.7.7"};
}

void TestDiagram::ring() {
    QFETCH(QStringList, lineHosts);
    QFETCH(QStringList, order);
    Diagram d;
    QStringList lines;
    for (const QString& h : lineHosts)
        lines << logLine(h, QStringLiteral("/"));
    lines << QString() << QStringLiteral("garbage without a host") << QStringLiteral("x");
    const Drawing drawn = d.draw(joinLines(lines));
    QCOMPARE(int(drawn.hosts.size()), order.size());
    for (int i = 0; i < order.size(); ++i) {
        QCOMPARE(drawn.hosts[size_t(i)].name.text, order[i]);
        QVERIFY2(near(drawn.hosts[size_t(i)].name.rect.topLeft(),
                      expectedPosition(*d.pic, order[i], i, int(order.size()), 0)),
                 qPrintable(order[i]));
        // The line attaches to the side of the name that faces the centre.
        const QPointF p = drawn.hosts[size_t(i)].name.rect.topLeft();
        const double attach =
            p.x() > d.pic->ScaleWidth() / 2.0 ? p.x() : p.x() + d.pic->TextWidth(order[i]);
        QCOMPARE(drawn.hosts[size_t(i)].line.line.x2(), float(attach));
    }
}

void TestDiagram::requestList_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QStringList>("listed");

    const QString a = QStringLiteral("10.0.0.1"), b = QStringLiteral("10.0.0.2");
    QTest::newRow("a host seen twice lists all its requests")
        << QStringList{logLine(a, "/first"), logLine(b, "/other"), logLine(a, "/second")} << a
        << QStringList{"/first", "/second"};
    QStringList nine, eight;
    for (int k = 1; k <= 9; ++k) {
        nine << logLine(a, QStringLiteral("/page%1").arg(k));
        if (k <= 8) eight << QStringLiteral("/page%1").arg(k);
    }
    QTest::newRow("nine requests list the first eight") << nine << a << eight;
    QTest::newRow("a request without a path takes an empty line")
        << QStringList{logLine(a, "/before"),
                       a + QStringLiteral(" - - [17/May/2015:10:05:03 +0000] \"POST /form "
                                          "HTTP/1.1\" 200 12 \"-\" \"Agent\""),
                       logLine(a, "/after")}
        << a << QStringList{"/before", "", "/after"};
    const QString forty = QStringLiteral("/") + QString(39, u'a');
    const QString fortyOne = QStringLiteral("/") + QString(30, u'b') + QStringLiteral("cdefghijkl");
    QTest::newRow("forty characters are shown whole")
        << QStringList{logLine(a, forty)} << a << QStringList{forty};
    QTest::newRow("forty-one characters are cut to 37 and an ellipsis")
        << QStringList{logLine(a, fortyOne)} << a
        << QStringList{QStringLiteral("/") + QString(30, u'b') + QStringLiteral("cdefgh...")};
}

void TestDiagram::requestList() {
    QFETCH(QStringList, lines);
    QFETCH(QString, host);
    QFETCH(QStringList, listed);
    Diagram d;
    const Drawing drawn = d.draw(joinLines(lines));
    const auto h = std::find_if(drawn.hosts.begin(), drawn.hosts.end(),
                                [&](const HostDrawing& x) { return x.name.text == host; });
    QVERIFY(h != drawn.hosts.end());
    QCOMPARE(std::count_if(drawn.hosts.begin(), drawn.hosts.end(),
                           [&](const HostDrawing& x) { return x.name.text == host; }),
             1);
    QCOMPARE(texts(h->list), listed);
    // One line each, starting under the box, at the name's left edge.
    const float th = d.pic->TextHeight(kTemplate);
    for (int k = 0; k < listed.size(); ++k) {
        QCOMPARE(h->list[size_t(k)].rect.x(), h->name.rect.x());
        QCOMPARE(float(h->list[size_t(k)].rect.y()),
                 float(h->name.rect.y() + th + 10) + float(k) * th);
    }
}

void TestDiagram::fading() {
    Diagram d;
    QStringList lines;
    for (int k = 0; k < 8; ++k)
        lines << logLine("10.0.0.9", QStringLiteral("/%1").arg(k));
    const Drawing drawn = d.draw(joinLines(lines));
    // Each line one blend step (180 of 255) paler than the one before, towards the back colour.
    qint32 expected = SystemColor(18);
    for (const DrawnItem& item : drawn.hosts[0].list) {
        QCOMPARE(plain(item.color), plain(expected));
        expected = BlendColor(expected, d.pic->BackColor(), 180);
    }
    QVERIFY(plain(drawn.hosts[0].list.back().color) != plain(drawn.hosts[0].list.front().color));
}

void TestDiagram::sizeTags_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<qint32>("tag");
    QTest::newRow("bytes") << "512"
                           << "bytes" << RGBColor(0, 225, 0);
    QTest::newRow("KB") << "2048"
                        << "KB" << RGBColor(0, 138, 0);
    QTest::newRow("MB") << "3145728"
                        << "MB" << RGBColor(207, 88, 10);
    QTest::newRow("GB") << "2147483648"
                        << "GB" << RGBColor(0, 0, 0);
    QTest::newRow("a lone dash") << "-"
                                 << "-" << RGBColor(0, 0, 0);
}

void TestDiagram::sizeTags() {
    QFETCH(QString, field);
    QFETCH(QString, unit);
    QFETCH(qint32, tag);
    Diagram d;
    d.c->mShowBandWidth_Click();
    const Drawing drawn =
        d.draw(joinLines({logLine("10.0.0.3", "/a", field), logLine("10.0.0.3", "/b", field)}));
    const HostDrawing& h = drawn.hosts[0];
    // Per request: its path, then the tag's box and the size in white on it.
    QCOMPARE(int(h.list.size()), 6);
    const PictureBox& pic = *d.pic;
    for (int k = 0; k < 2; ++k) {
        const DrawnItem& path = h.list[size_t(3 * k)];
        const DrawnItem& box = h.list[size_t(3 * k + 1)];
        const DrawnItem& size = h.list[size_t(3 * k + 2)];
        QVERIFY(size.text.endsWith(unit));
        QCOMPARE(box.kind, DrawnItem::Kind::Box);
        QCOMPARE(box.color, tag);
        QCOMPARE(plain(size.color), 0xFFFFFF);
        // Left of the path, on its line, one space away.
        const double bx = path.rect.x() - pic.TextWidth(size.text + QLatin1Char(' '));
        QCOMPARE(float(box.rect.left()), float(bx));
        QCOMPARE(box.rect.top(), path.rect.y());
        QCOMPARE(float(box.rect.width()), pic.TextWidth(size.text));
        QCOMPARE(float(box.rect.height()), pic.TextHeight(size.text));
        QCOMPARE(size.rect.topLeft(), box.rect.topLeft());
        // On the surface: the tag's colour (the host's line may cross it), with white writing.
        const QRect r(
            QPoint(int(std::nearbyint(box.rect.left())), int(std::nearbyint(box.rect.top()))),
            QPoint(int(std::nearbyint(box.rect.right())), int(std::nearbyint(box.rect.bottom()))));
        int tagged = 0, white = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                tagged += colorAt(pic, x, y) == tag;
                white += ColorBlue(colorAt(pic, x, y)) > 150;
            }
        QVERIFY2(tagged > r.width() * r.height() / 3, qPrintable(QString::number(tagged)));
        QVERIFY(white > 0);
        QVERIFY(colorAt(pic, r.left() - 1, r.top() + 1) != tag);
    }
}

void TestDiagram::noTagsWhenOff() {
    Diagram d;
    const QString log = joinLines({logLine("10.0.0.4", "/a", "2048"), logLine("10.0.0.4", "/b")});
    d.c->mShowBandWidth_Click();
    const Drawing on = d.draw(log);
    const QRectF tag = on.hosts[0].list[1].rect;
    d.c->mShowBandWidth_Click();
    const Drawing off = d.draw(log);
    QCOMPARE(texts(off.hosts[0].list), (QStringList{"/a", "/b"}));
    QCOMPARE(int(off.hosts[0].list.size()), 2);
    QCOMPARE(colorAt(*d.pic, tag.left(), tag.top()), plain(d.pic->BackColor()));
    // The list itself is the same, fading included.
    QCOMPARE(off.hosts[0].list[1].rect, on.hosts[0].list[3].rect);
    QCOMPARE(off.hosts[0].list[1].color, on.hosts[0].list[3].color);
}

void TestDiagram::penWidth_data() {
    QTest::addColumn<float>("zoom");
    QTest::addColumn<int>("width");
    QTest::newRow("7.5") << 7.5f << 1;
    QTest::newRow("8") << 8.0f << 2;
    QTest::newRow("20") << 20.0f << 2;
    QTest::newRow("20.5") << 20.5f << 3;
}

void TestDiagram::penWidth() {
    QFETCH(float, zoom);
    QFETCH(int, width);
    Diagram d;
    d.pic->setFontSize(zoom);
    const Drawing drawn = d.draw(joinLines({logLine("10.0.0.5", "/"), logLine("10.0.0.6", "/")}));
    for (const HostDrawing& h : drawn.hosts)
        QCOMPARE(h.line.width, width);
    QCOMPARE(d.pic->DrawWidth(), 1);
    // Pixels across the line (it runs mostly sideways at angle 0).
    const QLineF l = drawn.hosts[0].line.line;
    const QPointF m = l.pointAt(0.5);
    int across = 0;
    for (int k = -5; k <= 5; ++k)
        across += colorAt(*d.pic, m.x(), std::round(m.y()) + k) == drawn.hosts[0].line.color;
    QCOMPARE(across, width);
}

void TestDiagram::serverNode_data() {
    QTest::addColumn<QString>("log");
    QTest::newRow("empty log") << QString();
    QTest::newRow("lines without hosts") << joinLines({"", "no host here", "\"GET / HTTP/1.1\""});
}

void TestDiagram::serverNode() {
    QFETCH(QString, log);
    Diagram d(QSize(600, 400));
    const Drawing drawn = d.draw(log);
    QVERIFY(drawn.hosts.empty());
    QCOMPARE(int(drawn.server.size()), 3);
    const PictureBox& pic = *d.pic;
    const double cx = 300, cy = 200;
    const DrawnItem& box = drawn.server[0];
    QCOMPARE(box.kind, DrawnItem::Kind::RoundRect);
    QCOMPARE(box.rect, QRectF(QPointF(cx - 29, cy - 29),
                              QPointF(cx + 29, cy + 29 + pic.TextHeight("Servidor"))));
    QCOMPARE(box.color, 0);
    QCOMPARE(box.fillColor, SystemColor(24));
    QCOMPARE(drawn.server[1].kind, DrawnItem::Kind::Picture);
    QCOMPARE(drawn.server[1].rect, QRectF(cx - 24, cy - 24, 48, 48));
    QCOMPARE(drawn.server[2].text, QStringLiteral("Servidor"));
    QCOMPARE(drawn.server[2].rect.topLeft(), QPointF(cx - pic.TextWidth("Servidor") / 2, cy + 24));
    // Black outline, tooltip background inside, the server picture in the middle.
    QCOMPARE(colorAt(pic, cx, cy - 29), 0);
    QCOMPARE(colorAt(pic, cx - 27, cy), plain(SystemColor(24)));
    const QImage server = LoadDiagramPicture(DiagramPicture::Server);
    QCOMPARE(pic.Image().pixel(int(cx), int(cy)), server.pixel(24, 24) | 0xff000000u);
}

void TestDiagram::morePaletteThanHosts() {
    Diagram d(QSize(900, 700));
    QStringList lines;
    for (int i = 0; i < 600; ++i)
        lines << logLine(QStringLiteral("h%1.example").arg(i), "/");
    const Drawing drawn = d.draw(joinLines(lines));
    QCOMPARE(int(drawn.hosts.size()), 600);
    // Beyond the 512 colours the palette's own answer is used; nothing is read past its end.
    for (int i : {0, 511, 512, 599}) {
        const QString host = QStringLiteral("h%1.example").arg(i);
        QCOMPARE(drawn.hosts[size_t(i)].box.color, UserColors(UserIndex(host)));
    }
}

void TestDiagram::notSelectedChangesNothing() {
    Diagram d;
    d.draw(logLine("10.0.0.7", "/"));
    const QImage before = d.pic->Image();
    const size_t items = d.pic->Drawn().size();
    d.selected = false;
    d.text = logLine("10.0.0.8", "/other");
    d.c->DrawPic();
    d.c->MouseWheel_WheelMove(false); // zoom changes, the picture does not
    QCOMPARE(d.zoom(), 8.75f);
    QCOMPARE(d.pic->Image(), before);
    QCOMPARE(d.pic->Drawn().size(), items);
    // Shown again: the new text at the new zoom.
    d.selected = true;
    d.c->DrawPic();
    const Drawing now = split(d.pic->Drawn());
    QCOMPARE(now.hosts[0].name.text, QStringLiteral("10.0.0.8"));
    QCOMPARE(now.hosts[0].name.fontSize, 8.75f);
}

void TestDiagram::textChanges() {
    Diagram d;
    QString log = logLine("10.0.0.1", "/");
    QCOMPARE(d.draw(log).hosts.size(), size_t(1));
    // Appending to the same text object is seen at the next drawing.
    d.text.append(QStringLiteral("\r\n") + logLine("10.0.0.2", "/"));
    d.c->DrawPic();
    QCOMPARE(split(d.pic->Drawn()).hosts.size(), size_t(2));
    d.c->TextChanged();
    d.c->DrawPic();
    QCOMPARE(split(d.pic->Drawn()).hosts.size(), size_t(2));
    QCOMPARE(d.draw(QString()).hosts.size(), size_t(0));
}

void TestDiagram::zoomByButton_data() {
    QTest::addColumn<QString>("tool");
    QTest::addColumn<float>("start");
    QTest::addColumn<float>("afterPress");
    QTest::addColumn<float>("held"); // where holding the button ends
    QTest::newRow("enlarge from 35.75 passes 36 once") << "tool2" << 35.75f << 36.25f << 36.25f;
    QTest::newRow("enlarge from 34 stops at 36") << "tool2" << 34.0f << 34.5f << 36.0f;
    QTest::newRow("shrink from 4.25 passes 4 once") << "tool3" << 4.25f << 3.75f << 3.75f;
    QTest::newRow("shrink from 5 stops at 4") << "tool3" << 5.0f << 4.5f << 4.0f;
}

void TestDiagram::zoomByButton() {
    QFETCH(QString, tool);
    QFETCH(float, start);
    QFETCH(float, afterPress);
    QFETCH(float, held);
    Diagram d;
    QVERIFY(d.show());
    d.pic->setFontSize(start);
    d.text = logLine("10.0.0.1", "/");
    auto* button = d.child<QWidget>(qPrintable(tool));
    QTimer* timer = d.child<QTimer>(tool == "tool2" ? "tmrZoom0" : "tmrZoom1");
    QSignalSpy ticks(timer, &QTimer::timeout);
    // One step at once, redrawn at the new size.
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(8, 8));
    QCOMPARE(d.zoom(), afterPress);
    QCOMPARE(split(d.pic->Drawn()).hosts[0].name.fontSize, afterPress);
    QVERIFY(timer->isActive());
    // Held: a step every tick until the limit test stops it.
    QTRY_COMPARE_WITH_TIMEOUT(d.zoom(), held, 10000);
    const int seen = int(ticks.count());
    QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= seen + 2, 10000);
    QCOMPARE(d.zoom(), held);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(!timer->isActive());

    // A short click is exactly one step.
    d.pic->setFontSize(10);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, 8));
    QCOMPARE(d.zoom(), tool == "tool2" ? 10.5f : 9.5f);
    QVERIFY(!timer->isActive());
}

void TestDiagram::zoomByWheel_data() {
    QTest::addColumn<float>("start");
    QTest::addColumn<QPoint>("angle");
    QTest::addColumn<Qt::KeyboardModifiers>("mods");
    QTest::addColumn<float>("zoom");
    const Qt::KeyboardModifiers none;
    QTest::newRow("away from 35.75 is held at 36") << 35.75f << QPoint(0, 120) << none << 36.0f;
    QTest::newRow("towards from 4.25 is held at 4") << 4.25f << QPoint(0, -120) << none << 4.0f;
    QTest::newRow("towards shrinks") << 8.25f << QPoint(0, -120) << none << 7.75f;
    QTest::newRow("away enlarges") << 8.25f << QPoint(0, 120) << none << 8.75f;
    QTest::newRow("two notches change nothing") << 8.25f << QPoint(0, -240) << none << 8.25f;
    QTest::newRow("ctrl and wheel change nothing")
        << 8.25f << QPoint(0, 120) << Qt::KeyboardModifiers(Qt::ControlModifier) << 8.25f;
}

void TestDiagram::zoomByWheel() {
    QFETCH(float, start);
    QFETCH(QPoint, angle);
    QFETCH(Qt::KeyboardModifiers, mods);
    QFETCH(float, zoom);
    Diagram d;
    auto* wheel = new MouseWheel(&d.window);
    QObject::connect(wheel, &MouseWheel::WheelMove, d.c.get(),
                     &DiagramController::MouseWheel_WheelMove);
    d.pic->setFontSize(start);
    d.text = logLine("10.0.0.1", "/");
    sendWheel(&d.window, angle, mods);
    QCOMPARE(d.zoom(), zoom);
    if (zoom != start) QCOMPARE(split(d.pic->Drawn()).hosts[0].name.fontSize, zoom);
}

void TestDiagram::dragging_data() {
    QTest::addColumn<QPoint>("move");
    QTest::addColumn<double>("turn");
    QTest::newRow("100 pixels down") << QPoint(0, 100) << 1.0;
    QTest::newRow("50 pixels up") << QPoint(0, -50) << -0.5;
    QTest::newRow("sideways") << QPoint(150, 0) << 0.0;
    QTest::newRow("down and sideways") << QPoint(-80, 100) << 1.0;
}

void TestDiagram::dragging() {
    QFETCH(QPoint, move);
    QFETCH(double, turn);
    Diagram d;
    QVERIFY(d.show());
    d.draw(joinLines({logLine("10.0.0.1", "/"), logLine("10.0.0.2", "/")}));
    QCOMPARE(d.pic->cursor().pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
             d.pointer.convertToFormat(QImage::Format_ARGB32));
    QTimer* redraw = d.child<QTimer>("tmrDraw");
    const QPoint from(300, 200);
    QTest::mousePress(d.pic, Qt::LeftButton, {}, from);
    QVERIFY(d.c->Dragging());
    QVERIFY(redraw->isActive());
    QCOMPARE(d.pic->cursor().pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
             d.pointerDragging.convertToFormat(QImage::Format_ARGB32));
    QTest::mouseMove(d.pic, from + move);
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(d.c->RotationOffset() - turn) < 1e-9, 5000);
    // The timer redraws with the new rotation.
    QTRY_VERIFY_WITH_TIMEOUT(near(split(d.pic->Drawn()).hosts[0].name.rect.topLeft(),
                                  expectedPosition(*d.pic, QStringLiteral("10.0.0.1"), 0, 2, turn)),
                             5000);
    QTest::mouseRelease(d.pic, Qt::LeftButton, {}, from + move);
    QVERIFY(!d.c->Dragging());
    QVERIFY(!redraw->isActive());
    QCOMPARE(d.pic->cursor().pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
             d.pointer.convertToFormat(QImage::Format_ARGB32));
    // A second drag starts from the rotation reached.
    d.c->pic_MouseDown(1, 0, 0, 0);
    d.c->pic_MouseMove(1, 0, 0, 100);
    d.c->pic_MouseUp(1, 0, 0, 100);
    QVERIFY(std::abs(d.c->RotationOffset() - (turn + 1)) < 1e-9);
    // Moving without a button pressed turns nothing.
    d.c->pic_MouseMove(0, 0, 0, 300);
    QVERIFY(std::abs(d.c->RotationOffset() - (turn + 1)) < 1e-9);
}

void TestDiagram::modeAndBandwidth() {
    Diagram d;
    QVERIFY(d.show());
    auto* simple = d.child<QAction>("mDiagramMode0");
    auto* extended = d.child<QAction>("mDiagramMode1");
    auto* bandwidth = d.child<QAction>("mShowBandWidth");
    QWidget* sel0 = d.child<QWidget>("sel0");
    QWidget* sel1 = d.child<QWidget>("sel1");
    const auto mode = [&](int m) {
        return d.c->DiagramMode() == m && simple->isChecked() == (m == 0) &&
               extended->isChecked() == (m == 1) && sel1->isVisible() == (m == 1);
    };
    // The geography button toggles.
    QTest::mouseClick(d.child<QWidget>("tool1"), Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(mode(1));
    QTest::mouseClick(d.child<QWidget>("tool1"), Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(mode(0));
    // The menu is a radio pair: choosing the checked item again keeps it.
    extended->trigger();
    QVERIFY(mode(1));
    extended->trigger();
    QVERIFY(mode(1));
    simple->trigger();
    QVERIFY(mode(0));
    simple->trigger();
    QVERIFY(mode(0));
    // Bandwidth: the menu item and the button both toggle.
    bandwidth->trigger();
    QVERIFY(bandwidth->isChecked() && sel0->isVisible());
    QTest::mouseClick(d.child<QWidget>("tool0"), Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(!bandwidth->isChecked() && !sel0->isVisible());
    QTest::mouseClick(d.child<QWidget>("tool0"), Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(bandwidth->isChecked() && sel0->isVisible());
    bandwidth->trigger();
    QVERIFY(!bandwidth->isChecked() && !sel0->isVisible());
    // A right click is no click.
    QTest::mouseClick(d.child<QWidget>("tool1"), Qt::RightButton, {}, QPoint(8, 8));
    QVERIFY(mode(0));
    // Each change redraws.
    d.text = logLine("10.0.0.1", "/", "2048");
    bandwidth->trigger();
    QCOMPARE(split(d.pic->Drawn()).hosts[0].list.size(), size_t(3));
}

void TestDiagram::hoverMarker() {
    Diagram d;
    QVERIFY(d.show());
    QWidget* ssel = d.child<QWidget>("ssel");
    QVERIFY(!ssel->isVisible());
    for (const char* name : {"tool0", "tool2"}) {
        QWidget* tool = d.child<QWidget>(name);
        QTest::mouseMove(tool, QPoint(8, 8));
        QTRY_VERIFY_WITH_TIMEOUT(ssel->isVisible(), 5000);
        QCOMPARE(ssel->pos(), tool->pos() - QPoint(5, 4));
        // Off the button onto the diagram: the marker goes.
        QTest::mouseMove(d.pic, QPoint(300, 300));
        QTRY_VERIFY_WITH_TIMEOUT(!ssel->isVisible(), 5000);
    }
}

void TestDiagram::keptDrawingMoves_data() {
    QTest::addColumn<double>("extent");
    for (const double extent : {40.0, 1000.0, 1500.0, 8000.0, 70000.0, 1048576.0})
        QTest::addRow("positions within %g", extent) << extent;
}

// A host's kept drawing is moved only from and to places v where every position the drawing works
// out from v (whole numbers of pixels added and taken away in single precision) rounds to whole
// pixels as the exact sum does. Places close to a half, and sums that climb to the extent and back
// (where single precision loses the most), put that to the test; places refused show that the
// margin is needed.
void TestDiagram::keptDrawingMoves() {
    QFETCH(double, extent);
    QRandomGenerator r(11);
    int accepted = 0, broken = 0, refusedBroken = 0;
    for (int k = 0; k < 20000; ++k) {
        const double whole = std::floor(r.bounded(2 * extent) - extent);
        const double near =
            std::ldexp(1 + r.bounded(1.0), -int(r.bounded(3, 26))) * (k % 2 ? 1 : -1);
        const float v = float(whole + 0.5 + near);
        if (std::abs(double(v)) > extent) continue;
        const bool alike = RoundsAlikeMoved(v, extent);
        accepted += alike;
        float sum = v;
        double exact = v;
        bool rounds = true;
        for (int step = 0; step < 30; ++step) {
            // Out to near the extent on either side, or back close to v.
            const double target = step % 2 ? (r.bounded(2) ? extent : -extent) * r.bounded(1.0)
                                           : whole + double(r.bounded(-50, 50));
            const double add =
                std::clamp(std::round(target - exact), -extent - exact, extent - exact);
            const double n = add < 0 ? std::ceil(add) : std::floor(add);
            sum += float(n);
            exact += n;
            rounds = rounds && std::nearbyint(double(sum)) == std::nearbyint(exact);
        }
        (alike ? broken : refusedBroken) += !rounds;
    }
    QVERIFY2(accepted > 500, qPrintable(QString::number(accepted)));
    QCOMPARE(broken, 0);
    if (extent >= 1000) QVERIFY(refusedBroken > 0); // the margin is not idle
}

// Lines added to the text are decoded on their own, with the same hosts as decoding it all.
void TestDiagram::grownTextIsTakenIn_data() {
    QTest::addColumn<QString>("added");
    QTest::newRow("new lines") << logLine("10.0.0.2", "/b") + "\r\n" + logLine("10.0.0.1", "/c") +
                                      "\r\n";
    QTest::newRow("the half line completed") << QString("/d HTTP/1.0\" 200 5 \"-\" \"A\"\r\n");
}

void TestDiagram::grownTextIsTakenIn() {
    QFETCH(QString, added);
    const QString first = logLine("10.0.0.1", "/a") + "\r\n";
    const bool half = added.startsWith('/');
    const QString start = half ? first + "10.0.0.3 - - [x] \"GET " : first;
    LogText text(ov::toAnsi(start));
    DiagramHostCache cache;
    cache.Hosts(text);
    text.Append(ov::toAnsi(added));
    const auto names = [](const std::vector<DiagramHost>& hosts) {
        QStringList out;
        for (const DiagramHost& h : hosts) {
            out << h.Host + QString::number(h.RequestCount);
            for (const DiagramRequest& r : h.Requests)
                out << r.Path;
        }
        return out;
    };
    QCOMPARE(names(cache.Hosts(text)), names(BuildHostList(LogText(ov::toAnsi(start + added)))));
}

QTEST_MAIN(TestDiagram)
#include "tst_diagram.moc"
