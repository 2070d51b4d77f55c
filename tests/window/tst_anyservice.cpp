// The whole console against log services other than ours, through the real window and real
// sockets: a plain service of the tests' own that follows the protocol to the letter (any
// separator, chunks cut into several writes), ovservice's sized chunks, and hostile services
// (a transfer that never ends, a reset or a "disc" in mid-transfer, floods of junk, a huge
// greeting, messages cut at every byte). The console shows what it should, keeps its memory and
// its files, and "Conectar" always works again.
#include "WindowFixture.h"
#include "service/helper_service.h"

#include "link/CSocketMaster.h"
#include "views/logWnd.h"
#include "window/fMain.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>
#include <bit>
#include <fcntl.h>
#include <optional>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kWait = 30000;

QByteArray corpusBytes() {
    QFile f(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The file's text as the service writes it, and as the console shows it.
QByteArray marked(QByteArray text) {
    return text.replace("\r\n", "\n").replace("\n", "<|br\\>");
}
QByteArray shown(QByteArray text) {
    return text.replace("\r\n", "\n").replace("\n", "\r\n");
}

bool startsWithToken(QByteArrayView text) {
    for (const char* token : {"helo", "cfgk", "cfg!", "logd", "log.", "disc", "lupd"})
        if (qstrnicmp(text.data(), text.size(), token, qMin<qsizetype>(text.size(), 4)) == 0 &&
            !text.isEmpty())
            return true;
    return false;
}

// A log service of the tests' own on 127.0.0.1. `reply` answers each message of the console;
// what it sends goes out one piece per pass of the event loop, so that pieces tend to arrive on
// their own.
class ScriptedService : public QObject {
public:
    ScriptedService() {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            peer = server.nextPendingConnection();
            // Each piece goes out as it is written, not held back for the one before's ack.
            peer->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            input.clear();
            connect(peer, &QTcpSocket::readyRead, this, &ScriptedService::read);
        });
    }
    quint16 port() const { return server.serverPort(); }
    bool idle() const { return pieces.isEmpty(); }

    // The message, cut before each of the given offsets.
    void send(const QByteArray& message, const QList<qsizetype>& cuts = {}) {
        qsizetype from = 0;
        for (const qsizetype cut : cuts) {
            pieces << message.mid(from, cut - from);
            from = cut;
        }
        pieces << message.mid(from);
        pump();
    }

    // Runs `then` once everything sent has been read by the console (consoleUnread says how
    // much waits in the console's socket).
    void whenConsoleHasRead(std::function<void()> then) {
        int unread = 0, unsent = 0;
        if (consoleUnread) ::ioctl(consoleUnread(), FIONREAD, &unread);
        ::ioctl(int(peer->socketDescriptor()), TIOCOUTQ, &unsent);
        if (pieces.isEmpty() && peer->bytesToWrite() == 0 && unsent == 0 && unread == 0)
            return then();
        QTimer::singleShot(1, this, [this, then] { whenConsoleHasRead(then); });
    }

    // Serves `text` plainly: the greeting with this separator, chunks of `chunk` bytes, each
    // written in pieces cut at seeded points where no piece begins like a message. The console
    // acknowledges a chunk as soon as it begins, so a cut chunk's next one waits until the last
    // piece has been read: a piece glued to the next chunk's start would be the protocol's own
    // ambiguity, not the console's fault.
    void servePlainly(QByteArray text, char separator, int chunk, quint32 seed,
                      const QByteArray& greetingEnd = {}) {
        logText = marked(std::move(text));
        reply = [=, this](const QByteArray& m) {
            QRandomGenerator random(seed);
            if (m == "hello") {
                send("helo" + QByteArray(1, separator) + "Servicio sencillo" + greetingEnd);
            } else if (m.startsWith("\\cfg")) {
                send("cfgk");
            } else if (m == "\\ov!" && seed != 0 && !waited) {
                waited = true;
                whenConsoleHasRead([this, m] { reply(m); });
            } else if (m == "\\ovg" || m == "\\ov!") {
                waited = false;
                if (m == "\\ovg") sent = 0;
                if (sent >= logText.size()) return send("log.");
                const QByteArray message =
                    "logd" + QByteArray(1, separator) + logText.mid(sent, chunk);
                sent += chunk;
                QList<qsizetype> cuts;
                for (int i = 0; seed != 0 && i < 3; ++i) {
                    const qsizetype at = random.bounded(qsizetype(1), message.size());
                    if ((cuts.isEmpty() || at > cuts.last()) &&
                        !startsWithToken(message.mid(at, 4)))
                        cuts << at;
                }
                send(message, cuts);
            }
        };
    }

    QTcpServer server;
    QTcpSocket* peer = nullptr;
    std::function<void(const QByteArray&)> reply;
    std::function<int()> consoleUnread; // the console's socket
    QList<QByteArray> received;
    QByteArray logText;
    qsizetype sent = 0;
    bool waited = false;

private:
    void read() {
        input += peer->readAll();
        while (const std::optional<QByteArray> message = next()) {
            received << *message;
            if (reply) reply(*message);
        }
    }
    // The console's next message: each is one of a few known shapes.
    std::optional<QByteArray> next() {
        for (const char* fixed : {"hello", "\\ovg", "\\ov!", "\\ovx", "exit"}) {
            if (input.startsWith(fixed)) {
                const QByteArray m = input.left(qstrlen(fixed));
                input.remove(0, m.size());
                return m;
            }
        }
        const qsizetype path = input.indexOf(";logp=");
        const qsizetype end = path < 0 ? -1 : input.indexOf(';', path + 6);
        if (!input.startsWith("\\cfg") || end < 0) return std::nullopt;
        const QByteArray m = input.left(end + 1);
        input.remove(0, m.size());
        return m;
    }
    void pump() {
        if (pumping || pieces.isEmpty() || !peer) return;
        pumping = true;
        QTimer::singleShot(0, this, [this] {
            pumping = false;
            if (!peer || pieces.isEmpty()) return;
            peer->write(pieces.takeFirst());
            peer->flush();
            pump();
        });
    }

    QByteArray input;
    QList<QByteArray> pieces;
    bool pumping = false;
};

