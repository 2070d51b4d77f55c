// Geolocation lookups on database files the tests write themselves: the address test, the
// record layout of both files, damaged and missing files, and files that change while the
// object is in use.
#include "GeoFiles.h"
#include "geo/clsHostIP.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#if defined(Q_OS_LINUX)
#include <sys/inotify.h>
#include <unistd.h>
#endif

using namespace geotest;

namespace {

constexpr qint64 kNetworkSize = 50331648;
constexpr qint64 kCitiesSize = 32767 * 83;

// Coordinates as raw bytes; the expected values below are worked out by hand from the format
// (b0 * 128^3 + b1 * 128^2 + b2 * 128 + b3) / 10,000.
const QByteArray kLat404168("\x00\x18\x55\x48", 4);   // 404168 -> 40.4168
const QByteArray kLon1762962("\x00\x6B\x4D\x12", 4);  // 1762962 -> 176.2962
const QByteArray kAllSevens("\x7F\x7F\x7F\x7F", 4);   // 268435455 -> 26843.5455
const QByteArray kHighBitByte("\x80\x00\x00\x00", 4); // taken whole: 268435456 -> 26843.5456
const QByteArray kOne("\x00\x00\x00\x01", 4);         // 1 -> 0.0001

// The shared database: networks and cities chosen to hit the edges of both files.
Pieces MainNetworks() {
    return {
        {NetworkOffset(0, 0, 0), NetworkRecord(1, 1)},             // first record
        {NetworkOffset(192, 168, 1), NetworkRecord(199, 2)},       // SPAIN, Madrid
        {NetworkOffset(255, 255, 255), NetworkRecord(249, 32767)}, // last record, last city
        {NetworkOffset(10, 1, 3), NetworkRecord(5, 0)},            // country without a city
        {NetworkOffset(10, 1, 4), NetworkRecord(0, 3)},            // city without a country
        {NetworkOffset(10, 1, 5), NetworkRecord(250, 2)},          // country past the table
        {NetworkOffset(10, 1, 6), NetworkRecord(255, 0)},
        {NetworkOffset(10, 1, 7), NetworkRecord(226, 0x8001)}, // city number's top bit set
    };
}

Pieces MainCities() {
    return {
        {0, CityRecord("KABUL", "KABUL PROVINCE", kAllSevens, kOne)},
        {83, CityRecord("Madrid", "  Comunidad de Madrid", kLat404168, kLon1762962)},
        {166, CityRecord("M\xE1laga",
                         "Andaluc\xED"
                         "a \x80",
                         kOne, kHighBitByte)},
        {2719578, CityRecord("Dili", "Dili", kOne, kOne)},
    };
}

// A folder holding both files with these contents; a negative size leaves a file out.
bool MakeDatabase(const QString& folder, qint64 networkSize, const Pieces& networks,
                  qint64 citiesSize, const Pieces& cities) {
    if (!QDir().mkpath(folder)) return false;
    if (networkSize >= 0 && !WriteFile(folder + "/hostdat.xdb", networkSize, networks))
        return false;
    if (citiesSize >= 0 && !WriteFile(folder + "/hostcities.xdb", citiesSize, cities)) return false;
    return true;
}

struct Answers {
    QString country;
    int index;
    QString city;
    QString state;
};

Answers Lookup(clsHostIP& host, const QString& address) {
    host.setAddress(address);
    return {host.Country(), host.CountryIndex(), host.City(), host.State()};
}

} // namespace

class tst_clsHostIP : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void checkAddr_data();
    void checkAddr();
    void lookup_data();
    void lookup();
    void networkSharedByWholeSlash24();
    void filesOpened_data();
    void filesOpened();
    void available_data();
    void available();
    void damagedFiles_data();
    void damagedFiles();
    void countryTableOutsideRange_data();
    void countryTableOutsideRange();
    void filesChangedWhileRunning_data();
    void filesChangedWhileRunning();

private:
    QTemporaryDir m_dir;
    QString m_db;
};

void tst_clsHostIP::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_db = m_dir.filePath("geodata");
    QVERIFY(MakeDatabase(m_db, kNetworkSize, MainNetworks(), kCitiesSize, MainCities()));
}

