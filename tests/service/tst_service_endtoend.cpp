// The console's link against the real log service: the real ovservice process, the real
// CSocketMaster and ServiceConversation, on 127.0.0.1.
#include "helper_service.h"

#include "link/CSocketMaster.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace servicetest;

namespace {

QByteArray Corpus() {
    QFile f(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode) {
    QFile f(path);
    return f.open(mode) && f.write(bytes) == bytes.size();
}

} // namespace

class tst_ServiceEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void init();
    void transfer_data();
    void transfer();
    void changedLogIsSentAgain_data();
    void changedLogIsSentAgain();
    void exitIsAnsweredWithDisc();
    void twoConsolesAtOnce();

private:
    // Connects, configures and waits for the first complete transfer.
    bool Start(WiredConsole& console, ServiceProcess& service, const QString& path,
               const QString& numb);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_ServiceEndToEnd::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

bool tst_ServiceEndToEnd::Start(WiredConsole& console, ServiceProcess& service, const QString& path,
                                const QString& numb) {
    if (!service.Started()) return false;
    console.LogPath = path;
    console.NumBytes = numb;
    console.ConnectTo(service.Port());
    return WaitFor({&console}, [&] { return console.Shows == 1 || !console.Errors.isEmpty(); }) &&
           console.Shows == 1;
}

void tst_ServiceEndToEnd::transfer_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("numb");
    const QByteArray corpus = Corpus();
    QVERIFY(!corpus.isEmpty());
    QByteArray crlf = corpus;
    crlf.replace("\n", "\r\n");

    QTest::newRow("corpus, 2000 bytes a chunk") << corpus << "2000";
    QTest::newRow("corpus, 1 MiB a chunk") << corpus << "1048576";
    QTest::newRow("corpus, capacity above the 4 MiB cap") << corpus << "2100000000";
    QTest::newRow("corpus with CR LF, 65536 a chunk") << crlf << "65536";
    QTest::newRow("corpus with CR LF, 1000 a chunk") << crlf << "1000";
    QTest::newRow("empty log") << QByteArray() << "2000";
    QTest::newRow("last line without a line end") << QByteArray("a\nb\r\nc") << "2";
    QTest::newRow("lone CR and high bytes") << QByteArray("x\ry\r\r\n\xe1\xf1\x80\x9d\n") << "3";
}

void tst_ServiceEndToEnd::transfer() {
    QFETCH(QByteArray, content);
    QFETCH(QString, numb);
    const QString path = m_dir->filePath(QStringLiteral("access.log"));
    QVERIFY(WriteFile(path, content, QIODevice::WriteOnly));
    ServiceProcess service({"--allow", m_dir->path(), "--greeting", "Hola desde la prueba"});
    QVERIFY(service.Started());
    WiredConsole console;
    QVERIFY2(Start(console, service, path, numb), qPrintable(console.Errors.join('\n')));

    QCOMPARE(console.Log.value(0), QStringLiteral("Hola desde la prueba"));
    QCOMPARE(console.Log.value(1), QStringLiteral("Configuración correcta"));
    QCOMPARE(console.Log.last(), QStringLiteral("Recepción terminada"));
    QVERIFY(console.Shown == ExpectedView(content)); // byte for byte
    QCOMPARE(console.Refreshes, 1);
    // No chunk holds more than the capacity (nor 4 MiB) of the text on the wire, where every
    // CR LF shown was a six-character marker.
    const qsizetype chunks = console.Log.count(QStringLiteral("Recibiendo paquetes..."));
    const qint64 capacity = qMin<qint64>(numb.toLongLong(), 4 << 20);
    const qint64 wire = console.Shown.size() + 4 * console.Shown.count("\r\n");
    QVERIFY(chunks * capacity >= wire);
    QCOMPARE(chunks == 0, content.isEmpty());
    QVERIFY(console.Conversation.LogBuffer().isEmpty());
    QVERIFY(console.IsConnected());
}