struct Console {
    WindowFixture fx;
    fMain* w = nullptr;
    logWnd* log = nullptr;

    explicit Console(quint16 port, const QString& logPath = QString()) {
        fx.writeSettings({});
        w = &fx.start(QString(), port);
        log = w->findChild<logWnd*>(QStringLiteral("log"));
        if (!logPath.isEmpty())
            w->findChild<QLineEdit*>(QStringLiteral("tLogPath"))->setText(logPath);
        w->cConnect_Click();
    }
    QString status() const { return w->findChild<QLabel*>(QStringLiteral("status"))->text(); }
    int count(const QString& line) const { return int(log->Text().count(line)); }
};

} // namespace

class tst_AnyService : public QObject {
    Q_OBJECT

private slots:
    void byteIdenticalFromAnyService_data() {
        QTest::addColumn<char>("separator"); // 0: ovservice itself
        QTest::addColumn<quint32>("seed");   // 0: chunks written whole
        QTest::addColumn<int>("bytes");      // of the corpus, from its start
        QTest::newRow("space, whole chunks") << ' ' << 0u << 0;
        QTest::newRow("capital letter") << 'X' << 0u << 0;
        QTest::newRow("the letter of an 8-byte size, cut") << 'D' << 1u << 40000;
        QTest::newRow("lower-case letter, cut") << 'a' << 2u << 40000;
        QTest::newRow("ovservice's sized chunks") << '\0' << 0u << 0;
    }
    void byteIdenticalFromAnyService() {
        QFETCH(char, separator);
        QFETCH(quint32, seed);
        QFETCH(int, bytes);
        const QByteArray corpus = bytes > 0 ? corpusBytes().left(bytes) : corpusBytes();
        QVERIFY(!corpus.isEmpty());
        ScriptedService plain;
        plain.servePlainly(corpus, separator, 2000, seed);
        std::unique_ptr<servicetest::ServiceProcess> ovservice;
        if (separator == '\0') {
            ovservice = std::make_unique<servicetest::ServiceProcess>(
                QStringList{QStringLiteral("--allow"), QStringLiteral(OV_CORPUS_DIR)});
            QVERIFY(ovservice->Started());
        }
        Console c(ovservice ? ovservice->Port() : plain.port(),
                  QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
        plain.consoleUnread = [&c] { return int(c.w->wsock()->SocketHandle()); };
        QTRY_VERIFY2_WITH_TIMEOUT(c.count(QStringLiteral("Recepción terminada")) == 1,
                                  qPrintable(c.log->Text()), kWait);
        QVERIFY(c.w->RawText().Bytes() == shown(corpus));
    }

    // A transfer that never ends stops at the cap with its message; the console goes on.
    void endlessTransferStopsAtTheCap() {
        ScriptedService service;
        service.servePlainly(QByteArray(4096, 'x'), ' ', 4096, 0);
        const auto plain = service.reply;
        int chunks = 0;
        constexpr int kChunk = 1 << 16;
        service.reply = [&](const QByteArray& m) {
            if (m != "\\ov!" || chunks >= 100) return plain(m);
            if (++chunks < 20) service.send("logd " + QByteArray(kChunk, 'y')); // 1.2 MiB
        };
        Console c(service.port());
        c.w->setLogBufferLimit(1 << 20);
        QTRY_VERIFY_WITH_TIMEOUT(c.log->Text().contains(QStringLiteral("Recepción abandonada")),
                                 kWait);
        QVERIFY(c.w->RawText().IsEmpty());
        chunks = 100;
        service.send("log."); // the end of the runaway transfer shows nothing
        QTRY_COMPARE_WITH_TIMEOUT(c.count(QStringLiteral("Recepción terminada")), 1, kWait);
        QVERIFY(c.w->RawText().IsEmpty());
        c.w->cUpdateLog_Click(); // and the next transfer is whole
        QTRY_COMPARE_WITH_TIMEOUT(c.w->RawText().Size(), 4096, kWait);
    }

    // The connection reset, or a "disc", in mid-transfer: disconnected, the view as it was, and
    // the next connection's transfer shows whole, without the broken one's text.
    void brokenTransfer_data() {
        QTest::addColumn<bool>("reset");
        QTest::newRow("reset") << true;
        QTest::newRow("disc") << false;
    }
    void brokenTransfer() {
        QFETCH(bool, reset);
        ScriptedService service;
        service.servePlainly("first line\nsecond line\n", ' ', 8, 0);
        const auto plain = service.reply;
        bool broken = false;
        service.reply = [&](const QByteArray& m) {
            if (m != "\\ov!" || broken) return plain(m);
            broken = true;
            if (!reset) return service.send("disc");
            const linger now{1, 0}; // a zero linger time resets the connection
            ::setsockopt(int(service.peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now,
                         sizeof now);
            service.peer->close();
        };
        Console c(service.port());
        QTRY_VERIFY_WITH_TIMEOUT(broken, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(c.status(), QStringLiteral("Desconectado"), kWait);
        QVERIFY(c.w->RawText().IsEmpty());
        if (reset) QVERIFY(c.log->Text().contains(QStringLiteral("10054")));
        c.w->cConnect_Click();
        QTRY_COMPARE_WITH_TIMEOUT(c.count(QStringLiteral("Recepción terminada")), 1, kWait);
        QCOMPARE(c.w->RawText().Bytes(), QByteArray("first line\r\nsecond line\r\n"));
    }

    // 100 MB of bytes that start no message (NUL and 0x80-0xFF) outside a transfer: dropped as
    // they come, the window keeps answering, the settings file stays as it was.
    void junkFloodIsDropped_data() {
        QTest::addColumn<bool>("framed");
        QTest::newRow("plain service") << false;
        QTest::newRow("framing service") << true;
    }
    void junkFloodIsDropped() {
        QFETCH(bool, framed);
        ScriptedService service;
        service.servePlainly("a\n", ' ', 64, 0, framed ? QByteArray(" [ov+1]") : QByteArray());
        Console c(service.port());
        service.consoleUnread = [&c] { return int(c.w->wsock()->SocketHandle()); };
        QTRY_COMPARE_WITH_TIMEOUT(c.w->RawText().Bytes(), QByteArray("a\r\n"), kWait);
        const QString ini = QDir(c.fx.folder()).filePath(QStringLiteral("ovclient.ini"));
        QFile before(ini);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray settings = before.readAll();

        QByteArray junk(1 << 20, '\0');
        for (qsizetype i = 0; i < junk.size(); ++i)
            junk[i] = char(i % 3 == 0 ? 0 : 0x80 + i % 128);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(1);
        for (int i = 0; i < 100; ++i)
            service.send(junk);
        // A plain message after the flood must arrive on its own: sent once all is read.
        service.whenConsoleHasRead([&] { service.send("cfg!"); });
        QTRY_COMPARE_WITH_TIMEOUT(c.count(QStringLiteral("Error en la configuración")), 1,
                                  kWait * 2);
        QVERIFY(ticks > 1); // the event loop ran during the flood
        QCOMPARE(c.w->RawText().Bytes(), QByteArray("a\r\n"));
        QCOMPARE(c.status(), QStringLiteral("Conectado"));
        QFile after(ini);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), settings);
    }

    // A greeting of 10 MB: the message log keeps its last 1000 characters, and the conversation
    // goes on.
    void hugeGreeting() {
        ScriptedService service;
        service.servePlainly("a\n", ' ', 64, 0);
        const auto plain = service.reply;
        service.reply = [&](const QByteArray& m) {
            if (m == "hello") return service.send("helo " + QByteArray(10 << 20, 'g') + "fin");
            // A plain answer after the greeting must arrive on its own.
            service.whenConsoleHasRead([plain, m] { plain(m); });
        };
        Console c(service.port());
        service.consoleUnread = [&c] { return int(c.w->wsock()->SocketHandle()); };
        QTRY_COMPARE_WITH_TIMEOUT(c.w->RawText().Bytes(), QByteArray("a\r\n"), kWait);
        QCOMPARE(c.log->Text().size(), 1000);
    }

    // A framing service whose every message after the greeting is written a byte at a time:
    // each token, header and chunk is cut at every place it can be cut.
    void framedMessagesCutAtEveryByte() {
        const QByteArray text = corpusBytes().left(3000);
        ScriptedService service;
        service.logText = marked(text);
        service.reply = [&](const QByteArray& m) {
            const auto bytewise = [&](const QByteArray& message) {
                QList<qsizetype> cuts;
                for (qsizetype i = 1; i < message.size(); ++i)
                    cuts << i;
                service.send(message, cuts);
            };
            if (m == "hello") {
                service.send("helo Servicio [ov+1]"); // the promise itself comes whole
            } else if (m.startsWith("\\cfg")) {
                bytewise("cfgk");
            } else if (m == "\\ovg") {
                // Every chunk, then the end, glued into one stream: chunks of up to 64 bytes.
                QByteArray stream;
                const QByteArray& t = service.logText;
                for (qsizetype at = 0; at < t.size();) {
                    const auto n =
                        qsizetype(std::bit_floor(quint64(qMin<qsizetype>(64, t.size() - at))));
                    const char size = char('A' + std::countr_zero(quint64(n)));
                    stream += "logd" + QByteArray(1, size) + t.mid(at, n);
                    at += n;
                }
                bytewise(stream + "log.");
            }
        };
        Console c(service.port());
        QTRY_COMPARE_WITH_TIMEOUT(c.count(QStringLiteral("Recepción terminada")), 1, kWait * 2);
        QCOMPARE(c.w->RawText().Bytes(), shown(text));
    }

    // A socket that cannot even be made (no file descriptors left): the failure is told, and the
    // next "Conectar" tries afresh.
    void connectAfterTheSocketCouldNotBeMade() {
        ScriptedService service;
        service.servePlainly("a\n", ' ', 64, 0);
        WindowFixture fx;
        fx.writeSettings({});
        fMain& w = fx.start(QString(), service.port());
        auto* log = w.findChild<logWnd*>(QStringLiteral("log"));
        rlimit limit{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &limit), 0);
        std::vector<int> taken;
        const rlimit tight{std::min<rlim_t>(limit.rlim_cur, 4096), limit.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &tight), 0);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY)) >= 0;)
            taken.push_back(fd);
        w.cConnect_Click();
        const QString failed = log->Text();
        for (const int fd : taken)
            ::close(fd);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &limit), 0);
        QVERIFY2(failed.contains(QStringLiteral("Error")), qPrintable(failed));
        w.cConnect_Click();
        QTRY_COMPARE_WITH_TIMEOUT(w.RawText().Bytes(), QByteArray("a\r\n"), kWait);
    }
};

QTEST_MAIN(tst_AnyService)
#include "tst_anyservice.moc"
