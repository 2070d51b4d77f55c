// The service's pieces on their own: cutting the console's byte stream into messages, writing
// line ends as markers across read blocks, streaming a file out in sized chunks, and the
// positions that let a console ask for what follows its copy.
#include "helper_service.h"
#include "service/LogPosition.h"
#include "service/LogTransfer.h"
#include "service/MessageSplitter.h"
#include "service/ServiceConfig.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace ov::service;

namespace {

// Messages as text: "hello", "cfg:<body>", "ovg", "ack", "exit", "ovx", "tail:<position>".
QStringList Split(const QList<QByteArray>& pieces, qsizetype* left = nullptr) {
    MessageSplitter splitter;
    QStringList out;
    for (const QByteArray& piece : pieces) {
        splitter.Append(piece);
        while (const auto m = splitter.Next()) {
            switch (m->kind) {
            case ClientMessageKind::Hello:
                out << "hello";
                break;
            case ClientMessageKind::Config:
                out << "cfg:" + QString::fromLatin1(m->body);
                break;
            case ClientMessageKind::RequestLog:
                out << "ovg";
                break;
            case ClientMessageKind::Ack:
                out << "ack";
                break;
            case ClientMessageKind::Exit:
                out << "exit";
                break;
            case ClientMessageKind::Extend:
                out << "ovx";
                break;
            case ClientMessageKind::RequestTail:
                out << "tail:" + QString::fromLatin1(m->body);
                break;
            }
        }
    }
    if (left) *left = splitter.Buffered();
    return out;
}

QList<QByteArray> Bytes(const QByteArray& text) {
    QList<QByteArray> out;
    for (const char c : text)
        out << QByteArray(1, c);
    return out;
}

} // namespace

class tst_ServiceParts : public QObject {
    Q_OBJECT

private slots:
    void splitter_data();
    void splitter();
    void splitterHoldsLittle();
    void encoder_data();
    void encoder();
    void transfer_data();
    void transfer();
    void capacity_data();
    void capacity();
    void position_data();
    void position();
    void positionHash_data();
    void positionHash();
};

void tst_ServiceParts::splitter_data() {
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QStringList>("messages");
    const QByteArray cfg = "\\cfg numb=2000;logp=/var/log/a.log;";

    QTest::newRow("each message alone")
        << QList<QByteArray>{"hello", cfg, "\\ovg", "\\ov!", "exit"}
        << QStringList{"hello", "cfg:numb=2000;logp=/var/log/a.log;", "ovg", "ack", "exit"};
    QTest::newRow("all glued together")
        << QList<QByteArray>{"hello" + cfg + "\\ovg\\ov!\\ov!exit"}
        << QStringList{"hello", "cfg:numb=2000;logp=/var/log/a.log;", "ovg", "ack", "ack", "exit"};
    QTest::newRow("cut into single bytes")
        << Bytes("hello" + cfg + "\\ovg")
        << QStringList{"hello", "cfg:numb=2000;logp=/var/log/a.log;", "ovg"};
    QTest::newRow("noise around messages dropped")
        << QList<QByteArray>{"xx\x01hel", "lo..\\ov", "!zz"} << QStringList{"hello", "ack"};
    QTest::newRow("semicolons inside the path")
        << QList<QByteArray>{"\\cfg numb=1;logp=/a;b;c.log;\\ovg"}
        << QStringList{"cfg:numb=1;logp=/a;b;c.log;", "ovg"};
    QTest::newRow("message names inside the path")
        << QList<QByteArray>{"\\cfg numb=1;logp=/srv/exit/hello", ".log;"}
        << QStringList{"cfg:numb=1;logp=/srv/exit/hello.log;"};
    QTest::newRow("configuration waits for logp")
        << QList<QByteArray>{"\\cfg numb=1;", "lo", "gp=/x;"} << QStringList{"cfg:numb=1;logp=/x;"};
    QTest::newRow("malformed configuration ends at the next request")
        << QList<QByteArray>{"\\cfg whatever\\ovg"} << QStringList{"cfg:whatever", "ovg"};
    QTest::newRow("malformed configuration ends at its semicolon")
        << QList<QByteArray>{"\\cfg size=5;"} << QStringList{"cfg:size=5;"};
    QTest::newRow("unterminated configuration waits")
        << QList<QByteArray>{"\\cfg numb=1;logp=/x"} << QStringList{};

    const QByteArray tail = "\\ovt 12:0123456789abcdef;";
    QTest::newRow("following messages alone")
        << QList<QByteArray>{"\\ovx", tail} << QStringList{"ovx", "tail:12:0123456789abcdef"};
    QTest::newRow("following messages glued")
        << QList<QByteArray>{"hello\\ovx" + cfg + "\\ovg" + tail + "\\ov!" + tail}
        << QStringList{"hello",
                       "ovx",
                       "cfg:numb=2000;logp=/var/log/a.log;",
                       "ovg",
                       "tail:12:0123456789abcdef",
                       "ack",
                       "tail:12:0123456789abcdef"};
    QTest::newRow("following messages cut into single bytes")
        << Bytes("\\ovx" + tail + "exit") << QStringList{"ovx", "tail:12:0123456789abcdef", "exit"};
    QTest::newRow("tail request ends the configuration before it")
        << QList<QByteArray>{"\\cfg numb=1;logp=/x;" + tail}
        << QStringList{"cfg:numb=1;logp=/x;", "tail:12:0123456789abcdef"};
    QTest::newRow("tail request with any body up to its semicolon")
        << QList<QByteArray>{"\\ovt ;\\ovt ab c;"} << QStringList{"tail:", "tail:ab c"};
    QTest::newRow("longest tail request") << QList<QByteArray>{"\\ovt " + QByteArray(63, '7') + ";"}
                                          << QStringList{"tail:" + QString(63, u'7')};
    QTest::newRow("overlong tail request is noise")
        << QList<QByteArray>{"\\ovt " + QByteArray(64, '7'), ";\\ovg"} << QStringList{"ovg"};
    QTest::newRow("tail request cut short by another message")
        << QList<QByteArray>{"\\ovt 12:01\\ov!", "\\ovt 3:0;"} << QStringList{"ack", "tail:3:0"};
    QTest::newRow("tail request without its space is noise")
        << QList<QByteArray>{"\\ovt12:0123456789abcdef;\\ovxx"} << QStringList{"ovx"};
}

