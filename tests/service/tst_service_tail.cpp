// Following a growing log through the real ovservice: a console that said "\ovx" asks with
// "\ovt POS;" for what follows its copy and gets only the new complete lines ("log+"), or the whole
// log ("log.") when the file is not the one it holds. Raw bytes over real sockets, real files
// changed as web servers and log rotation change them; every position is checked against one
// worked out here from the file.
#include "helper_service.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace servicetest;

namespace {

const QByteArray kGreeting = "helo Servicio de logs Orvalen [ov+1]";

enum class Change {
    Append,    // a web server writing
    Rotate,    // the file renamed away and a new one written under its name
    Truncate,  // the same file emptied and written again
    Overwrite, // the same file's last bytes written over, its length kept
};

// One change of the file, then a tail request from the position the console holds.
struct Step {
    Change change;
    QByteArray bytes;
    QByteArray sent; // the file bytes the answer carries
    QByteArray end;  // "log+" or "log."
};

bool Apply(const QString& path, Change change, const QByteArray& bytes) {
    QFile file(path);
    switch (change) {
    case Change::Append:
        return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
    case Change::Rotate:
        QFile::remove(path + QStringLiteral(".1"));
        if (!QFile::rename(path, path + QStringLiteral(".1"))) return false;
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    case Change::Truncate:
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               file.write(bytes) == bytes.size();
    case Change::Overwrite:
        return file.open(QIODevice::ReadWrite) && file.seek(file.size() - bytes.size()) &&
               file.write(bytes) == bytes.size();
    }
    return false;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray CorpusLines(int count) {
    QFile corpus(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
    if (!corpus.open(QIODevice::ReadOnly)) return {};
    QByteArray lines;
    for (int i = 0; i < count; ++i)
        lines += corpus.readLine();
    return lines;
}

// The bytes the service has read from files and sockets so far.
qint64 BytesRead(qint64 pid) {
    QFile io(QStringLiteral("/proc/%1/io").arg(pid));
    if (!io.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:")) return line.mid(6).trimmed().toLongLong();
    return -1;
}

} // namespace

Q_DECLARE_METATYPE(Step)

class tst_ServiceTail : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void follow_data();
    void follow();
    void requestsDuringTransfer_data();
    void requestsDuringTransfer();
    void onlyForFollowers_data();
    void onlyForFollowers();
    void readsOnlyWhatIsNew_data();
    void readsOnlyWhatIsNew();

private:
    // A console greeted and configured for `path`, which said "\ovx" when `follows`.
    std::unique_ptr<RawClient> Connect(const QString& path, int capacity, bool follows);
    QString NewLog(const QByteArray& content);

    QTemporaryDir m_dir;
    std::unique_ptr<ServiceProcess> m_service;
    int m_logs = 0;
};

void tst_ServiceTail::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_service = std::make_unique<ServiceProcess>(QStringList{"--allow", m_dir.path()});
    QVERIFY(m_service->Started());
}

QString tst_ServiceTail::NewLog(const QByteArray& content) {
    const QString path = m_dir.filePath(QStringLiteral("access%1.log").arg(++m_logs));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) return {};
    return path;
}

std::unique_ptr<RawClient> tst_ServiceTail::Connect(const QString& path, int capacity,
                                                    bool follows) {
    auto client = std::make_unique<RawClient>(m_service->Port());
    client->Send("hello");
    if (client->Take(kGreeting.size()) != kGreeting) return nullptr;
    if (follows) client->Send("\\ovx");
    client->Send("\\cfg numb=" + QByteArray::number(capacity) + ";logp=" + QFile::encodeName(path) +
                 ";");
    if (client->TakeToken() != "cfgk") return nullptr;
    return client;
}

