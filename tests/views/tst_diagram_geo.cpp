// The extended (geographic) diagram: country, city and region lines, flags, the fall-back to the
// simple picture without database files, and the whole real log drawn with geography into a PNG
// for people to look at. The geodata is written by the test: a sparse network index of the full
// size and a few city records, with flags copied from the system's flag set.
#include "core/ansi.h"
#include "geo/clsHostIP.h"
#include "views/CMemoryDC.h"
#include "views/DiagramController.h"
#include "views/DiagramPictures.h"
#include "views/PictureBox.h"
#include "views/modColor.h"
#include "views/modUserColor.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <functional>
#include <map>

namespace {

using Flags = std::vector<std::unique_ptr<CMemoryDC>>;

const QString kSystemFlags = QStringLiteral("/usr/share/flags/countries/16x11");

struct City {
    QString name, state;
    quint32 latitude = 0, longitude = 0; // stored units (1/10,000 degree)
};

QByteArray packed(quint32 v) {
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (7 * (3 - i))) & 0x7f);
    return b;
}

// Writes hostdat.xdb (full size, sparse: only the given networks are set) and hostcities.xdb.
// networks: a * 65536 + b * 256 + c -> (country number, city number).
bool writeGeodata(const QString& dir, const std::map<quint32, std::pair<int, int>>& networks,
                  const QList<City>& cities) {
    QFile dat(dir + QStringLiteral("/hostdat.xdb"));
    if (!dat.open(QIODevice::WriteOnly) || !dat.resize(qint64(3) * 16777216)) return false;
    for (const auto& [k, value] : networks) {
        const char rec[3] = {char(value.first), char(value.second & 0xff),
                             char((value.second >> 8) & 0x7f)};
        if (!dat.seek(qint64(3) * k) || dat.write(rec, 3) != 3) return false;
    }
    QFile cit(dir + QStringLiteral("/hostcities.xdb"));
    if (!cit.open(QIODevice::WriteOnly)) return false;
    for (const City& c : cities) {
        QByteArray rec = ov::toAnsi(c.name).leftJustified(50, ' ', true);
        rec += ov::toAnsi(c.state).leftJustified(25, ' ', true);
        rec += packed(c.latitude) + packed(c.longitude);
        if (cit.write(rec) != 83) return false;
    }
    return true;
}

quint32 network(int a, int b, int c) {
    return quint32(a) * 65536 + quint32(b) * 256 + quint32(c);
}

// Copies the system's flags under upper-case codes, as the program's set-up lays them out.
int copyFlags(const QString& to) {
    QDir().mkpath(to);
    int copied = 0;
    const QDir from(kSystemFlags);
    for (const QString& name : from.entryList({QStringLiteral("??.gif")}, QDir::Files))
        copied += QFile::copy(from.filePath(name),
                              to + u'/' + name.left(2).toUpper() + QStringLiteral(".gif"));
    return copied;
}

// One flag image per country that has a file, index = country number.
Flags loadFlags(const clsHostIP& hostIP, const QString& folder) {
    Flags flags(size_t(hostIP.CountryCodesCount()) + 1);
    for (qint16 i = 1; i <= hostIP.CountryCodesCount(); ++i) {
        const QImage image(folder + u'/' + hostIP.CountryCode(i) + QStringLiteral(".gif"));
        if (image.isNull()) continue;
        flags[size_t(i)] = std::make_unique<CMemoryDC>();
        flags[size_t(i)]->setPicture(image);
    }
    return flags;
}

QString logLine(const QString& host, const QString& path) {
    return host + QStringLiteral(" - - [17/May/2015:10:05:03 +0000] \"GET ") + path +
           QStringLiteral(" HTTP/1.1\" 200 512 \"-\" \"Agent/1.0\"");
}

QString logOf(const QStringList& hosts) {
    QStringList lines;
    for (const QString& h : hosts)
        lines << logLine(h, QStringLiteral("/index.html"));
    return lines.join(QStringLiteral("\r\n"));
}

// The items drawn for one host: from its name (bold) up to its line.
std::vector<DrawnItem> hostItems(const std::vector<DrawnItem>& drawn, const QString& host) {
    std::vector<DrawnItem> out;
    bool in = false;
    for (const DrawnItem& item : drawn) {
        if (!in && item.kind == DrawnItem::Kind::Text && item.bold && item.text == host) in = true;
        if (!in) continue;
        out.push_back(item);
        if (item.kind == DrawnItem::Kind::Line) break;
    }
    return out;
}

