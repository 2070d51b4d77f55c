// The diagram as the operator sees and handles it: where hosts, request lists, size tags, lines
// and the server node are drawn (on the record of drawn items and in pixels), zoom by button and
// wheel, rotation by dragging, mode and bandwidth switches, the tool buttons and markers, and that
// nothing is drawn while another tab is shown. The extended diagram: country, city and region
// lines and flags, the simple picture without database files, and the whole real log drawn with
// geography the same on one thread or several, and from kept host drawings while the ring turns
// as from laying every host out again (saved as PNG files to look at). The geodata is written by
// the test, a sparse network index and a few cities, with the system's flag images.
#include "core/ansi.h"
#include "geo/clsHostIP.h"
#include "views/CMemoryDC.h"
#include "views/DiagramController.h"
#include "views/DiagramPictures.h"
#include "views/MouseWheel.h"
#include "views/PictureBox.h"
#include "views/modColor.h"
#include "views/modUserColor.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>
#include <functional>
#include <map>

namespace {

using Flags = std::vector<std::unique_ptr<CMemoryDC>>;
const QString kTemplate = "000.000.000.000", kSystemFlags = "/usr/share/flags/countries/16x11";

QString logOf(const QStringList& hosts, const QString& path = "/", const QString& size = "512") {
    QStringList lines;
    for (const QString& h : hosts)
        lines << h + " - - [17/May/2015:10:05:03 +0000] \"GET " + path + " HTTP/1.1\" 200 " + size +
                     " \"-\" \"A\"";
    return lines.join("\r\n");
}

bool near(QPointF a, QPointF b) {
    return std::abs(a.x() - b.x()) < 0.01 && std::abs(a.y() - b.y()) < 0.01;
}

// Writes hostdat.xdb (full size, sparse) and hostcities.xdb; networks: a * 65536 + b * 256 + c
// -> (country number, city number).
bool writeGeodata(const QString& dir, const std::map<quint32, std::pair<int, int>>& networks,
                  const QList<std::pair<QString, QString>>& cities) {
    QFile dat(dir + "/hostdat.xdb"), cit(dir + "/hostcities.xdb");
    if (!dat.open(QIODevice::WriteOnly) || !dat.resize(qint64(3) * 16777216) ||
        !cit.open(QIODevice::WriteOnly))
        return false;
    for (const auto& [k, value] : networks) {
        const char rec[3] = {char(value.first), char(value.second), 0};
        if (!dat.seek(qint64(3) * k) || dat.write(rec, 3) != 3) return false;
    }
    for (const auto& [name, state] : cities)
        if (cit.write(ov::toAnsi(name).leftJustified(50) + ov::toAnsi(state).leftJustified(25) +
                      QByteArray(8, 0)) != 83)
            return false;
    return true;
}

// A window that counts the wheel events reaching it.
struct Window : QWidget {
    int wheels = 0;
    void wheelEvent(QWheelEvent* e) override {
        ++wheels;
        e->ignore();
    }
};

// The window's side of the diagram: the surface in a window, the log text, the tab state, and
// for the extended diagram the geolocation and the flags.
struct Diagram {
    Window window;
    PictureBox* pic = new PictureBox(&window);
    QString text, held;
    LogText bytes; // the text as the raw view holds it: the same while `text` is unchanged
    bool selected = true;
    QImage pointer = LoadDiagramPicture(DiagramPicture::Pointer),
           dragging = LoadDiagramPicture(DiagramPicture::PointerDragging);
    clsHostIP hostIP;
    std::unique_ptr<DiagramController> c;