void tst_clsHostIP::checkAddr_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("valid");
    QTest::newRow("256 in a part") << "10.0.0.256" << false;
    QTest::newRow("three parts") << "10.0.0" << false;
    QTest::newRow("five parts") << "1.2.3.4.5" << false;
    QTest::newRow("letters") << "a.b.c.d" << false;
    QTest::newRow("empty part") << "1..2.3" << false;
    QTest::newRow("empty text") << "" << false;
    QTest::newRow("trailing dot") << "1.2.3.4." << false;
    QTest::newRow("spaces around parts") << " 192 . 168.1 .  7 " << true;
    QTest::newRow("space inside a part") << "1.2 3.4.5" << false;
    QTest::newRow("only spaces in a part") << "1. .3.4" << false;
    QTest::newRow("tab around a part") << "1.2.3.\t4" << false;
    QTest::newRow("lowest") << "0.0.0.0" << true;
    QTest::newRow("highest") << "255.255.255.255" << true;
    QTest::newRow("leading zeros") << "001.002.003.0255" << true;
    QTest::newRow("leading zeros past 255") << "1.2.3.0256" << false;
    QTest::newRow("minus sign") << "1.2.3.-4" << false;
    QTest::newRow("minus zero") << "1.2.3.-0" << false;
    QTest::newRow("plus sign") << "1.2.+3.4" << false;
    QTest::newRow("hexadecimal") << "0x1.2.3.4" << false;
    QTest::newRow("exponent") << "1.2.3.1e2" << false;
    QTest::newRow("decimal comma") << "1.2.3.4,5" << false;
    QTest::newRow("digits beyond any integer") << "1.2.3.99999999999999999999999" << false;
    QTest::newRow("non-ASCII digits") << QString::fromUtf8("\xEF\xBC\x91.2.3.4") << false;
    QTest::newRow("host name") << "www.example.com" << false;
}

void tst_clsHostIP::checkAddr() {
    QFETCH(QString, address);
    QFETCH(bool, valid);
    clsHostIP host; // no database path: the test touches no file
    QCOMPARE(host.CheckAddr(address), valid);
}

void tst_clsHostIP::lookup_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("country");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("city");
    QTest::addColumn<QString>("state");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");

    const QString none;
    QTest::newRow("0.0.0.0 reads the first record") << "0.0.0.0"
                                                    << "AFGHANISTAN" << 1 << "KABUL"
                                                    << "KABUL PROVINCE" << 26843.5455 << 0.0001;
    QTest::newRow("255.255.255.255 reads the last record, city 32767")
        << "255.255.255.255"
        << "EAST TIMOR" << 249 << "Dili"
        << "Dili" << 0.0001 << 0.0001;
    QTest::newRow("padding and leading spaces trimmed")
        << "192.168.1.1"
        << "SPAIN" << 199 << "Madrid"
        << "Comunidad de Madrid" << 40.4168 << 176.2962;
    QTest::newRow("spaces around the parts") << " 192 . 168 .1. 77 "
                                             << "SPAIN" << 199 << "Madrid"
                                             << "Comunidad de Madrid" << 40.4168 << 176.2962;
    QTest::newRow("leading zeros") << "192.168.001.050"
                                   << "SPAIN" << 199 << "Madrid"
                                   << "Comunidad de Madrid" << 40.4168 << 176.2962;
    QTest::newRow("network with nothing") << "10.1.2.3" << none << -1 << none << none << 0.0 << 0.0;
    QTest::newRow("country without a city") << "10.1.3.1"
                                            << "ANDORRA" << 5 << none << none << 0.0 << 0.0;
    QTest::newRow("city without a country, single-byte text")
        << "10.1.4.1" << none << -1 << QString::fromUtf8("Málaga")
        << QString::fromUtf8("Andalucía €") << 0.0001 << 26843.5456;
    QTest::newRow("country 250 is unknown, its city stands")
        << "10.1.5.1" << none << -1 << "Madrid"
        << "Comunidad de Madrid" << 40.4168 << 176.2962;
    QTest::newRow("country 255 is unknown")
        << "10.1.6.1" << none << -1 << none << none << 0.0 << 0.0;
    QTest::newRow("city 32769 is unknown, its country stands")
        << "10.1.7.1"
        << "UNITED STATES" << 226 << none << none << 0.0 << 0.0;
    QTest::newRow("malformed address of a known network")
        << "10.1.3.256" << none << -1 << none << none << 0.0 << 0.0;
    QTest::newRow("empty address") << "" << none << -1 << none << none << 0.0 << 0.0;
}