int countKind(const std::vector<DrawnItem>& items, DrawnItem::Kind kind) {
    return int(std::count_if(items.begin(), items.end(),
                             [kind](const DrawnItem& i) { return i.kind == kind; }));
}

// The window's side of the diagram for one test: the surface, the log text, the mode.
struct Diagram {
    PictureBox pic;
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
    clsHostIP hostIP;
    const Flags* flags = nullptr;
    std::unique_ptr<DiagramController> controller;

    Diagram(QSize size, const QString& databasePath, const Flags* flagImages) : flags(flagImages) {
        pic.resize(size);
        pic.SetStretchBltMode(PictureBox::kStretchHalftone);
        pic.setRecording(true);
        hostIP.setDatabasePath(databasePath);
        DiagramInputs in;
        in.logText = [this] { return logText(); };
        in.diagramSelected = [] { return true; };
        in.hostIP = [this] { return &hostIP; };
        in.flags = flags;
        in.serverPicture = LoadDiagramPicture(DiagramPicture::Server);
        controller = std::make_unique<DiagramController>(&pic, in);
    }
    void draw(const QString& log, bool extended) {
        text = log;
        controller->mDiagramMode_Click(extended ? 1 : 0);
    }
};

} // namespace

class TestDiagramGeo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void geography_data();
    void geography();
    void fallsBackWithoutDatabase_data();
    void fallsBackWithoutDatabase();
    void corpusPicture();

private:
    QTemporaryDir dir_;
    QString geodata_;
    clsHostIP table_; // for country numbers and codes
    Flags flags_;
};

void TestDiagramGeo::initTestCase() {
    QVERIFY(EnsureTahomaFont());
    InitUserColors();
    QVERIFY(dir_.isValid());
    geodata_ = dir_.filePath(QStringLiteral("geodata"));
    QVERIFY(QDir().mkpath(geodata_));
    const std::map<quint32, std::pair<int, int>> networks{
        {network(10, 1, 1), {199, 1}}, // SPAIN, Madrid
        {network(10, 1, 2), {73, 0}},  // FRANCE, no city
        {network(10, 1, 3), {44, 2}},  // CHINA, whose flag is left out below
    };
    QVERIFY(writeGeodata(
        geodata_, networks,
        {{QStringLiteral("Madrid"), QStringLiteral("Comunidad de Madrid"), 1304168, 1762962},
         {QStringLiteral("Pekín"), QStringLiteral("Beijing"), 1299075, 2963972}}));
    const QString flagDir = geodata_ + QStringLiteral("/flags");
    QVERIFY(copyFlags(flagDir) > 200);
    QVERIFY(QFile::remove(flagDir + QStringLiteral("/CN.gif")));
    flags_ = loadFlags(table_, flagDir);
    QVERIFY(flags_[199] && flags_[73] && !flags_[44]);
}

void TestDiagramGeo::geography_data() {
    QTest::addColumn<QStringList>("hosts");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("flagCode"); // empty: no flag

    QTest::newRow("country, city and region")
        << QStringList{QStringLiteral("10.1.1.5")} << QStringLiteral("10.1.1.5")
        << QStringList{QStringLiteral("SPAIN"), QStringLiteral("Madrid"),
                       QStringLiteral("Comunidad de Madrid")}
        << QStringLiteral("es");
    QTest::newRow("country without city")
        << QStringList{QStringLiteral("10.1.2.77")} << QStringLiteral("10.1.2.77")
        << QStringList{QStringLiteral("FRANCE")} << QStringLiteral("fr");
    QTest::newRow("spaces inside the address")
        << QStringList{QStringLiteral("10.1. 1.9")} << QStringLiteral("10.1. 1.9")
        << QStringList{QStringLiteral("SPAIN"), QStringLiteral("Madrid"),
                       QStringLiteral("Comunidad de Madrid")}
        << QStringLiteral("es");
    QTest::newRow("host name after a host with a flag")
        << QStringList{QStringLiteral("10.1.1.5"), QStringLiteral("www.example.com")}
        << QStringLiteral("www.example.com") << QStringList{} << QString();
    QTest::newRow("unknown address after a host with a flag")
        << QStringList{QStringLiteral("10.1.1.5"), QStringLiteral("10.9.9.9")}
        << QStringLiteral("10.9.9.9") << QStringList{} << QString();
    QTest::newRow("octet above 255") << QStringList{QStringLiteral("10.1.1.256")}
                                     << QStringLiteral("10.1.1.256") << QStringList{} << QString();
    QTest::newRow("flag image missing")
        << QStringList{QStringLiteral("10.1.3.4")} << QStringLiteral("10.1.3.4")
        << QStringList{QStringLiteral("CHINA"), QStringLiteral("Pekín"), QStringLiteral("Beijing")}
        << QString();
}