    explicit Diagram(QSize size = {800, 600}, const QString& geodata = {},
                     const Flags* flags = nullptr) {
        window.resize(size);
        pic->resize(size);
        pic->setRecording(true);
        pic->SetStretchBltMode(PictureBox::kStretchHalftone);
        hostIP.setDatabasePath(geodata);
        DiagramInputs in;
        in.logText = [this] {
            if (text != held || bytes.IsEmpty() != text.isEmpty())
                bytes = LogText(ov::toAnsi(held = text));
            return bytes;
        };
        in.diagramSelected = [this] { return selected; };
        in.hostIP = [this] { return &hostIP; };
        in.flags = flags;
        in.serverPicture = LoadDiagramPicture(DiagramPicture::Server);
        in.pointer = pointer;
        in.pointerDragging = dragging;
        c = std::make_unique<DiagramController>(pic, in, &window);
        c->pic_MouseUp(0, 0, 0, 0); // as the window's start-up does: the pointer shows
    }
    // The drawn items of one kind; the first host's name is the first bold text.
    std::vector<DrawnItem> items(DrawnItem::Kind kind, bool bold = false) const {
        std::vector<DrawnItem> out;
        for (const DrawnItem& i : pic->Drawn())
            if (i.kind == kind && i.bold == bold) out.push_back(i);
        return out;
    }
    size_t hosts() const { return items(DrawnItem::Kind::Line).size(); }
    DrawnItem firstName() const { return items(DrawnItem::Kind::Text, true).at(0); }
    void draw(const QString& log, bool extended = false) {
        text = log;
        c->mDiagramMode_Click(extended ? 1 : 0); // draws
    }
    bool show() {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
    template <class T = QWidget> T* child(const QString& name) const {
        return window.findChild<T*>(name);
    }
    bool cursorIs(const QImage& image) const {
        return pic->cursor().pixmap().toImage().convertToFormat(QImage::Format_ARGB32) ==
               image.convertToFormat(QImage::Format_ARGB32);
    }
    void turn(float dy) { // a drag from the top down by dy
        c->pic_MouseDown(1, 0, 0, 0);
        c->pic_MouseMove(1, 0, 0, dy);
        c->pic_MouseUp(1, 0, 0, dy);
    }
};

// Where the ring puts host i of n: the top-left corner of its name.
QPointF expectedPosition(const PictureBox& pic, const QString& host, int i, int n,
                         double rotation) {
    const double rx = pic.ScaleWidth() / 2.0 - pic.TextWidth(kTemplate);
    const double ry = pic.ScaleHeight() / 2.0 - pic.TextHeight(kTemplate);
    const double a = rotation + 2 * 3.141592648 * i / n;
    return {rx * std::cos(a) + rx + pic.TextWidth(host) - pic.TextWidth(kTemplate) / 2,
            0.75 * ry * std::sin(a) + ry - 0.25 * ry + 20};
}

} // namespace

class TestDiagram : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString geodata_ = dir_.filePath("geodata");
    Flags flags_; // by country number

private slots:
    void initTestCase() {
        QVERIFY(EnsureTahomaFont());
        InitUserColors();
        QVERIFY(QDir().mkpath(geodata_));
        QVERIFY(writeGeodata(
            geodata_, {{657665, {199, 1}}, {657666, {73, 0}}, {657667, {44, 2}}}, // 10.9.1-3
            {{"Madrid", "Comunidad de Madrid"}, {QString::fromUtf8("Pekín"), "Beijing"}}));
        // The system's flag images by country number, China's left out.
        const clsHostIP table;
        flags_.resize(size_t(table.CountryCodesCount()) + 1);
        for (qint16 i = 1; i <= table.CountryCodesCount(); ++i) {
            const QImage flag(kSystemFlags + '/' + table.CountryCode(i).toLower() + ".gif");
            if (i == 44 || flag.isNull()) continue;
            flags_[size_t(i)] = std::make_unique<CMemoryDC>();
            flags_[size_t(i)]->setPicture(flag);
        }
        QVERIFY(flags_[199] && flags_[73] && !flags_[44]);
    }

