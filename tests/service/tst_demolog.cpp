// ovdemolog: the demo access log it writes (format, public clients, variety, repeatability) and
// its growing mode, run as the real program.
#include "helper_service.h"
#include "service/DemoLog.h"

#include <QFile>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace servicetest;

namespace {

QByteArray RunDemoLog(const QStringList& args, int* exitCode) {
    QProcess process;
    process.start(ProgramPath(QStringLiteral("ovdemolog")), args);
    if (!process.waitForFinished(kWaitMs)) return "timeout";
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardError();
}

QList<QByteArray> Lines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QList<QByteArray> lines = f.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

} // namespace

class tst_DemoLog : public QObject {
    Q_OBJECT

private slots:
    void publicAddresses_data();
    void publicAddresses();
    void writesRealisticLog();
    void grows();
    void fewHosts();
    void badArguments_data();
    void badArguments();

private:
    QTemporaryDir m_dir;
};

void tst_DemoLog::publicAddresses_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("isPublic");
    QTest::newRow("public") << "83.149.9.216" << true;
    QTest::newRow("10/8") << "10.1.2.3" << false;
    QTest::newRow("172.16/12") << "172.31.255.1" << false;
    QTest::newRow("192.168/16") << "192.168.1.1" << false;
    QTest::newRow("loopback") << "127.0.0.1" << false;
    QTest::newRow("shared 100.64/10") << "100.127.0.1" << false;
    QTest::newRow("documentation") << "203.0.113.7" << false;
    QTest::newRow("multicast") << "224.0.0.1" << false;
    QTest::newRow("reserved") << "250.1.1.1" << false;
}

void tst_DemoLog::publicAddresses() {
    QFETCH(QString, address);
    QFETCH(bool, isPublic);
    QCOMPARE(ov::service::IsPublicIPv4(QHostAddress(address).toIPv4Address()), isPublic);
}

void tst_DemoLog::writesRealisticLog() {
    QVERIFY(m_dir.isValid());
    const QString first = m_dir.filePath(QStringLiteral("a.log"));
    const QString second = m_dir.filePath(QStringLiteral("b.log"));
    int code = -1;
    RunDemoLog({first, "--lines", "4000"}, &code);
    QCOMPARE(code, 0);
    RunDemoLog({second, "--lines", "4000"}, &code);
    QCOMPARE(code, 0);
    const QList<QByteArray> lines = Lines(first);
    QCOMPARE(lines.size(), 4000);
    QCOMPARE(Lines(second), lines); // the seed is fixed

    const QRegularExpression combined(QStringLiteral(
        R"re(^(\d+\.\d+\.\d+\.\d+) - - \[\d\d/[A-Z][a-z]{2}/\d{4}:\d\d:\d\d:\d\d \+0000\] )re"
        R"re("(GET|POST|HEAD) (/\S*) HTTP/1\.1" (\d{3}) (\d+|-) "([^"]*)" "([^"]+)"$)re"));
    QSet<QString> hosts, methods, paths, agents;
    qint64 smallest = std::numeric_limits<qint64>::max(), largest = 0;
    for (const QByteArray& line : lines) {
        const auto m = combined.match(QString::fromLatin1(line));
        QVERIFY2(m.hasMatch(), line.constData());
        QVERIFY2(ov::service::IsPublicIPv4(QHostAddress(m.captured(1)).toIPv4Address()),
                 line.constData());
        hosts << m.captured(1);
        methods << m.captured(2);
        paths << m.captured(3);
        agents << m.captured(7);
        if (m.captured(5) != u"-") {
            smallest = qMin(smallest, m.captured(5).toLongLong());
            largest = qMax(largest, m.captured(5).toLongLong());
        }
    }
    QVERIFY2(hosts.size() >= 200 && hosts.size() <= 1000,
             qPrintable(QString::number(hosts.size())));
    QCOMPARE(methods, (QSet<QString>{"GET", "POST", "HEAD"}));
    QVERIFY(paths.size() >= 20);
    QVERIFY(agents.size() >= 10);
    QVERIFY(smallest < 1000);
    QVERIFY(largest > 1000000);
}

void tst_DemoLog::grows() {
    const QString path = m_dir.filePath(QStringLiteral("growing.log"));
    QProcess process;
    process.start(ProgramPath(QStringLiteral("ovdemolog")),
                  {path, "--lines", "10", "--grow-every", "0.05"});
    QVERIFY(process.waitForStarted(kWaitMs));
    QTRY_VERIFY_WITH_TIMEOUT(Lines(path).size() >= 20, kWaitMs);
    process.kill();
    process.waitForFinished(kWaitMs);
    const QList<QByteArray> lines = Lines(path);
    // Grown lines carry the time they were written.
    const QByteArray year = QByteArray::number(QDate::currentDate().year());
    QVERIFY(lines.last().contains("/" + year + ":"));
    QVERIFY(lines.first().contains("/2024:"));
}

void tst_DemoLog::fewHosts() {
    const QString path = m_dir.filePath(QStringLiteral("few.log"));
    int code = -1;
    RunDemoLog({path, "--lines", "400", "--hosts", "7"}, &code);
    QCOMPARE(code, 0);
    QSet<QByteArray> hosts;
    for (const QByteArray& line : Lines(path)) hosts.insert(line.left(line.indexOf(' ')));
    // Busy and quiet hosts alike show up over 400 lines.
    QCOMPARE(hosts.size(), 7);
}

void tst_DemoLog::badArguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << QStringList{};
    QTest::newRow("no line count") << QStringList{"x.log"};
    QTest::newRow("line count not a number") << QStringList{"x.log", "--lines", "many"};
    QTest::newRow("no hosts") << QStringList{"x.log", "--lines", "1", "--hosts", "0"};
    QTest::newRow("zero period") << QStringList{"x.log", "--lines", "1", "--grow-every", "0"};
    QTest::newRow("unwritable file") << QStringList{"/nonexistent/dir/x.log", "--lines", "1"};
}

void tst_DemoLog::badArguments() {
    QFETCH(QStringList, args);
    int code = -1;
    const QByteArray err = RunDemoLog(args, &code);
    QCOMPARE(code, 2);
    QVERIFY(err.contains("usage: ovdemolog"));
}

QTEST_GUILESS_MAIN(tst_DemoLog)
#include "tst_demolog.moc"