void tst_clsHostIP::lookup() {
    QFETCH(QString, address);
    QFETCH(QString, country);
    QFETCH(int, index);
    QFETCH(QString, city);
    QFETCH(QString, state);
    QFETCH(double, latitude);
    QFETCH(double, longitude);

    clsHostIP host;
    host.setDatabasePath(m_db); // without the trailing separator
    QVERIFY(host.Available());
    host.setAddress(address);
    QCOMPARE(host.Address(), address);
    QCOMPARE(host.Country(), country);
    QCOMPARE(host.CountryIndex(), qint16(index));
    QCOMPARE(host.City(), city);
    QCOMPARE(host.State(), state);
    QCOMPARE(host.Latitude(), latitude);
    QCOMPARE(host.Longitude(), longitude);
    // Asking again, and in another order, answers the same.
    QCOMPARE(host.State(), state);
    QCOMPARE(host.Country(), country);
}

void tst_clsHostIP::networkSharedByWholeSlash24() {
    clsHostIP host;
    host.setDatabasePath(m_db + "/");
    const Answers first = Lookup(host, "192.168.1.1");
    QCOMPARE(first.country, QStringLiteral("SPAIN"));
    for (const char* other : {"192.168.1.200", "192.168.1.0", "192.168.1.255"}) {
        const Answers a = Lookup(host, other);
        QCOMPARE(a.country, first.country);
        QCOMPARE(a.index, first.index);
        QCOMPARE(a.city, first.city);
        QCOMPARE(a.state, first.state);
    }
    // The neighbouring networks are other records.
    QCOMPARE(Lookup(host, "192.168.0.1").index, -1);
    QCOMPARE(Lookup(host, "192.168.2.1").index, -1);
}

void tst_clsHostIP::filesOpened_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("networkOpened");
    QTest::addColumn<bool>("citiesOpened");
    QTest::newRow("malformed address") << "1.2.3" << false << false;
    QTest::newRow("network with nothing") << "10.1.2.3" << true << false;
    QTest::newRow("country without a city") << "10.1.3.1" << true << false;
    QTest::newRow("city number past its range") << "10.1.7.1" << true << false;
    QTest::newRow("network with a city") << "192.168.1.1" << true << true;
}

void tst_clsHostIP::filesOpened() {
#if defined(Q_OS_LINUX)
    QFETCH(QString, address);
    QFETCH(bool, networkOpened);
    QFETCH(bool, citiesOpened);

    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(fd >= 0);
    const int networkWatch =
        inotify_add_watch(fd, QFile::encodeName(m_db + "/hostdat.xdb").constData(), IN_OPEN);
    const int citiesWatch =
        inotify_add_watch(fd, QFile::encodeName(m_db + "/hostcities.xdb").constData(), IN_OPEN);
    QVERIFY(networkWatch >= 0 && citiesWatch >= 0);

    {
        clsHostIP host;
        host.setDatabasePath(m_db);
        QVERIFY(host.Available());
        host.setAddress(address);
        (void)host.Country();
        (void)host.CountryIndex();
        (void)host.City();
        (void)host.State();
        (void)host.Latitude();
        (void)host.Longitude();
    }

    bool sawNetwork = false, sawCities = false;
    alignas(inotify_event) char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            sawNetwork |= e->wd == networkWatch && (e->mask & IN_OPEN);
            sawCities |= e->wd == citiesWatch && (e->mask & IN_OPEN);
            at += sizeof(inotify_event) + e->len;
        }
    }
    close(fd);
    QCOMPARE(sawNetwork, networkOpened);
    QCOMPARE(sawCities, citiesOpened);
#else
    QSKIP("needs inotify to see which files are opened");
#endif
}

void tst_clsHostIP::available_data() {
    QTest::addColumn<bool>("network");
    QTest::addColumn<bool>("cities");
    QTest::addColumn<bool>("trailingSeparator");
    QTest::addColumn<bool>("available");
    QTest::newRow("both files") << true << true << false << true;
    QTest::newRow("both files, path with separator") << true << true << true << true;
    QTest::newRow("network index only") << true << false << false << false;
    QTest::newRow("cities only") << false << true << false << false;
    QTest::newRow("neither") << false << false << true << false;
}