    void controls() {
        Diagram d(QSize(640, 400));
        const QStringList tips{"Mostrar ancho de banda", "Mostrar información geográfica",
                               "Aumentar diagrama", "Disminuir diagrama"};
        for (int i = 0; i < 4; ++i) {
            QWidget* tool = d.child(QStringLiteral("tool%1").arg(i));
            QCOMPARE(tool->parentWidget(), d.pic);
            QCOMPARE(tool->toolTip(), tips[i]);
            QCOMPARE(tool->geometry(),
                     QRect(QList<int>{16, 40, 640 - 48, 640 - 24}[i], 16, 16, 16));
        }
        d.pic->resize(500, 300); // the zoom buttons keep to the top right
        d.c->pic_Resize();
        QCOMPARE(QPoint(d.child("tool2")->x(), d.child("tool3")->x()), QPoint(500 - 48, 500 - 24));
        QVERIFY(!d.child("sel0")->isVisibleTo(d.pic) && !d.child("sel1")->isVisibleTo(d.pic));
        QCOMPARE(d.child<QTimer>("tmrDraw")->interval(), 10);
        // The lines to the hosts: 1 pixel below 8 points, 2 up to 20, 3 above.
        QCOMPARE(QList<int>({DiagramPenWidth(7.75f), DiagramPenWidth(8), DiagramPenWidth(20),
                             DiagramPenWidth(20.25f)}),
                 QList<int>({1, 2, 2, 3}));
    }

    void pictures_data() {
        QTest::addColumn<QString>("log");
        QTest::addColumn<int>("view"); // 0 simple, 1 extended, 2 simple with size tags
        QTest::addColumn<float>("zoom");
        QTest::addColumn<float>("turn"); // pixels dragged down
        QStringList b;
        for (int k = 1; k <= 9; ++k)
            b << QStringLiteral("/page%1").arg(k);
        b[2] = "/" + QString(40, u'c'); // cut to 37 characters and "..."
        b[4] = "/" + QString(39, u'f'); // forty characters: whole
        QString simple = logOf({"a.example", "Host.example"}) + "\r\n" +
                         logOf({"b.example"}, b[0]) + "\r\n" + logOf({"host.example"});
        for (int k = 1; k < 9; ++k)
            simple +=
                "\r\n" + logOf({"b.example"}, b[k]) +
                (k == 3 ? "\r\nb.example - - [d] \"POST /f HTTP/1.1\" 200 1 \"-\" \"A\"" : "");
        simple += "\r\n\r\ngarbage without a host";
        QString tags = logOf({"10.0.0.3"}, "/a", "512");
        for (const char* size : {"2048", "3145728", "2147483648", "-"})
            tags += "\r\n" + logOf({"10.0.0.3"}, "/a", size);
        tags += "\r\n" + logOf({"192.168.0.7"});
        const QString extended = logOf(
            {"10.9.1.5", "10.9.2.77", "10.9.3.4", "www.example.com", "10.9.9.9", "10.9.1.256"});
        QTest::newRow("simple") << simple << 0 << 8.25f << 0.0f;
        QTest::newRow("size tags") << tags << 2 << 8.25f << 0.0f;
        QTest::newRow("extended") << extended << 1 << 8.25f << 0.0f;
        QTest::newRow("small and turned") << simple << 0 << 7.5f << 40.0f;
        QTest::newRow("large") << extended << 1 << 20.5f << 0.0f;
    }
    // What the operator sees, compared with pictures checked by eye (tests/views/pictures/; with
    // OV_WRITE_PICTURES=1 in the environment they are written anew, after a deliberate change):
    // hosts on the ring in the order first seen, each boxed in its colour and joined to the
    // server node by a line at the side of its name that faces it, as wide as the zoom asks; its
    // first eight requests below, fading, long ones cut; size tags in their colours; the extended
    // diagram's country, city and region and flags.
    void pictures() {
        QFETCH(QString, log);
        QFETCH(int, view);
        QFETCH(float, zoom);
        QFETCH(float, turn);
        Diagram d(QSize(800, 600), geodata_, &flags_);
        UserColorIndex(0, QString()); // the hosts' colours from the start of the palette
        d.pic->setFontSize(zoom);
        if (view == 2) d.c->mShowBandWidth_Click();
        if (turn != 0) d.turn(turn);
        d.draw(log, view == 1);
        const QString name = QString(OV_SOURCE_DIR "/tests/views/pictures/%1.png")
                                 .arg(QTest::currentDataTag())
                                 .replace(' ', '-');
        if (qEnvironmentVariableIsSet("OV_WRITE_PICTURES")) QVERIFY(d.pic->Image().save(name));
        const QImage expected = QImage(name).convertToFormat(QImage::Format_RGB32),
                     got = d.pic->Image();
        QVERIFY2(got.size() == expected.size(),
                 qPrintable(name + " is missing or of another size"));
        for (int y = 0; y < got.height(); ++y)
            for (int x = 0; x < got.width(); ++x)
                if (got.pixel(x, y) != expected.pixel(x, y)) {
                    got.save(QString(OV_BUILD_DIR "/%1.png")
                                 .arg(QTest::currentDataTag())
                                 .replace(' ', '-'));
                    QFAIL(qPrintable(
                        QStringLiteral("first difference at %1,%2: %3 for %4 (picture in %5)")
                            .arg(x)
                            .arg(y)
                            .arg(got.pixel(x, y), 8, 16)
                            .arg(expected.pixel(x, y), 8, 16)
                            .arg(OV_BUILD_DIR)));
                }
    }