void tst_ServiceParts::splitter() {
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QStringList, messages);
    QCOMPARE(Split(pieces), messages);
}

void tst_ServiceParts::splitterHoldsLittle() {
    qsizetype left = 0;
    QCOMPARE(Split({QByteArray(100000, 'z') + "\\o"}, &left), QStringList{});
    QCOMPARE(left, 2); // only what may start a message
    const QByteArray endless =
        "\\cfg numb=1;logp=/" + QByteArray(MessageSplitter::kMaxConfigLength, 'a');
    const QStringList out = Split({endless, "hello"}, &left);
    QCOMPARE(out.size(), 2);
    QVERIFY(out[0].startsWith("cfg:numb=1;logp=/aaa"));
    QCOMPARE(out[1], QStringLiteral("hello"));
    QCOMPARE(left, 0);
}

void tst_ServiceParts::encoder_data() {
    QTest::addColumn<QList<QByteArray>>("blocks");
    QTest::addColumn<QByteArray>("encoded");
    QTest::newRow("LF") << QList<QByteArray>{"a\nb\n"} << QByteArray("a<|br\\>b<|br\\>");
    QTest::newRow("CR LF") << QList<QByteArray>{"a\r\nb"} << QByteArray("a<|br\\>b");
    QTest::newRow("CR LF split across blocks")
        << QList<QByteArray>{"a\r", "\nb\r", "", "\n"} << QByteArray("a<|br\\>b<|br\\>");
    QTest::newRow("lone CR kept") << QList<QByteArray>{"a\rb\r", "c"} << QByteArray("a\rb\rc");
    QTest::newRow("CR at the very end") << QList<QByteArray>{"a\r"} << QByteArray("a\r");
    QTest::newRow("CR CR LF") << QList<QByteArray>{"\r\r\n"} << QByteArray("\r<|br\\>");
    QTest::newRow("empty lines") << QList<QByteArray>{"\n\r\n", "\n"}
                                 << QByteArray("<|br\\><|br\\><|br\\>");
    QTest::newRow("bytes kept as they are")
        << QList<QByteArray>{QByteArray("\x00\xff\x80", 3)} << QByteArray("\x00\xff\x80", 3);
}

void tst_ServiceParts::encoder() {
    QFETCH(QList<QByteArray>, blocks);
    QFETCH(QByteArray, encoded);
    LineBreakEncoder encoder;
    QByteArray out;
    for (const QByteArray& b : blocks)
        encoder.Encode(b, out);
    encoder.Finish(out);
    QCOMPARE(out, encoded);
}

// A file streamed with a given capacity: every chunk a power of two within it (and 4 MiB), the
// letter naming its size, the joined text the whole file with markers.
void tst_ServiceParts::transfer_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qint64>("capacity");
    QFile corpus(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
    QVERIFY(corpus.open(QIODevice::ReadOnly));
    const QByteArray log = corpus.readAll();
    QByteArray crlf = log;
    crlf.replace("\n", "\r\n");
    QTest::newRow("corpus, 2000") << log << qint64(2000);
    QTest::newRow("corpus with CR LF, 1") << crlf.left(70000) << qint64(1);
    QTest::newRow("corpus, above the cap") << log + log << qint64(2100000000);
    QTest::newRow("CR LF on a block boundary")
        << QByteArray(65535, 'x') + "\r\n" + QByteArray(10, 'y') << qint64(4096);
    QTest::newRow("empty") << QByteArray() << qint64(100);
}