void tst_ServiceTail::follow_data() {
    QTest::addColumn<QByteArray>("initial");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QList<Step>>("steps");
    // Longer than the 4096 bytes the check covers.
    const QByteArray lines = CorpusLines(40);
    QVERIFY(lines.size() > 4096);
    const QByteArray a = CorpusLines(42).mid(lines.size());
    const QByteArray longHalf = QByteArray(100000, 'y');

    QTest::newRow("growth: the new lines alone, then nothing new")
        << lines << 2000
        << QList<Step>{{Change::Append, a, a, "log+"}, {Change::Append, "", "", "log+"}};
    QTest::newRow("growth of a tiny log with CR LF, in 4-byte chunks")
        << QByteArray("a\r\n") << 7
        << QList<Step>{{Change::Append, "bb\r\ncc\r\n", "bb\r\ncc\r\n", "log+"}};
    QTest::newRow("an empty log grows")
        << QByteArray() << 2000 << QList<Step>{{Change::Append, "x\n", "x\n", "log+"}};
    QTest::newRow("half-written last line: sent once completed")
        << lines << 64
        << QList<Step>{{Change::Append, "203.0.113.9 - - half", "", "log+"},
                       {Change::Append, " done\nnext", "203.0.113.9 - - half done\n", "log+"},
                       {Change::Append, "\n", "next\n", "log+"}};
    QTest::newRow("half-written line longer than a read block")
        << QByteArray("a\n") << 65536
        << QList<Step>{{Change::Append, "b\n" + longHalf, "b\n", "log+"},
                       {Change::Append, "\n", longHalf + "\n", "log+"}};
    QTest::newRow("rotated to a shorter file")
        << lines << 2000 << QList<Step>{{Change::Rotate, "z\n", "z\n", "log."}};
    QTest::newRow("rotated to a longer file holding the same text, then grown")
        << lines << 2000
        << QList<Step>{{Change::Rotate, lines + a, lines + a, "log."},
                       {Change::Append, "w\n", "w\n", "log+"}};
    QTest::newRow("truncated") << lines << 2000
                               << QList<Step>{{Change::Truncate, "q\n", "q\n", "log."}};
    QTest::newRow("truncated and written past the old length")
        << QByteArray("1\n2\n") << 2000
        << QList<Step>{{Change::Truncate, "3\n4\n5\n", "3\n4\n5\n", "log."}};
    QTest::newRow("last bytes rewritten, same length")
        << lines << 2000
        << QList<Step>{{Change::Overwrite, "X\n", lines.chopped(2) + "X\n", "log."}};
}

void tst_ServiceTail::follow() {
    QFETCH(QByteArray, initial);
    QFETCH(int, capacity);
    QFETCH(QList<Step>, steps);
    const QString path = NewLog(initial);
    QVERIFY(!path.isEmpty());
    const auto client = Connect(path, capacity, true);
    QVERIFY(client);
    client->Send("\\ovg");
    Received r = client->TakeReceived();
    QCOMPARE(r.end, QByteArray("log."));
    QVERIFY(r.text == Marked(initial));
    QCOMPARE(r.position, ExpectedPosition(path, initial.size()));
    qint64 length = initial.size();

    for (const Step& step : steps) {
        QVERIFY(Apply(path, step.change, step.bytes));
        client->Send("\\ovt " + r.position + ";");
        r = client->TakeReceived();
        QCOMPARE(r.chunks >= 0, true);
        QCOMPARE(r.end, step.end);
        QVERIFY2(r.text == Marked(step.sent), r.text.left(200).constData());
        length = step.end == "log+" ? length + step.sent.size() : step.sent.size();
        QCOMPARE(r.position, ExpectedPosition(path, length));
    }
}

// Requests that come while a transfer is under way, with the log growing meanwhile: what is
// asked for follows that transfer, and the texts joined are the file with nothing lost or twice.
void tst_ServiceTail::requestsDuringTransfer_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("rounds"); // transfers during which a line is added and asked for
    QTest::addColumn<QByteArray>("end");
    // A tail asked for during a transfer starts where that transfer ends, whatever it names.
    const QByteArray stale = "\\ovt 0:0000000000000000;";
    QTest::newRow("a tail asked with a stale position") << stale << 1 << QByteArray("log+");
    QTest::newRow("two tails asked: one follows") << stale + stale << 1 << QByteArray("log+");
    QTest::newRow("the whole log, then a tail") << "\\ovg" + stale << 1 << QByteArray("log.");
    QTest::newRow("a tail, then the whole log") << stale + "\\ovg" << 1 << QByteArray("log.");
    QTest::newRow("a log growing faster than it is sent") << stale << 6 << QByteArray("log+");
}

void tst_ServiceTail::requestsDuringTransfer() {
    QFETCH(QByteArray, request);
    QFETCH(int, rounds);
    QFETCH(QByteArray, end);
    const QString path = NewLog(CorpusLines(20));
    QVERIFY(!path.isEmpty());
    const auto client = Connect(path, 256, true);
    QVERIFY(client);
    int round = 0;
    // After the first chunk of a transfer, before its acknowledgement.
    const auto grow = [&](int chunk) {
        if (chunk != 1 || round >= rounds) return;
        ++round;
        QVERIFY(Apply(path, Change::Append,
                      "198.51.100.7 - - line " + QByteArray::number(round) + " of the growth\n"));
        client->Send(request);
    };
    client->Send("\\ovg");
    Received r = client->TakeReceived(false, grow);
    QCOMPARE(r.end, QByteArray("log."));
    QByteArray joined = r.text;
    for (int transfer = 1; transfer <= rounds; ++transfer) {
        r = client->TakeReceived(false, grow);
        QCOMPARE(r.chunks > 0, true);
        QCOMPARE(r.end, end);
        joined = end == "log+" ? joined + r.text : r.text;
    }
    const QByteArray now = FileBytes(path);
    QCOMPARE(round, rounds);
    QVERIFY(joined == Marked(now));
    QCOMPARE(r.position, ExpectedPosition(path, now.size()));
    // Nothing else was queued: the next answer is the greeting's.
    client->Send("hello");
    QCOMPARE(client->TakeAfterUpdates(kGreeting.size()), kGreeting);
}

