// Geolocation on database files the test writes itself: the address test, both files' record
// layouts, damaged and missing files, files that change while the object is in use; the built-in
// country table whose order the stored country numbers depend on; and the flag images loaded at
// start-up, from the real GIF files of Debian's famfamfam-flag-gif.
#include "geo/clsHostIP.h"
#include "views/FlagDC.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

namespace {

constexpr qint64 kNetworkSize = 50331648;
const QString kFlags = QStringLiteral("/usr/share/flags/countries/16x11/");
using Pieces = QList<QPair<qint64, QByteArray>>;

// The 3-byte record of network a.b.c (country, city low byte, city high byte), where it stands.
QPair<qint64, QByteArray> network(int a, int b, int c, int country, int city) {
    const char r[3] = {char(country), char(city & 0xFF), char((city >> 8) & 0xFF)};
    return {3 * (qint64(a) * 65536 + b * 256 + c), QByteArray(r, 3)};
}

// City record number n (from 1): single-byte names padded to 50 and 25, then the coordinates'
// raw bytes, worked out by hand as (b0 * 128^3 + b1 * 128^2 + b2 * 128 + b3) / 10,000.
QPair<qint64, QByteArray> city(int n, const QByteArray& name, const QByteArray& state,
                               const char* lat = "\0\0\0\1", const char* lon = "\0\0\0\1") {
    return {qint64(n - 1) * 83, name.leftJustified(50, ' ') + state.leftJustified(25, ' ') +
                                    QByteArray(lat, 4) + QByteArray(lon, 4)};
}

// A file of the given size, zero but for the pieces (cut at its end); written in place, keeping
// its inode.
bool writeFile(const QString& path, qint64 size, const Pieces& pieces) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite) || !f.resize(0)) return false;
    for (const auto& [offset, bytes] : pieces)
        if (!f.seek(offset) || f.write(bytes) != bytes.size()) return false;
    return f.resize(size);
}

// A new file beside path renamed over it, as installers replace files.
bool replaceFile(const QString& path, qint64 size, const Pieces& pieces) {
    return writeFile(path + ".new", size, pieces) &&
           std::rename(QFile::encodeName(path + ".new"), QFile::encodeName(path)) == 0;
}

// A folder holding both files; a negative size leaves a file out.
bool makeDatabase(const QString& folder, qint64 networkSize, const Pieces& networks,
                  qint64 citiesSize, const Pieces& cities) {
    return QDir().mkpath(folder) &&
           (networkSize < 0 || writeFile(folder + "/hostdat.xdb", networkSize, networks)) &&
           (citiesSize < 0 || writeFile(folder + "/hostcities.xdb", citiesSize, cities));
}

QStringList lookup(clsHostIP& host, const QString& address) {
    host.setAddress(address);
    return {host.Country(), QString::number(host.CountryIndex()), host.City(), host.State()};
}

} // namespace