void TestDiagramGeo::geography() {
    QFETCH(QStringList, hosts);
    QFETCH(QString, checked);
    QFETCH(QStringList, lines);
    QFETCH(QString, flagCode);

    Diagram d(QSize(700, 500), geodata_, &flags_);
    d.draw(logOf(hosts), true);
    PictureBox& pic = d.pic;
    // The host text is the line's host field with its spaces trimmed.
    const std::vector<DrawnItem> items = hostItems(pic.Drawn(), checked);
    QVERIFY2(!items.empty(), "the host was not drawn");
    const QRectF name = items.front().rect;

    QStringList shown;
    for (const DrawnItem& item : items)
        if (item.kind == DrawnItem::Kind::Text && item.italic) shown << item.text;
    QCOMPARE(shown, lines);

    // The box grows by one text line per geographic line and the requests start below them.
    const float th = pic.TextHeight(QStringLiteral("000.000.000.000"));
    const auto box = std::find_if(pic.Drawn().begin(), pic.Drawn().end(), [&](const DrawnItem& i) {
        return i.kind == DrawnItem::Kind::RoundRect &&
               std::abs(i.rect.left() - (name.x() - 5)) <= 1 &&
               std::abs(i.rect.top() - (name.y() - 5)) <= 1;
    });
    QVERIFY(box != pic.Drawn().end());
    QVERIFY(std::abs(box->rect.bottom() - (name.y() + th * (1 + lines.size()) + 5)) <= 1);
    const auto request =
        std::find_if(pic.Drawn().begin(), pic.Drawn().end(), [](const DrawnItem& i) {
            return i.kind == DrawnItem::Kind::Text && i.text == QLatin1String("/index.html");
        });
    if (hosts.size() == 1) QCOMPARE(request->rect.y(), name.y() + th * (1 + lines.size()) + 10);

    const int stretches = countKind(items, DrawnItem::Kind::Stretch);
    QCOMPARE(stretches, flagCode.isEmpty() ? 0 : 1);
    if (flagCode.isEmpty()) return;
    // Left of the box, as tall as "000." plus 10, the width following the flag's proportions.
    const auto flag = std::find_if(items.begin(), items.end(), [](const DrawnItem& i) {
        return i.kind == DrawnItem::Kind::Stretch;
    });
    const QImage source(kSystemFlags + u'/' + flagCode + QStringLiteral(".gif"));
    const double t = pic.TextHeight(QStringLiteral("000."));
    const int dw = int(std::nearbyint((t + 10) / source.height() * source.width()));
    QCOMPARE(flag->rect.height(), t + 10);
    QCOMPARE(int(flag->rect.width()), dw);
    QCOMPARE(int(flag->rect.x()), int(std::nearbyint(name.x() - dw - 10)));
    QCOMPARE(int(flag->rect.y()), int(std::nearbyint(name.y())));
    // The flag's own colours are on the surface, scaled into that rectangle.
    const QImage image = pic.Image();
    int close = 0;
    for (int j = 2; j < int(flag->rect.height()) - 2; j += 3)
        for (int i = 2; i < dw - 2; i += 3) {
            const QRgb want = source.pixel(i * source.width() / dw,
                                           int(j * source.height() / flag->rect.height()));
            const QRgb got = image.pixel(int(flag->rect.x()) + i, int(flag->rect.y()) + j);
            close += std::abs(qRed(want) - qRed(got)) + std::abs(qGreen(want) - qGreen(got)) +
                         std::abs(qBlue(want) - qBlue(got)) <
                     120;
        }
    QVERIFY2(close > 0.8 * ((int(flag->rect.height()) - 2) / 3) * ((dw - 2) / 3),
             "the flag's pixels are not where it was drawn");
}