    void redrawnWhenShownAndChanged() {
        Diagram d;
        d.draw(logOf({"10.0.0.7"}));
        const QImage before = d.pic->Image();
        const size_t items = d.pic->Drawn().size();
        d.selected = false; // another tab: the zoom changes, the picture does not
        d.text = logOf({"10.0.0.8"});
        d.c->DrawPic();
        d.c->MouseWheel_WheelMove(false);
        QCOMPARE(d.pic->FontSize(), 8.75f);
        QCOMPARE(d.pic->Image(), before);
        QCOMPARE(d.pic->Drawn().size(), items);
        d.selected = true; // shown again: the new text at the new zoom
        d.c->DrawPic();
        QCOMPARE(d.firstName().fontSize, 8.75f);
        d.text.append("\r\n" + logOf({"10.0.0.9"})); // the same text object grown
        d.c->DrawPic();
        QCOMPARE(d.hosts(), size_t(2));
        d.draw(QString());
        QCOMPARE(d.hosts(), size_t(0));
        // Lines added to a text are decoded on their own, with the hosts of decoding it all.
        const auto names = [](const std::vector<DiagramHost>& hosts) {
            QStringList out;
            for (const DiagramHost& h : hosts) {
                out << h.Host + QString::number(h.RequestCount);
                for (const DiagramRequest& r : h.Requests)
                    out << r.Path;
            }
            return out;
        };
        const QString start = logOf({"10.0.0.1"}) + "\r\n10.0.0.3 - - [x] \"GET ";
        for (const QString& added : {QString("/d HTTP/1.0\" 200 5 \"-\" \"A\"\r\n"),
                                     "\r\n" + logOf({"10.0.0.2", "10.0.0.1"}) + "\r\n"}) {
            LogText grown(ov::toAnsi(start));
            DiagramHostCache cache;
            cache.Hosts(grown);
            grown.Append(ov::toAnsi(added));
            QCOMPARE(names(cache.Hosts(grown)),
                     names(BuildHostList(LogText(ov::toAnsi(start + added)))));
        }
    }