// A console that never said "\ovx" sees today's conversation whatever it sends.
void tst_ServiceTail::onlyForFollowers_data() {
    QTest::addColumn<bool>("follows");
    QTest::addColumn<QByteArray>("request"); // POS stands for the position after the first lines
    QTest::addColumn<QByteArray>("end");
    QTest::addColumn<bool>("tail"); // only the added line, or the whole log
    QTest::newRow("plain: whole log")
        << false << QByteArray("\\ovg") << QByteArray("log.") << false;
    QTest::newRow("plain: tail asked with a valid position")
        << false << QByteArray("\\ovt POS;") << QByteArray("log.") << false;
    QTest::newRow("plain: tail asked with garbage")
        << false << QByteArray("\\ovt nonsense;") << QByteArray("log.") << false;
    QTest::newRow("following: whole log")
        << true << QByteArray("\\ovg") << QByteArray("log.") << false;
    QTest::newRow("following: valid position")
        << true << QByteArray("\\ovt POS;") << QByteArray("log+") << true;
    QTest::newRow("following: unreadable position")
        << true << QByteArray("\\ovt 12:XYZ;") << QByteArray("log.") << false;
    QTest::newRow("following: position past the end")
        << true << QByteArray("\\ovt 999999:0123456789abcdef;") << QByteArray("log.") << false;
}

void tst_ServiceTail::onlyForFollowers() {
    QFETCH(bool, follows);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, end);
    QFETCH(bool, tail);
    const QByteArray first = CorpusLines(3);
    const QByteArray added = "192.0.2.1 - - added\n";
    const QString path = NewLog(first);
    QVERIFY(!path.isEmpty());
    const QByteArray position = ExpectedPosition(path, first.size());
    QVERIFY(Apply(path, Change::Append, added));
    const auto client = Connect(path, 100, follows);
    QVERIFY(client);
    client->Send(request.replace("POS", position));
    const Received r = client->TakeReceived();
    QCOMPARE(r.chunks > 0, true);
    QCOMPARE(r.end, end);
    QVERIFY(r.text == Marked(tail ? added : first + added));
    QCOMPARE(r.position,
             follows ? ExpectedPosition(path, first.size() + added.size()) : QByteArray());
}

// Finding what is new reads the bytes before the position and the new ones, not the log: a tail
// at the end of a 64 MiB file costs the service a small fraction of it.
void tst_ServiceTail::readsOnlyWhatIsNew_data() {
    QTest::addColumn<QByteArray>("added");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("a new line") << QByteArray("203.0.113.5 - - new\n")
                                << QByteArray("203.0.113.5 - - new\n");
    QTest::newRow("lines and 1 MiB of a half-written one")
        << QByteArray("a\nb\n") + QByteArray(1 << 20, 'h') << QByteArray("a\nb\n");
}

void tst_ServiceTail::readsOnlyWhatIsNew() {
    QFETCH(QByteArray, added);
    QFETCH(QByteArray, sent);
    constexpr qint64 kOld = qint64(64) << 20;
    const QString path = NewLog({});
    QVERIFY(!path.isEmpty());
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(kOld)); // sparse: no disk
        QVERIFY(file.seek(kOld - 1));
        QVERIFY(file.write("\n") == 1);
    }
    const QByteArray position = ExpectedPosition(path, kOld);
    QVERIFY(Apply(path, Change::Append, added));
    const auto client = Connect(path, 1 << 20, true);
    QVERIFY(client);
    const qint64 before = BytesRead(m_service->ProcessId());
    QVERIFY(before >= 0);
    client->Send("\\ovt " + position + ";");
    const Received r = client->TakeReceived();
    QCOMPARE(r.end, QByteArray("log+"));
    QVERIFY(r.text == Marked(sent));
    const qint64 read = BytesRead(m_service->ProcessId()) - before;
    QVERIFY2(read < added.size() + (qint64(256) << 10), qPrintable(QString::number(read)));
}

QTEST_GUILESS_MAIN(tst_ServiceTail)
#include "tst_service_tail.moc"