void TestDiagramGeo::fallsBackWithoutDatabase_data() {
    QTest::addColumn<QStringList>("files"); // which of the two files the folder holds
    QTest::newRow("no files") << QStringList{};
    QTest::newRow("network index only") << QStringList{QStringLiteral("hostdat.xdb")};
    QTest::newRow("cities only") << QStringList{QStringLiteral("hostcities.xdb")};
}

void TestDiagramGeo::fallsBackWithoutDatabase() {
    QFETCH(QStringList, files);
    QTemporaryDir partial;
    for (const QString& f : files)
        QVERIFY(QFile::copy(geodata_ + u'/' + f, partial.filePath(f)));
    const QString log = logOf({QStringLiteral("10.1.1.5"), QStringLiteral("10.1.2.6")});

    Diagram simple(QSize(600, 400), geodata_, &flags_);
    simple.draw(log, false);
    Diagram extended(QSize(600, 400), partial.path(), &flags_);
    extended.draw(log, true);

    QCOMPARE(extended.controller->DiagramMode(), qint16(1));
    QCOMPARE(countKind(extended.pic.Drawn(), DrawnItem::Kind::Stretch), 0);
    QCOMPARE(extended.pic.Drawn().size(), simple.pic.Drawn().size());
    for (size_t i = 0; i < simple.pic.Drawn().size(); ++i) {
        QCOMPARE(extended.pic.Drawn()[i].text, simple.pic.Drawn()[i].text);
        QCOMPARE(extended.pic.Drawn()[i].rect, simple.pic.Drawn()[i].rect);
    }
    QCOMPARE(extended.pic.Image(), simple.pic.Image());
}