void tst_clsHostIP::available() {
    QFETCH(bool, network);
    QFETCH(bool, cities);
    QFETCH(bool, trailingSeparator);
    QFETCH(bool, available);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(MakeDatabase(dir.path(), network ? 300 : -1, {}, cities ? 83 : -1, {}));
    clsHostIP host;
    QVERIFY(!host.Available()); // no path yet
    host.setDatabasePath(dir.path() + (trailingSeparator ? "/" : ""));
    QCOMPARE(host.Available(), available);
    QCOMPARE(host.DatabasePath(), dir.path() + (trailingSeparator ? "/" : ""));
}

void tst_clsHostIP::damagedFiles_data() {
    QTest::addColumn<qint64>("networkSize");
    QTest::addColumn<Pieces>("networks");
    QTest::addColumn<qint64>("citiesSize");
    QTest::addColumn<Pieces>("cities");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("city");

    const QByteArray pos("\x00\x00\x00\x01", 4);
    const Pieces twoCities = {{0, CityRecord("Lisboa", "Lisboa", pos, pos)},
                              {83, CityRecord("Porto", "Porto", pos, pos)}};
    const Pieces shortIndex = {{NetworkOffset(0, 0, 9), NetworkRecord(172, 2)},
                               {NetworkOffset(0, 0, 10), QByteArray(1, char(172))}};
    const QString none;

    QTest::newRow("last whole record of a short index")
        << qint64(31) << shortIndex << qint64(166) << twoCities << "0.0.9.1"
        << "PORTUGAL"
        << "Porto";
    QTest::newRow("record cut by the end of the index")
        << qint64(31) << shortIndex << qint64(166) << twoCities << "0.0.10.1" << none << none;
    QTest::newRow("record past the end of the index")
        << qint64(31) << shortIndex << qint64(166) << twoCities << "200.1.1.1" << none << none;
    QTest::newRow("empty index") << qint64(0) << Pieces{} << qint64(166) << twoCities << "0.0.0.1"
                                 << none << none;
    QTest::newRow("index missing")
        << qint64(-1) << Pieces{} << qint64(166) << twoCities << "0.0.0.1" << none << none;
    QTest::newRow("city past the end of the cities file")
        << kNetworkSize << Pieces{{0, NetworkRecord(172, 3)}} << qint64(166) << twoCities
        << "0.0.0.1"
        << "PORTUGAL" << none;
    QTest::newRow("city record cut short")
        << kNetworkSize << Pieces{{0, NetworkRecord(172, 3)}} << qint64(166 + 40)
        << (twoCities + Pieces{{166, CityRecord("Faro", "Faro", pos, pos).left(40)}}) << "0.0.0.1"
        << "PORTUGAL" << none;
    QTest::newRow("cities file empty")
        << kNetworkSize << Pieces{{0, NetworkRecord(172, 1)}} << qint64(0) << Pieces{} << "0.0.0.1"
        << "PORTUGAL" << none;
    QTest::newRow("cities file missing")
        << kNetworkSize << Pieces{{0, NetworkRecord(172, 1)}} << qint64(-1) << Pieces{} << "0.0.0.1"
        << "PORTUGAL" << none;
    QTest::newRow("largest city number, file of two cities")
        << kNetworkSize << Pieces{{0, NetworkRecord(172, 32767)}} << qint64(166) << twoCities
        << "0.0.0.1"
        << "PORTUGAL" << none;
}

void tst_clsHostIP::damagedFiles() {
    QFETCH(qint64, networkSize);
    QFETCH(Pieces, networks);
    QFETCH(qint64, citiesSize);
    QFETCH(Pieces, cities);
    QFETCH(QString, address);
    QFETCH(QString, country);
    QFETCH(QString, city);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(MakeDatabase(dir.path(), networkSize, networks, citiesSize, cities));
    clsHostIP host;
    host.setDatabasePath(dir.path());
    const Answers a = Lookup(host, address);
    QCOMPARE(a.country, country);
    QCOMPARE(a.index, country.isEmpty() ? -1 : 172);
    QCOMPARE(a.city, city);
    QCOMPARE(a.state, city);
    if (city.isEmpty()) {
        QCOMPARE(host.Latitude(), 0.0);
        QCOMPARE(host.Longitude(), 0.0);
    }
}

void tst_clsHostIP::countryTableOutsideRange_data() {
    QTest::addColumn<int>("number");
    QTest::newRow("0") << 0;
    QTest::newRow("-1") << -1;
    QTest::newRow("250") << 250;
    QTest::newRow("32767") << 32767;
    QTest::newRow("-32768") << -32768;
}