void tst_ServiceParts::transfer() {
    QFETCH(QByteArray, content);
    QFETCH(qint64, capacity);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.log"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    LogTransfer transfer;
    QString error;
    QVERIFY(transfer.Open(path, capacity, std::nullopt, &error));
    QByteArray joined;
    qint64 chunks = 0;
    for (QByteArrayView m = transfer.NextMessage(); !m.isEmpty(); m = transfer.NextMessage()) {
        QVERIFY(m.startsWith("logd"));
        const qint64 size = m.size() - 5;
        QCOMPARE(qint64(1) << (m[4] - 'A'), size);
        QVERIFY(size <= capacity && size <= (4 << 20));
        joined += m.sliced(5);
        ++chunks;
    }
    const QByteArray expected = servicetest::Marked(content);
    QVERIFY(joined == expected);
    QCOMPARE(transfer.Chunks(), chunks);
    QCOMPARE(transfer.SentBytes(), qint64(expected.size()));
    QVERIFY(transfer.NextMessage().isEmpty());
}

void tst_ServiceParts::capacity_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("value"); // -1: refused
    QTest::newRow("lowest") << QByteArray("1") << qint64(1);
    QTest::newRow("highest") << QByteArray("2100000000") << qint64(2100000000);
    QTest::newRow("leading zeros") << QByteArray("000000000000042") << qint64(42);
    QTest::newRow("zero") << QByteArray("0") << qint64(-1);
    QTest::newRow("just above") << QByteArray("2100000001") << qint64(-1);
    QTest::newRow("beyond 64 bits") << QByteArray("99999999999999999999999") << qint64(-1);
    QTest::newRow("negative") << QByteArray("-1") << qint64(-1);
    QTest::newRow("fraction") << QByteArray("1.0") << qint64(-1);
    QTest::newRow("empty") << QByteArray() << qint64(-1);
    QTest::newRow("hex") << QByteArray("0x10") << qint64(-1);
}

void tst_ServiceParts::capacity() {
    QFETCH(QByteArray, text);
    QFETCH(qint64, value);
    QCOMPARE(ParseCapacity(text).value_or(-1), value);
}

// Positions as they are read and written back: the length without leading zeros, the check in
// 16 lowercase hex digits. Anything else is no position.
void tst_ServiceParts::position_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("written"); // empty: refused
    QTest::newRow("ordinary") << QByteArray("12:0123456789abcdef")
                              << QByteArray("12:0123456789abcdef");
    QTest::newRow("empty file") << QByteArray("0:ffffffffffffffff")
                                << QByteArray("0:ffffffffffffffff");
    QTest::newRow("largest length") << QByteArray("9223372036854775807:0000000000000001")
                                    << QByteArray("9223372036854775807:0000000000000001");
    QTest::newRow("leading zeros")
        << QByteArray("0042:00000000000000a0") << QByteArray("42:00000000000000a0");
    QTest::newRow("length beyond 64 bits")
        << QByteArray("9223372036854775808:0000000000000001") << QByteArray();
    QTest::newRow("upper-case hex") << QByteArray("12:0123456789ABCDEF") << QByteArray();
    QTest::newRow("15 hex digits") << QByteArray("12:0123456789abcde") << QByteArray();
    QTest::newRow("17 hex digits") << QByteArray("12:0123456789abcdef0") << QByteArray();
    QTest::newRow("no length") << QByteArray(":0123456789abcdef") << QByteArray();
    QTest::newRow("signed length") << QByteArray("-1:0123456789abcdef") << QByteArray();
    QTest::newRow("no colon") << QByteArray("120123456789abcdef") << QByteArray();
    QTest::newRow("two colons") << QByteArray("1:2:123456789abcdef") << QByteArray();
    QTest::newRow("space") << QByteArray(" 12:0123456789abcdef") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void tst_ServiceParts::position() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, written);
    const auto parsed = ParsePosition(text);
    QCOMPARE(parsed ? FormatPosition(*parsed) : QByteArray(), written);
    if (parsed) QCOMPARE(parsed->length, text.left(text.indexOf(':')).toLongLong());
}

// The check over a file's identity and last bytes, against the published FNV-1a values and a
// computation of its own.
void tst_ServiceParts::positionHash_data() {
    QTest::addColumn<quint64>("device");
    QTest::addColumn<quint64>("inode");
    QTest::addColumn<QByteArray>("window");
    QTest::newRow("identity only") << quint64(0x803) << quint64(1234567) << QByteArray();
    QTest::newRow("high bits of both")
        << quint64(0xfedcba9876543210ULL) << ~quint64(0) << QByteArray("a\n");
    QTest::newRow("a full window") << quint64(1) << quint64(2) << QByteArray(4096, '\xe9');
}

void tst_ServiceParts::positionHash() {
    QFETCH(quint64, device);
    QFETCH(quint64, inode);
    QFETCH(QByteArray, window);
    Fnv1a64 empty, a;
    a.Add("a");
    QCOMPARE(empty.Value(), quint64(0xcbf29ce484222325ULL));
    QCOMPARE(a.Value(), quint64(0xaf63dc4c8601ec8cULL));
    QByteArray hashed;
    for (quint64 value : {device, inode})
        for (int i = 0; i < 8; ++i, value >>= 8)
            hashed += char(value & 0xff);
    QCOMPARE(PositionHash({device, inode}, window), servicetest::ReferenceFnv1a(hashed + window));
}

QTEST_GUILESS_MAIN(tst_ServiceParts)
#include "tst_service_parts.moc"