void TestDiagramGeo::corpusPicture() {
    QFile file(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    // The console holds the received log with CR LF line ends.
    const QString log = QString::fromLatin1(file.readAll()).replace(u'\n', QStringLiteral("\r\n"));

    // Geodata for the log's own networks: ten countries in turn, every eleventh network unknown,
    // every third one with a city.
    const QList<int> countries{226, 80, 199, 73, 225, 44, 107, 30, 177, 99};
    const QList<City> cities{{QStringLiteral("Madrid"), QStringLiteral("Comunidad de Madrid")},
                             {QStringLiteral("Berlin"), QStringLiteral("Berlin")},
                             {QStringLiteral("Springfield"), QStringLiteral("Illinois")},
                             {QStringLiteral("São Paulo"), QStringLiteral("São Paulo")},
                             {QStringLiteral("Lyon"), QStringLiteral("Rhône-Alpes")}};
    std::map<quint32, std::pair<int, int>> networks;
    std::map<QString, int> countryOfHost;
    const QRegularExpression address(QStringLiteral("^(\\d+)\\.(\\d+)\\.(\\d+)\\.\\d+ - - \\["),
                                     QRegularExpression::MultilineOption);
    for (auto it = address.globalMatch(log); it.hasNext();) {
        const auto m = it.next();
        const quint32 k =
            network(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (!networks.count(k)) {
            const int index = int(networks.size());
            networks[k] = index % 11 == 10
                              ? std::pair{0, 0}
                              : std::pair{countries[index % 11 % countries.size()],
                                          index % 3 == 0 ? index % int(cities.size()) + 1 : 0};
        }
        const QString host = m.captured(0).section(u' ', 0, 0);
        countryOfHost[host] = networks[k].first;
    }
    const QString folder = dir_.filePath(QStringLiteral("corpus-geodata"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeGeodata(folder, networks, cities));

    Diagram d(QSize(1600, 1200), folder, &flags_);
    d.controller->mShowBandWidth_Click();
    d.draw(log, true);
    // Every host of a known country has a flag, except where the flag file was left out.
    const int hostsWithFlag =
        int(std::count_if(countryOfHost.begin(), countryOfHost.end(), [this](const auto& h) {
            return h.second > 0 && flags_[size_t(h.second)] != nullptr;
        }));
    QCOMPARE(int(countryOfHost.size()), 1753);
    QCOMPARE(countKind(d.pic.Drawn(), DrawnItem::Kind::RoundRect), 1753 + 1);
    QCOMPARE(countKind(d.pic.Drawn(), DrawnItem::Kind::Stretch), hostsWithFlag);

    // Drawn in bands on several threads or on one, the picture is the same.
    d.pic.setDrawThreads(4);
    d.controller->DrawPic();
    const QImage banded = d.pic.Image();
    d.pic.setDrawThreads(1);
    d.controller->DrawPic();
    QCOMPARE(d.pic.Image(), banded);

    // While the ring turns, hosts are drawn from their drawings of the last picture, moved; the
    // pixels must be those of laying every host out again (which recording makes the surface do).
    Diagram kept(QSize(1024, 768), folder, &flags_), fresh(QSize(1024, 768), folder, &flags_);
    kept.pic.setRecording(false);
    int reused = 0;
    const auto step = [&](const QString& what, const std::function<void(Diagram&)>& change) {
        for (Diagram* x : {&kept, &fresh}) {
            change(*x);
            x->controller->DrawPic();
        }
        reused += kept.controller->drawCache().Reused();
        QVERIFY2(kept.pic.Image() == fresh.pic.Image(), qPrintable(what));
    };
    const auto turn = [](float dy) {
        return [dy](Diagram& x) {
            x.controller->pic_MouseDown(1, 0, 0, 0);
            x.controller->pic_MouseMove(1, 0, 0, dy);
            x.controller->pic_MouseUp(1, 0, 0, dy);
        };
    };
    step(QStringLiteral("extended with tags"), [&](Diagram& x) {
        x.controller->mShowBandWidth_Click();
        x.draw(log, true);
    });
    for (int k = 1; k <= 4; ++k)
        step(QStringLiteral("turned %1").arg(k), turn(float(k * 7 + 0.37)));
    step(QStringLiteral("zoomed in"),
         [](Diagram& x) { x.controller->MouseWheel_WheelMove(false); });
    step(QStringLiteral("turned after the zoom"), turn(-3.5f));
    step(QStringLiteral("simple"), [](Diagram& x) { x.controller->mDiagramMode_Click(0); });
    step(QStringLiteral("turned in the simple diagram"), turn(11));
    step(QStringLiteral("without tags"), [](Diagram& x) { x.controller->mShowBandWidth_Click(); });
    step(QStringLiteral("turned without tags"), turn(2));
    step(QStringLiteral("more log"), [&](Diagram& x) {
        x.text = log + QStringLiteral(
                           "10.1.2.3 - - [17/May/2015:10:05:03 +0000] \"GET /new HTTP/1.1\" 200 "
                           "99 \"-\" \"Agent\"\r\n");
    });
    step(QStringLiteral("turned with more log"), turn(-40));
    UserColorIndex(0, QStringLiteral("first after emptying")); // every host gets a new colour
    step(QStringLiteral("turned after the colours were handed out again"), turn(-41));
    QVERIFY2(reused > 5 * 1753, qPrintable(QString::number(reused))); // kept drawings were used

    const QString png = QStringLiteral(OV_BUILD_DIR "/diagram_corpus_extended.png");
    QVERIFY(d.pic.Image().save(png));
    qInfo("corpus diagram: %s", qPrintable(png));

    // A few hosts up close, for the eye: the first dozen of the log on a large surface.
    QStringList first;
    for (const QString& line : log.split(QStringLiteral("\r\n"))) {
        const QString host = line.section(u' ', 0, 0);
        if (!host.isEmpty() && !first.contains(host)) first << host;
        if (first.size() == 12) break;
    }
    QStringList some;
    for (const QString& line : log.split(QStringLiteral("\r\n")))
        if (first.contains(line.section(u' ', 0, 0))) some << line;
    Diagram few(QSize(1200, 900), folder, &flags_);
    few.controller->mShowBandWidth_Click();
    few.draw(some.join(QStringLiteral("\r\n")), true);
    QVERIFY(few.pic.Image().save(QStringLiteral(OV_BUILD_DIR "/diagram_12_hosts_extended.png")));
}

QTEST_MAIN(TestDiagramGeo)
#include "tst_diagram_geo.moc"