class TestGeo : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        QVERIFY(makeDatabase(
            dir_.filePath("geodata"), kNetworkSize,
            {network(0, 0, 0, 1, 1), network(192, 168, 1, 199, 2),
             network(255, 255, 255, 249, 32767), network(10, 1, 3, 5, 0), network(10, 1, 4, 0, 3),
             network(10, 1, 5, 250, 2), network(10, 1, 7, 226, 0x8001)},
            32767 * 83,
            {city(1, "KABUL", "KABUL PROVINCE", "\x7F\x7F\x7F\x7F"),
             city(2, "Madrid", "  Comunidad de Madrid", "\x00\x18\x55\x48", "\x00\x6B\x4D\x12"),
             city(3, "M\xE1laga",
                  "Andaluc\xED"
                  "a \x80",
                  "\0\0\0\1", "\x80\0\0\0"),
             city(32767, "Dili", "Dili")}));
    }

    void checkAddr_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("valid");
        QTest::newRow("256 in a part") << "10.0.0.256" << false;
        QTest::newRow("three parts") << "10.0.0" << false;
        QTest::newRow("empty part") << "1..2.3" << false;
        QTest::newRow("spaces around parts") << " 192 . 168.1 .  7 " << true;
        QTest::newRow("space inside a part") << "1.2 3.4.5" << false;
        QTest::newRow("lowest and highest") << "0.0.0.0" << true;
        QTest::newRow("leading zeros") << "001.002.003.0255" << true;
        QTest::newRow("digits beyond any integer") << "1.2.3.99999999999999999999999" << false;
        QTest::newRow("non-ASCII digits") << QString::fromUtf8("１.2.3.4") << false;
    }
    void checkAddr() {
        QFETCH(QString, address);
        QFETCH(bool, valid);
        QCOMPARE(clsHostIP().CheckAddr(address), valid);
    }

    // Address | country, index, city, state | latitude, longitude (as stored / 10,000).
    void lookups() {
        const char* const rows[] = {
            "0.0.0.0|AFGHANISTAN|1|KABUL|KABUL PROVINCE|26843.5455|0.0001",      // first record
            "255.255.255.255|EAST TIMOR|249|Dili|Dili|0.0001|0.0001",            // last, city 32767
            "192.168.1.1|SPAIN|199|Madrid|Comunidad de Madrid|40.4168|176.2962", // padding trimmed
            " 192 . 168 .001. 255 |SPAIN|199|Madrid|Comunidad de Madrid|40.4168|176.2962",
            "192.168.2.1||-1|||0|0",                                    // the next network
            "10.1.3.1|ANDORRA|5|||0|0",                                 // no city
            "10.1.4.1||-1|Málaga|Andalucía €|0.0001|26843.5456",        // no country
            "10.1.5.1||-1|Madrid|Comunidad de Madrid|40.4168|176.2962", // country 250
            "10.1.7.1|UNITED STATES|226|||0|0",                         // city 32769
            "10.1.3.256||-1|||0|0"};                                    // not an address
        clsHostIP host;
        host.setDatabasePath(dir_.filePath("geodata")); // without the trailing separator
        QVERIFY(host.Available());
        for (const char* row : rows) {
            const QStringList want = QString::fromUtf8(row).split('|');
            QCOMPARE((lookup(host, want[0]) << QString::number(host.Latitude(), 'g', 10)
                                            << QString::number(host.Longitude(), 'g', 10)),
                     want.mid(1));
            QCOMPARE(host.Address() + host.State(), want[0] + want[4]); // asked again
        }
    }

    // Records cut short or past the end of either file: nothing, or the country without the city.
    void damagedFiles() {
        const Pieces shortIndex{network(0, 0, 9, 172, 2), {3 * 10, QByteArray(1, char(172))}};
        // index size, network records, cities size, address, answers
        const std::tuple<qint64, Pieces, qint64, const char*, const char*> rows[] = {
            {31, shortIndex, 166, "0.0.9.1", "PORTUGAL|172|Porto|Porto"}, // the last whole record
            {31, shortIndex, 166, "0.0.10.1", "|-1||"},                   // a record cut short
            {kNetworkSize, {network(0, 0, 0, 172, 3)}, 166, "0.0.0.1", "PORTUGAL|172||"},
            {kNetworkSize, {network(0, 0, 0, 172, 2)}, 120, "0.0.0.1", "PORTUGAL|172||"},
            {kNetworkSize, {network(0, 0, 0, 172, 1)}, -1, "0.0.0.1", "PORTUGAL|172||"}};
        for (const auto& [indexSize, networks, citiesSize, address, answers] : rows) {
            QTemporaryDir dir;
            QVERIFY(makeDatabase(dir.path(), indexSize, networks, citiesSize,
                                 {city(1, "Lisboa", "Lisboa"), city(2, "Porto", "Porto")}));
            clsHostIP host;
            host.setDatabasePath(dir.path());
            QCOMPARE(lookup(host, address).join('|'), QString(answers));
        }
    }

    void filesChangedWhileRunning_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("answers"); // country, city; "-" when no longer available
        QTest::newRow("index deleted") << "delete index" << QStringList{"", "", "-"};
        QTest::newRow("index replaced by rename")
            << "replace index" << QStringList{"FRANCE", "Madrid"};
        QTest::newRow("cities rewritten in place")
            << "rewrite cities" << QStringList{"SPAIN", "Sevilla"};
        QTest::newRow("index truncated") << "truncate index" << QStringList{"", ""};
        QTest::newRow("folder above swapped") << "swap parent" << QStringList{"FRANCE", "Paris"};
        QTest::newRow("path changed") << "change path" << QStringList{"FRANCE", "Paris"};
    }
    void filesChangedWhileRunning() {
        QFETCH(QString, change);
        QFETCH(QStringList, answers);
        QTemporaryDir dir;
        const QString folder = dir.filePath("app/geodata"), other = dir.filePath("other");
        const Pieces spain{network(192, 168, 1, 199, 2)}, france{network(192, 168, 1, 73, 2)};
        QVERIFY(makeDatabase(folder, kNetworkSize, spain, 166, {city(2, "Madrid", "")}));
        clsHostIP host;
        host.setDatabasePath(folder);
        QCOMPARE(lookup(host, "192.168.1.1"), (QStringList{"SPAIN", "199", "Madrid", ""}));
        if (change == "delete index") QVERIFY(QFile::remove(folder + "/hostdat.xdb"));
        if (change == "delete cities") QVERIFY(QFile::remove(folder + "/hostcities.xdb"));
        if (change == "replace index")
            QVERIFY(replaceFile(folder + "/hostdat.xdb", kNetworkSize, france));
        if (change == "rewrite cities")
            QVERIFY(writeFile(folder + "/hostcities.xdb", 166, {city(2, "Sevilla", "")}));
        if (change == "truncate index") QVERIFY(QFile::resize(folder + "/hostdat.xdb", 100));
        if (change == "swap parent")
            QVERIFY(QDir().rename(dir.filePath("app"), dir.filePath("app.old")));
        if (change == "swap parent" || change == "change path")
            QVERIFY(makeDatabase(change == "swap parent" ? folder : other, kNetworkSize, france,
                                 166, {city(2, "Paris", "")}));
        if (change == "change path") host.setDatabasePath(other + "/");
        QCOMPARE(host.Available(), answers.size() < 3);
        const QStringList now = lookup(host, "192.168.1.200");
        QCOMPARE((QStringList{now[0], now[2]}), answers.mid(0, 2));
    }

    // Rows 1..239 run in the alphabetical order of the names (Poland's under its own name), and
    // rows outside 1..249 are empty.
    void countryTable() {
        const clsHostIP host;
        QCOMPARE(host.CountryCodesCount(), qint16(249));
        QCOMPARE(host.CountryCode(171) + host.CountryName(171) + host.CountryCode(240) +
                     host.CountryName(240),
                 "PLRZECZPOSPOLITA POLSKAUKUNITED KINGDOM");
        QCOMPARE(host.CountryCode(0) + host.CountryName(250) + host.CountryCode(-32768), QString());
        for (qint16 i = 2; i <= 239; ++i) {
            const auto name = [&](qint16 k) { return k == 171 ? "POLAND" : host.CountryName(k); };
            QVERIFY2(name(i - 1) < name(i) && host.CountryCode(i).size() == 2, qPrintable(name(i)));
        }
    }

    // One image per country row from geodata/flags beside the program; empty entries for files
    // that are missing or are no images; separate images for rows that share a code.
    void flags() {
        if (!QFile::exists(kFlags + "zw.gif")) QSKIP("needs famfamfam-flag-gif (scripts/setup.sh)");
        QTemporaryDir program;
        const QString folder = program.filePath("geodata/flags/");
        QVERIFY(QDir().mkpath(folder + "AL.gif")); // a folder is no flag file
        // UK gets another country's flag, so that its file shows apart from GB's.
        for (const auto& [from, to] :
             {std::pair{"zw", "ZW"}, {"gb", "GB"}, {"fr", "UK"}, {"tl", "TP"}})
            QVERIFY(QFile::copy(kFlags + from + ".gif", folder + to + ".gif"));
        QFile junk(folder + "AF.gif");
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("GIF89a but not really") > 0);
        junk.close();
        const clsHostIP host;
        const FlagImages flags = LoadFlagDC(host, program.path()); // no trailing separator
        QCOMPARE(flags.size(), size_t(250));                       // 1..249, and 0 unused
        const std::map<int, QString> loaded{
            {225, "gb"}, {240, "fr"}, {239, "zw"}, {243, "zw"}, {249, "tl"}};
        for (int row = 0; row < 250; ++row) {
            const auto it = loaded.find(row);
            QCOMPARE(bool(flags[size_t(row)]), it != loaded.end());
            if (it == loaded.end()) continue;
            const QImage expected(kFlags + it->second + ".gif");
            QCOMPARE(flags[size_t(row)]->hDC().convertToFormat(QImage::Format_ARGB32),
                     expected.convertToFormat(QImage::Format_ARGB32));
        }
        flags[239]->hDC().fill(Qt::magenta); // rows sharing a code do not share an image
        QCOMPARE(flags[243]->hDC().convertToFormat(QImage::Format_ARGB32),
                 QImage(kFlags + "zw.gif").convertToFormat(QImage::Format_ARGB32));
        // Without the folder, or with it empty, every entry is empty.
        for (const QString& sub :
             {QString(), QStringLiteral("geodata"), QStringLiteral("geodata/flags/")}) {
            QTemporaryDir other;
            QVERIFY(sub.isEmpty() || QDir().mkpath(other.filePath(sub)));
            const FlagImages none = LoadFlagDC(host, other.path() + (sub.endsWith('/') ? "/" : ""));
            QCOMPARE(none.size(), size_t(250));
            QVERIFY(std::none_of(none.begin(), none.end(), [](const auto& f) { return bool(f); }));
        }
    }
};

QTEST_MAIN(TestGeo)
#include "tst_geo.moc"