void tst_clsHostIP::countryTableOutsideRange() {
    QFETCH(int, number);
    const clsHostIP host;
    QCOMPARE(host.CountryName(qint16(number)), QString());
    QCOMPARE(host.CountryCode(qint16(number)), QString());
}

void tst_clsHostIP::filesChangedWhileRunning_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QString>("city");
    QTest::addColumn<bool>("available");
    const QString none;
    QTest::newRow("index deleted") << "delete index" << none << none << false;
    QTest::newRow("cities deleted") << "delete cities"
                                    << "SPAIN" << none << false;
    QTest::newRow("index replaced by rename") << "replace index"
                                              << "FRANCE"
                                              << "Madrid" << true;
    QTest::newRow("cities replaced by rename") << "replace cities"
                                               << "SPAIN"
                                               << "Paris" << true;
    QTest::newRow("cities rewritten in place") << "rewrite cities"
                                               << "SPAIN"
                                               << "Sevilla" << true;
    QTest::newRow("index truncated") << "truncate index" << none << none << true;
    QTest::newRow("data folder swapped") << "swap folder"
                                         << "FRANCE"
                                         << "Paris" << true;
    QTest::newRow("folder above swapped") << "swap parent"
                                          << "FRANCE"
                                          << "Paris" << true;
    QTest::newRow("path changed") << "change path"
                                  << "FRANCE"
                                  << "Paris" << true;
}

void tst_clsHostIP::filesChangedWhileRunning() {
    QFETCH(QString, change);
    QFETCH(QString, country);
    QFETCH(QString, city);
    QFETCH(bool, available);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath("app/geodata");
    const QString index = folder + "/hostdat.xdb";
    const QString citiesFile = folder + "/hostcities.xdb";
    const QByteArray pos("\x00\x00\x00\x01", 4);
    const Pieces spain = {{NetworkOffset(192, 168, 1), NetworkRecord(199, 2)}};
    const Pieces france = {{NetworkOffset(192, 168, 1), NetworkRecord(73, 2)}};
    const auto citiesWith = [&](const QByteArray& name) {
        return Pieces{{83, CityRecord(name, "", pos, pos)}};
    };
    QVERIFY(MakeDatabase(folder, kNetworkSize, spain, 166, citiesWith("Madrid")));

    clsHostIP host;
    host.setDatabasePath(folder);
    QVERIFY(host.Available());
    Answers a = Lookup(host, "192.168.1.1");
    QCOMPARE(a.country, QStringLiteral("SPAIN"));
    QCOMPARE(a.city, QStringLiteral("Madrid"));

    if (change == "delete index") {
        QVERIFY(QFile::remove(index));
    } else if (change == "delete cities") {
        QVERIFY(QFile::remove(citiesFile));
    } else if (change == "replace index") {
        QVERIFY(ReplaceFile(index, kNetworkSize, france));
    } else if (change == "replace cities") {
        QVERIFY(ReplaceFile(citiesFile, 166, citiesWith("Paris")));
    } else if (change == "rewrite cities") {
        QVERIFY(WriteFile(citiesFile, 166, citiesWith("Sevilla")));
    } else if (change == "truncate index") {
        QVERIFY(QFile::resize(index, 100));
    } else if (change == "swap folder") {
        QVERIFY(QDir().rename(folder, folder + ".old"));
        QVERIFY(MakeDatabase(folder, kNetworkSize, france, 166, citiesWith("Paris")));
    } else if (change == "swap parent") {
        QVERIFY(QDir().rename(dir.filePath("app"), dir.filePath("app.old")));
        QVERIFY(MakeDatabase(folder, kNetworkSize, france, 166, citiesWith("Paris")));
    } else if (change == "change path") {
        QVERIFY(
            MakeDatabase(dir.filePath("other"), kNetworkSize, france, 166, citiesWith("Paris")));
        host.setDatabasePath(dir.filePath("other") + "/");
    } else {
        QFAIL("unknown change");
    }

    QCOMPARE(host.Available(), available);
    a = Lookup(host, "192.168.1.200");
    QCOMPARE(a.country, country);
    QCOMPARE(a.city, city);
}

QTEST_GUILESS_MAIN(tst_clsHostIP)
#include "tst_clsHostIP.moc"
