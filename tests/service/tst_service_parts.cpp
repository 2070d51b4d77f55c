// The service's pieces on their own: cutting the console's byte stream into messages, writing
// line ends as markers across read blocks, and streaming a file out in sized chunks.
#include "service/LogTransfer.h"
#include "service/MessageSplitter.h"
#include "service/ServiceConfig.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace ov::service;

namespace {

// Messages as text: "hello", "cfg:<body>", "ovg", "ack", "exit".
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
    QVERIFY(transfer.Open(path, capacity, &error));
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
    QByteArray expected = content;
    expected.replace("\r\n", "\n").replace("\n", "<|br\\>");
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

QTEST_GUILESS_MAIN(tst_ServiceParts)
#include "tst_service_parts.moc"
