// The ovgeobuild program as the set-up runs it: its command line and exit codes, a build from a
// small database written here, and a build from the real DB-IP database when the set-up has
// fetched it (scripts/geodata.sh keeps it in <build>/geodata-cache).
#include "MmdbWriter.h"
#include "geo/clsHostIP.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace mmdbtest;

namespace {

const QString kProgram = QStringLiteral(OV_BIN_DIR "/ovgeobuild");

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run RunBuilder(const QStringList& args) {
    QProcess p;
    p.start(kProgram, args);
    Run r;
    // A full-size build takes seconds; the limit only stops a hung builder.
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 Ip(int a, int b, int c, int d) {
    return quint32(a) << 24 | b << 16 | c << 8 | d;
}

QString RealDatabase() {
    const QString fromEnv = qEnvironmentVariable("OV_GEODATA_MMDB");
    if (!fromEnv.isEmpty()) return fromEnv;
    QDirIterator it(QStringLiteral(OV_BUILD_DIR "/geodata-cache"), {"*ipv4*.mmdb"}, QDir::Files,
                    QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

} // namespace

class tst_ovgeobuild : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void commandLine_data();
    void commandLine();
    void smallDatabase();
    void realDatabase_data();
    void realDatabase();

private:
    QTemporaryDir m_dir;
    QString m_sample;
};

void tst_ovgeobuild::initTestCase() {
    QVERIFY(QFile::exists(kProgram));
    QVERIFY(m_dir.isValid());
    m_sample = m_dir.filePath("sample.mmdb");
    QFile f(m_sample);
    const QByteArray db = WriteMmdb({
        {Ip(1, 0, 0, 0), 8, CityRecord("AU", "Queensland", "Brisbane", -27.4698, 153.0251)},
        {Ip(2, 3, 4, 0), 24, CityRecord("ES", "Andalucía", "Málaga", 36.7213, -4.4214)},
    });
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(db) == db.size());
    QFile blocker(m_dir.filePath("a-file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    QFile junk(m_dir.filePath("junk.mmdb"));
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(1000, 'j')) == 1000);
}

void tst_ovgeobuild::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // expected in the output or the error output
    const QString out = m_dir.filePath("out");
    QTest::newRow("version") << QStringList{"--version"} << 0 << "ovgeobuild 1";
    QTest::newRow("no arguments") << QStringList{} << 1 << "usage:";
    QTest::newRow("one argument") << QStringList{m_sample} << 1 << "usage:";
    QTest::newRow("three arguments") << QStringList{m_sample, out, out} << 1 << "usage:";
    QTest::newRow("unknown switch") << QStringList{"--fast", out} << 1 << "usage:";
    QTest::newRow("missing database")
        << QStringList{m_dir.filePath("none.mmdb"), out} << 2 << "cannot read";
    QTest::newRow("not a database")
        << QStringList{m_dir.filePath("junk.mmdb"), out} << 2 << "cannot read";
    QTest::newRow("output folder is a file")
        << QStringList{m_sample, m_dir.filePath("a-file")} << 3 << "cannot";
}

void tst_ovgeobuild::commandLine() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const Run r = RunBuilder(args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2((r.out + r.err).contains(message), qPrintable(r.out + r.err));
}

void tst_ovgeobuild::smallDatabase() {
    const QString first = m_dir.filePath("small-1/geodata");
    const QString second = m_dir.filePath("small-2");
    const Run r1 = RunBuilder({m_sample, first});
    QCOMPARE(r1.exitCode, 0);
    QVERIFY2(r1.out.contains("2 locations"), qPrintable(r1.out));
    QCOMPARE(RunBuilder({m_sample, second}).exitCode, 0);

    // Same input, byte-identical files.
    const QByteArray index = ReadAll(first + "/hostdat.xdb");
    QCOMPARE(index.size(), 50331648);
    QVERIFY(index == ReadAll(second + "/hostdat.xdb"));
    QCOMPARE(ReadAll(first + "/hostcities.xdb").size(), 2 * 83);
    QVERIFY(ReadAll(first + "/hostcities.xdb") == ReadAll(second + "/hostcities.xdb"));

    clsHostIP host;
    host.setDatabasePath(first);
    host.setAddress("2.3.4.5");
    QCOMPARE(host.Country(), QStringLiteral("SPAIN"));
    QCOMPARE(host.City(), QString::fromUtf8("Málaga"));
    QCOMPARE(host.State(), QString::fromUtf8("Andalucía"));
    host.setAddress("1.200.3.4");
    QCOMPARE(host.CountryCode(host.CountryIndex()), QStringLiteral("AU"));
    QCOMPARE(host.City(), QStringLiteral("Brisbane"));
    QVERIFY(qAbs(host.Latitude() - 90 - -27.4698) < 0.0001);
}

void tst_ovgeobuild::realDatabase_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("code");
    // Busy hosts of the shared access log whose country is beyond doubt: a Google crawler,
    // Stockholm's Royal Institute of Technology, a Moscow network, Vietnam's VNPT.
    QTest::newRow("Googlebot") << "66.249.73.135"
                               << "US";
    QTest::newRow("KTH Stockholm") << "130.237.218.86"
                                   << "SE";
    QTest::newRow("Moscow") << "83.149.9.216"
                            << "RU";
    QTest::newRow("VNPT Hanoi") << "14.160.65.22"
                                << "VN";
}

void tst_ovgeobuild::realDatabase() {
    QFETCH(QString, address);
    QFETCH(QString, code);
    const QString mmdb = RealDatabase();
    if (mmdb.isEmpty())
        QSKIP("the DB-IP package is not in " OV_BUILD_DIR "/geodata-cache: run "
              "scripts/geodata.sh " OV_BIN_DIR " first");

    static QTemporaryDir built; // one build for every row
    static int status = -1;
    if (status < 0) {
        const Run r = RunBuilder({mmdb, built.path()});
        status = r.exitCode;
        QVERIFY2(status == 0, qPrintable(r.err));
    }
    QCOMPARE(status, 0);

    clsHostIP host;
    host.setDatabasePath(built.path());
    QVERIFY(host.Available());
    QVERIFY(host.CheckAddr(address));
    host.setAddress(address);
    QCOMPARE(host.CountryCode(host.CountryIndex()), code);
    QVERIFY(!host.Country().isEmpty());
    QVERIFY2(!host.City().isEmpty(), qPrintable(address));
    QVERIFY(host.Latitude() > 0 && host.Latitude() < 180);
    QVERIFY(host.Longitude() > 0 && host.Longitude() < 360);
}

QTEST_GUILESS_MAIN(tst_ovgeobuild)
#include "tst_ovgeobuild.moc"