void tst_ServiceEndToEnd::changedLogIsSentAgain_data() {
    QTest::addColumn<QString>("change");
    QTest::newRow("appended") << "append";
    QTest::newRow("rewritten shorter") << "rewrite";
    QTest::newRow("rotated") << "rotate";
}

void tst_ServiceEndToEnd::changedLogIsSentAgain() {
    QFETCH(QString, change);
    const QString path = m_dir->filePath(QStringLiteral("access.log"));
    const QByteArray corpus = Corpus();
    QVERIFY(WriteFile(path, corpus, QIODevice::WriteOnly));
    ServiceProcess service({"--allow", m_dir->path()});
    WiredConsole console;
    QVERIFY(Start(console, service, path, QStringLiteral("65536")));

    const QByteArray line = "203.0.113.9 - - [06/Dec/2024:10:00:00 +0000] \"GET /nuevo HTTP/1.1\" "
                            "200 512 \"-\" \"curl/8.5.0\"\n";
    QByteArray now;
    if (change == u"append") {
        QVERIFY(WriteFile(path, line, QIODevice::Append));
        now = corpus + line;
    } else if (change == u"rewrite") {
        QVERIFY(WriteFile(path, line, QIODevice::WriteOnly | QIODevice::Truncate));
        now = line;
    } else {
        QVERIFY(QFile::rename(path, path + QStringLiteral(".1")));
        QVERIFY(WriteFile(path, line + line, QIODevice::WriteOnly));
        now = line + line;
    }
    // Whether the console fetches the whole log again or only the new lines is its own choice;
    // either way it ends up showing the file as it is now.
    QVERIFY(WaitFor({&console}, [&] { return console.Shown == ExpectedView(now); }));
    QVERIFY(console.Log.contains(QStringLiteral("Cambio del log...")));
    QCOMPARE(console.Shows + console.Appends, 2);
}

void tst_ServiceEndToEnd::exitIsAnsweredWithDisc() {
    const QString path = m_dir->filePath(QStringLiteral("access.log"));
    QVERIFY(WriteFile(path, "a\n", QIODevice::WriteOnly));
    ServiceProcess service({"--allow", path});
    WiredConsole console;
    QVERIFY(Start(console, service, path, QStringLiteral("2000")));
    QCOMPARE(console.Closes, 0);
    console.Conversation.RequestDisconnect();
    QVERIFY(WaitFor({&console}, [&] { return console.Closes == 1; }));
    QCOMPARE(console.Socket().State(), qint32(CSocketMaster::sckClosed));
    QTRY_VERIFY_WITH_TIMEOUT(service.Log().contains(QStringLiteral("asked to disconnect")),
                             kWaitMs);
    // The console can come back.
    console.ConnectTo(service.Port());
    QVERIFY(WaitFor({&console}, [&] { return console.Shows == 2; }));
    QCOMPARE(console.Shown, QByteArray("a\r\n"));
}

void tst_ServiceEndToEnd::twoConsolesAtOnce() {
    const QByteArray corpus = Corpus();
    const QString path = m_dir->filePath(QStringLiteral("access.log"));
    QVERIFY(WriteFile(path, corpus, QIODevice::WriteOnly));
    ServiceProcess service({"--allow", m_dir->path()});
    WiredConsole slow, fast;
    slow.LogPath = fast.LogPath = path;
    slow.NumBytes = QStringLiteral("1000");
    fast.NumBytes = QStringLiteral("1048576");
    slow.ConnectTo(service.Port());
    fast.ConnectTo(service.Port());
    QVERIFY(WaitFor({&slow, &fast}, [&] { return slow.Shows == 1 && fast.Shows == 1; }));
    QVERIFY(slow.Shown == ExpectedView(corpus));
    QVERIFY(fast.Shown == ExpectedView(corpus));
}

QTEST_GUILESS_MAIN(tst_ServiceEndToEnd)
#include "tst_service_endtoend.moc"