    void zoomByButton_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<float>("start");
        QTest::addColumn<float>("afterPress");
        QTest::addColumn<float>("held"); // where holding the button ends
        QTest::newRow("enlarge from 35.75 passes 36 once") << "tool2" << 35.75f << 36.25f << 36.25f;
        QTest::newRow("shrink from 4.25 passes 4 once") << "tool3" << 4.25f << 3.75f << 3.75f;
        QTest::newRow("shrink from 5 stops at 4") << "tool3" << 5.0f << 4.5f << 4.0f;
    }
    void zoomByButton() {
        QFETCH(QString, tool);
        QFETCH(float, start);
        QFETCH(float, afterPress);
        QFETCH(float, held);
        Diagram d;
        QVERIFY(d.show());
        d.pic->setFontSize(start);
        d.text = logOf({"10.0.0.1"});
        QWidget* button = d.child(tool);
        QTimer* timer = d.child<QTimer>(tool == "tool2" ? "tmrZoom0" : "tmrZoom1");
        QSignalSpy ticks(timer, &QTimer::timeout);
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(8, 8)); // one step at once, redrawn
        QCOMPARE(d.firstName().fontSize, afterPress);
        QVERIFY(timer->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(d.pic->FontSize(), held,
                                  10000); // held: a step a tick, to the limit
        const int seen = int(ticks.count());
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= seen + 2, 10000);
        QCOMPARE(d.pic->FontSize(), held);
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(8, 8));
        QVERIFY(!timer->isActive());
        d.pic->setFontSize(10); // a short click is exactly one step
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, 8));
        QCOMPARE(d.pic->FontSize(), tool == "tool2" ? 10.5f : 9.5f);
        QVERIFY(!timer->isActive());
    }

    // One notch with nothing held zooms (towards the user shrinks), within 4 to 36 points.
    // Through the MouseWheel control on the window: one notch with nothing held zooms (towards
    // the user shrinks) within 4 to 36 points; anything else changes nothing, and the window
    // still gets every wheel event.
    void zoomByWheel() {
        using B = Qt::MouseButtons;
        using M = Qt::KeyboardModifiers;
        const std::tuple<float, QPoint, M, B, float> rows[] = {
            {35.75f, {0, 120}, {}, {}, 36.0f},
            {4.25f, {0, -120}, {}, {}, 4.0f},
            {8.25f, {0, -120}, {}, {}, 7.75f},
            {8.25f, {0, 120}, {}, {}, 8.75f},
            {8.25f, {0, -240}, {}, {}, 8.25f},
            {8.25f, {0, -40}, {}, {}, 8.25f},
            {8.25f, {-120, 0}, {}, {}, 8.25f},
            {8.25f, {120, -120}, {}, {}, 8.25f},
            {8.25f, {0, 120}, Qt::ControlModifier, {}, 8.25f},
            {8.25f, {0, -120}, {}, Qt::LeftButton, 8.25f}};
        for (const auto& [start, angle, mods, buttons, zoom] : rows) {
            Diagram d;
            auto* wheel = new MouseWheel(&d.window);
            QCOMPARE(wheel->objectName(), QStringLiteral("MouseWheel"));
            QObject::connect(wheel, &MouseWheel::WheelMove, d.c.get(),
                             &DiagramController::MouseWheel_WheelMove);
            d.pic->setFontSize(start);
            d.text = logOf({"10.0.0.1"});
            QWheelEvent e({20, 20}, d.window.mapToGlobal(QPointF(20, 20)), {}, angle, buttons, mods,
                          Qt::NoScrollPhase, false);
            QApplication::sendEvent(&d.window, &e);
            QCOMPARE(d.pic->FontSize(), zoom);
            if (zoom != start) QCOMPARE(d.firstName().fontSize, zoom);
            QCOMPARE(d.window.wheels, 1);
        }
    }

    void dragging_data() {
        QTest::addColumn<QPoint>("move");
        QTest::addColumn<double>("turn");
        QTest::newRow("100 pixels down") << QPoint(0, 100) << 1.0;
        QTest::newRow("50 pixels up") << QPoint(0, -50) << -0.5;
        QTest::newRow("sideways") << QPoint(150, 0) << 0.0;
    }
    void dragging() {
        QFETCH(QPoint, move);
        QFETCH(double, turn);
        Diagram d;
        QVERIFY(d.show());
        d.draw(logOf({"10.0.0.1", "10.0.0.2"}));
        QVERIFY(d.cursorIs(d.pointer));
        QTest::mousePress(d.pic, Qt::LeftButton, {}, QPoint(300, 200));
        QVERIFY(d.c->Dragging() && d.child<QTimer>("tmrDraw")->isActive() &&
                d.cursorIs(d.dragging));
        QTest::mouseMove(d.pic, QPoint(300, 200) + move);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(d.c->RotationOffset() - turn) < 1e-9, 5000);
        // The timer redraws with the new rotation.
        QTRY_VERIFY_WITH_TIMEOUT(
            near(d.firstName().rect.topLeft(), expectedPosition(*d.pic, "10.0.0.1", 0, 2, turn)),
            5000);
        QTest::mouseRelease(d.pic, Qt::LeftButton, {}, QPoint(300, 200) + move);
        QVERIFY(!d.c->Dragging() && !d.child<QTimer>("tmrDraw")->isActive() &&
                d.cursorIs(d.pointer));
        d.turn(100);                      // a second drag starts from the rotation reached
        d.c->pic_MouseMove(0, 0, 0, 300); // moving without a button turns nothing
        QVERIFY(std::abs(d.c->RotationOffset() - (turn + 1)) < 1e-9);
    }

    void modeAndBandwidth() {
        Diagram d;
        QVERIFY(d.show());
        auto *simple = d.child<QAction>("mDiagramMode0"),
             *extended = d.child<QAction>("mDiagramMode1"),
             *bandwidth = d.child<QAction>("mShowBandWidth");
        // The geography button and the radio pair of the menu; the bandwidth item and button.
        const auto state = [&] {
            return QString("%1%2%3 %4%5%6")
                .arg(d.c->DiagramMode())
                .arg(simple->isChecked())
                .arg(extended->isChecked())
                .arg(d.child("sel1")->isVisible())
                .arg(bandwidth->isChecked())
                .arg(d.child("sel0")->isVisible());
        };
        // Steps: a click on a tool button ("1" geography, "0" bandwidth, "r" a right click on the
        // geography button, which is no click), or a menu item triggered ("s", "e", "b").
        QStringList seen;
        for (const QChar step : QStringLiteral("11eesb00r")) {
            if (step == 's' || step == 'e' || step == 'b')
                (step == 's' ? simple : step == 'e' ? extended : bandwidth)->trigger();
            else
                QTest::mouseClick(d.child(step == '0' ? "tool0" : "tool1"),
                                  step == 'r' ? Qt::RightButton : Qt::LeftButton, {}, {8, 8});
            seen << state();
        }
        QCOMPARE(seen, (QStringList{"101 100", "010 000", "101 100", "101 100", "010 000",
                                    "010 011", "010 000", "010 011", "010 011"}));
        d.text = logOf({"10.0.0.1"}, "/", "2048"); // each change redraws
        bandwidth->trigger();
        bandwidth->trigger();
        QCOMPARE(d.items(DrawnItem::Kind::Box).size(), size_t(1)); // the size tag
    }

    // Without both files the extended diagram is the simple picture.
    void fallsBackWithoutDatabase() {
        const QString log = logOf({"10.9.1.5", "10.9.2.6"});
        Diagram simple(QSize(600, 400), geodata_, &flags_);
        simple.draw(log);
        for (const QString& file : {QString(), QString("hostdat.xdb"), QString("hostcities.xdb")}) {
            QTemporaryDir partial;
            QVERIFY(file.isEmpty() || QFile::copy(geodata_ + '/' + file, partial.filePath(file)));
            Diagram extended(QSize(600, 400), partial.path(), &flags_);
            extended.draw(log, true);
            QCOMPARE(extended.c->DiagramMode(), qint16(1));
            QCOMPARE(extended.pic->Drawn().size(), simple.pic->Drawn().size());
            QCOMPARE(extended.pic->Image(), simple.pic->Image());
        }
    }

    void corpusPicture() {
        QFile file(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString log =
            QString::fromLatin1(file.readAll()).replace(u'\n', "\r\n"); // as received
        // Geodata for the log's own networks: ten countries in turn, every eleventh network
        // unknown, every third one with a city.
        const int countries[] = {226, 80, 199, 73, 225, 44, 107, 30, 177, 99};
        std::map<quint32, std::pair<int, int>> networks;
        std::map<QString, int> countryOfHost;
        const QRegularExpression address("^(\\d+)\\.(\\d+)\\.(\\d+)\\.\\d+ - - \\[",
                                         QRegularExpression::MultilineOption);
        for (auto it = address.globalMatch(log); it.hasNext();) {
            const auto m = it.next();
            const quint32 k = m.captured(1).toUInt() * 65536 + m.captured(2).toUInt() * 256 +
                              m.captured(3).toUInt();
            const int index = int(networks.size());
            if (!networks.count(k))
                networks[k] = index % 11 == 10 ? std::pair{0, 0}
                                               : std::pair{countries[index % 11 % 10],
                                                           index % 3 ? 0 : index % 5 + 1};
            countryOfHost[m.captured(0).section(u' ', 0, 0)] = networks[k].first;
        }
        const QString folder = dir_.filePath("corpus-geodata");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(writeGeodata(folder, networks,
                             {{"Madrid", "Comunidad de Madrid"},
                              {"Berlin", "Berlin"},
                              {"Springfield", "Illinois"},
                              {QString::fromUtf8("São Paulo"), "SP"},
                              {"Lyon", QString::fromUtf8("Rhône-Alpes")}}));
        // While the ring turns, hosts are drawn from their drawings of the last picture, moved, in
        // bands on several threads; the pixels must be those of laying every host out again on
        // one thread (which recording makes the surface do).
        Diagram kept(QSize(1024, 768), folder, &flags_), fresh(QSize(1024, 768), folder, &flags_);
        kept.pic->setRecording(false);
        kept.pic->setDrawThreads(4);
        fresh.pic->setDrawThreads(1);
        int reused = 0;
        const auto step = [&](const char* what, const std::function<void(Diagram&)>& change) {
            for (Diagram* x : {&kept, &fresh}) {
                change(*x);
                x->c->DrawPic();
            }
            reused += kept.c->drawCache().Reused();
            QVERIFY2(kept.pic->Image() == fresh.pic->Image(), what);
        };
        step("extended with tags", [&](Diagram& x) {
            x.c->mShowBandWidth_Click();
            x.draw(log, true);
        });
        QVERIFY(
            kept.pic->Image().save(QStringLiteral(OV_BUILD_DIR "/diagram_corpus_extended.png")));
        // Every host of a known country has a flag, except where the flag file was left out.
        int boxes = 0, stretches = 0;
        for (const DrawnItem& i : fresh.pic->Drawn())
            (i.kind == DrawnItem::Kind::RoundRect ? boxes : stretches) +=
                i.kind == DrawnItem::Kind::RoundRect || i.kind == DrawnItem::Kind::Stretch;
        QCOMPARE(QPoint(int(countryOfHost.size()), boxes), QPoint(1753, 1753 + 1));
        QCOMPARE(stretches, int(std::count_if(countryOfHost.begin(), countryOfHost.end(),
                                              [this](const auto& h) {
                                                  return h.second > 0 && flags_[size_t(h.second)];
                                              })));
        for (const float dy : {7.37f, 14.37f, 21.37f, 28.37f})
            step("turned", [dy](Diagram& x) { x.turn(dy); });
        step("zoomed in", [](Diagram& x) { x.c->MouseWheel_WheelMove(false); });
        step("turned after the zoom", [](Diagram& x) { x.turn(-3.5f); });
        step("simple", [](Diagram& x) { x.c->mDiagramMode_Click(0); });
        step("turned in the simple diagram", [](Diagram& x) { x.turn(11); });
        step("without tags", [](Diagram& x) { x.c->mShowBandWidth_Click(); });
        step("turned without tags", [](Diagram& x) { x.turn(2); });
        step("more log", [&](Diagram& x) { x.text = log + logOf({"10.9.2.3"}) + "\r\n"; });
        step("turned with more log", [](Diagram& x) { x.turn(-40); });
        UserColorIndex(0, QStringLiteral("first after emptying")); // every host gets a new colour
        step("turned after the colours were handed out again", [](Diagram& x) { x.turn(-41); });
        QVERIFY2(reused > 5 * 1753, qPrintable(QString::number(reused))); // kept drawings were used
    }
};

QTEST_MAIN(TestDiagram)
#include "tst_diagram.moc"
