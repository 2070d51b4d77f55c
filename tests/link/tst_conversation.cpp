// The console's side of the log-service conversation, driven through a recording host: what each
// arrival makes the console log, send and show, and how the chunks of a transfer are joined.
#include "link/ServiceConversation.h"

#include "core/ansi.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

namespace {

const QString kMarker = QStringLiteral("<|br\\>");

// Records every call as one line: "send:TEXT", "log:TEXT", "show:TEXT", "refresh", "close".
class RecordingHost : public ConversationHost {
public:
    void SendText(const QString& text) override { events << QStringLiteral("send:") + text; }
    void AddLog(const QString& text) override { events << QStringLiteral("log:") + text; }
    bool AppendLogText(QByteArray text, qsizetype limit) override {
        if (shown.size() + text.size() > limit) return false;
        events << QStringLiteral("append:") + ov::fromAnsi(text);
        shown += ov::fromAnsi(text);
        return true;
    }
    void ShowLogText(QByteArray text) override {
        shown = ov::fromAnsi(text);
        events << QStringLiteral("show:") + shown;
        ++shows;
    }
    void RefreshViews() override { events << QStringLiteral("refresh"); }
    void CloseConnection() override { events << QStringLiteral("close"); }
    QString NumBytesText() const override { return numBytes; }
    QString LogPathText() const override { return logPath; }

    int Count(const QString& event) const { return int(events.count(event)); }

    QStringList events;
    QString shown;
    int shows = 0;
    QString numBytes = QStringLiteral("2000");
    QString logPath = QStringLiteral("E:\\Logs web\\access.log");
};

const QString kConfig = QStringLiteral("send:\\cfg numb=2000;logp=E:\\Logs web\\access.log;");
const QString kAck = QStringLiteral("send:\\ov!");
const QString kAsk = QStringLiteral("send:\\ovg");
const QString kReceiving = QStringLiteral("log:Recibiendo paquetes...");
const QString kDone = QStringLiteral("log:Recepción terminada");

// A "logd" whose separator announces the size: 2^n characters for the letter 'A' + n.
QString SizedChunk(const QString& data) {
    const int n = int(std::countr_zero(quint64(data.size())));
    Q_ASSERT((qsizetype(1) << n) == data.size());
    return QStringLiteral("logd") + QChar(u'A' + n) + data;
}

} // namespace

class tst_Conversation : public QObject {
    Q_OBJECT

private slots:
    void messageTable_data();
    void messageTable();
    void outgoing_data();
    void outgoing();
    void getParam_data();
    void getParam();
    void expandLineBreaks_data();
    void expandLineBreaks();
    void newConnectionDropsPartialTransfer();
    void floodIsWorkedOffInShares();
    void followingAGrowingLog_data();
    void followingAGrowingLog();
    void oversizedTransferIsAbandoned_data();
    void oversizedTransferIsAbandoned();
    void corpusArrivesWhole_data();
    void corpusArrivesWhole();
};

// Each row: the arrivals, one after another on a connected conversation with a plain service or
// with one that promised framing in its greeting, and what the console does in answer, in order.
void tst_Conversation::messageTable_data() {
    QTest::addColumn<bool>("framed");
    QTest::addColumn<QStringList>("arrivals");
    QTest::addColumn<QStringList>("expected");
    const QStringList chunk{kReceiving, kAck};
    const auto shown = [](const QString& text) {
        return QStringList{kDone, "show:" + text, "refresh"};
    };
    const QStringList changed{"log:Cambio del log...", "log:Pidiendo actualización...", kAsk};
    const QStringList configured{"log:Configuración correcta", kAsk};
    const QStringList refused{"log:Error en la configuración"};

    QTest::newRow("helo logs the greeting, sends the configuration")
        << false << QStringList{"helo Servicio listo"}
        << QStringList{"log:Servicio listo", kConfig};
    QTest::newRow("HELO in capitals")
        << false << QStringList{"HELO:Hola"} << QStringList{"log:Hola", kConfig};
    QTest::newRow("helo of 4 characters")
        << false << QStringList{"helo"} << QStringList{"log:", kConfig};
    QTest::newRow("helo of 5 characters")
        << false << QStringList{"Helo "} << QStringList{"log:", kConfig};
    QTest::newRow("helo keeps a second message as greeting")
        << false << QStringList{"helo hola cfgk"} << QStringList{"log:hola cfgk", kConfig};
    QTest::newRow("cfgk asks for the log") << false << QStringList{"cfgk"} << configured;
    QTest::newRow("CfGk mixed case") << false << QStringList{"CfGk"} << configured;
    QTest::newRow("cfg! only logs") << false << QStringList{"CFG!"} << refused;
    QTest::newRow("logd stores and acknowledges, log. shows")
        << false << QStringList{"logd 1.2.3.4 - -", "log."} << chunk + shown("1.2.3.4 - -");
    QTest::newRow("logd of 4 characters")
        << false << QStringList{"logd", "log."} << chunk + shown("");
    QTest::newRow("logd of 5 characters")
        << false << QStringList{"LOGD|", "log."} << chunk + shown("");
    QTest::newRow("chunks joined in order") << false << QStringList{"logd one ", "logdxtwo", "LOG."}
                                            << chunk + chunk + shown("one two");
    QTest::newRow("an empty log answers a request")
        << false << QStringList{"cfgk", "log."} << configured + shown("");
    QTest::newRow("a log. that answers nothing changes nothing")
        << false << QStringList{"Log.", "logd x", "log.", "log."} << chunk + shown("x");
    QTest::newRow("disc closes, ignores what follows")
        << false << QStringList{"DISCcfgk"} << QStringList{"close"};
    QTest::newRow("lupd asks again") << false << QStringList{"LuPd"} << changed;
    QTest::newRow("unknown tokens and short arrivals ignored")
        << false << QStringList{"", "h", "hel", "hell", "hello", "xhelo", " cfgk", "logx", "log"}
        << QStringList{};
    QTest::newRow("a message after an unsized chunk is log text")
        << false << QStringList{"logd abclog.", "log."} << chunk + shown("abclog.");
    QTest::newRow("marker split across chunks")
        << false << QStringList{"logd a<|b", "logd r\\>b<", "logd |br\\", "logd >", "log."}
        << chunk + chunk + chunk + chunk + shown("a\r\nb\r\n");
    QTest::newRow("marker matched in exact case only")
        << false << QStringList{"logd a<|BR\\>b<|br/>c", "log."}
        << chunk + shown("a<|BR\\>b<|br/>c");
    QTest::newRow("plain: a later greeting promises nothing")
        << false << QStringList{"helo uno", "helo otro [ov+1]", "cfgkcfg!"}
        << QStringList{"log:uno", kConfig, "log:otro", kConfig} + configured;
    QTest::newRow("plain: one arrival is one message")
        << false << QStringList{"cfgkcfg!"} << configured;
    QTest::newRow("plain: a letter separator is no size")
        << false << QStringList{"logdDabcdefghijk", "logdA12", "log."}
        << chunk + chunk + shown("abcdefghijk12");
    // TCP splits a chunk: the pieces without a token belong to it and are not acknowledged.
    QTest::newRow("chunk continued over several arrivals")
        << false << QStringList{"logd abc", "def", "ghi", "logd jk", "l", "log."}
        << chunk + chunk + shown("abcdefghijkl");
    QTest::newRow("noise outside a transfer not stored")
        << false << QStringList{"stray", "logd abc", "log.", "later", "cfgk", "log."}
        << chunk + shown("abc") + configured + shown("");

    // Framed: every message of an arrival counts, sizes tell where chunks end.
    QTest::newRow("framed: lupd glued after log.")
        << true << QStringList{"logdAx", "log.lupd"} << chunk + shown("x") + changed;
    QTest::newRow("framed: cfg! glued after cfgk")
        << true << QStringList{"cfgkcfg!"} << configured + refused;
    QTest::newRow("framed: sized chunk and log. in one arrival")
        << true << QStringList{SizedChunk("abcd") + "log."} << chunk + shown("abcd");
    QTest::newRow("framed: sized chunks split and glued")
        << true << QStringList{"logdCab", "cdlogdB", "xylog", "."}
        << chunk + chunk + shown("abcdxy");
    QTest::newRow("framed: header cut after the token")
        << true << QStringList{"logdBab", "logd", "Bcd", "lo", "g."}
        << chunk + chunk + shown("abcd");
    QTest::newRow("framed: sized chunk holding token-like text")
        << true << QStringList{SizedChunk("log.lupd"), "log."} << chunk + shown("log.lupd");
    QTest::newRow("framed: continuation that starts like a token")
        << true << QStringList{"logdDab", "heloxy", "log."} << chunk + shown("abheloxy");
    QTest::newRow("framed: noise after a complete sized chunk dropped")
        << true << QStringList{SizedChunk("ab"), "zz", "log."} << chunk + shown("ab");
    QTest::newRow("framed: one-byte chunks")
        << true << QStringList{"logdAxlogdAy", "logdA", "z", "log."}
        << chunk + chunk + chunk + shown("xyz");
    // Repeats cost nothing: one request for many "lupd", one view for a doubled "log.".
    QTest::newRow("framed: repeated lupd asks once")
        << true << QStringList{"lupdlupdLUPD", "lupd"} << changed;
    QTest::newRow("framed: a doubled log. keeps the view")
        << true << QStringList{SizedChunk("ab") + "log.log."} << chunk + shown("ab");
    QTest::newRow("framed: a second cfgk while the log is asked for")
        << true << QStringList{"cfgkcfgk"}
        << configured + QStringList{"log:Configuración correcta"};
}

void tst_Conversation::messageTable() {
    QFETCH(bool, framed);
    QFETCH(QStringList, arrivals);
    QFETCH(QStringList, expected);
    RecordingHost host;
    ServiceConversation conversation(host);
    conversation.OnConnected();
    QCOMPARE(host.events, QStringList{"send:hello"});
    if (framed) {
        conversation.OnDataArrival(QByteArray("helo Servicio").append(kExtensionTag));
        QCOMPARE(host.events.mid(1), (QStringList{"log:Servicio", "send:\\ovx", kConfig}));
    }
    QCOMPARE(conversation.Framed(), framed);
    host.events.clear();
    for (const QString& arrival : arrivals) {
        conversation.OnDataArrival(ov::toAnsi(arrival));
        while (conversation.HasWorkLeft()) // as the window does in its next passes
            conversation.ProcessBacklog();
    }
    QCOMPARE(host.events, expected);
    if (host.shows > 0) QVERIFY(conversation.LogBuffer().isEmpty());
}

// A framing service tells where each copy ends; a change then brings only the new lines, which
// are added to the text shown. Each row: arrivals after a first transfer of "ab" that ended at
// position "2:00ff", and what the console does. "!cfg" is the operator's "Actualizar".
void tst_Conversation::followingAGrowingLog_data() {
    QTest::addColumn<QStringList>("arrivals");
    QTest::addColumn<QStringList>("expected");
    const QStringList askTail{"log:Cambio del log...", "log:Pidiendo líneas nuevas...",
                              "send:\\ovt 2:00ff;"};
    const QStringList askWhole{"log:Cambio del log...", "log:Pidiendo actualización...", kAsk};
    const QStringList chunk{kReceiving, kAck};
    QTest::newRow("new lines are added")
        << QStringList{"lupd", SizedChunk("cd<|br\\>") + "logp 8:11aa;log+", "lupd"}
        << askTail + chunk +
               QStringList{
                   "append:cd\r\n",         "log:Recibida 1 línea nueva",    "refresh",
                   "log:Cambio del log...", "log:Pidiendo líneas nuevas...", "send:\\ovt 8:11aa;"};
    QTest::newRow("no new complete line")
        << QStringList{"lupd", "logp 2:00ff;", "log+"}
        << askTail + QStringList{"append:", "log:Recibidas 0 líneas nuevas", "refresh"};
    QTest::newRow("a rotated log comes whole")
        << QStringList{"lupd", SizedChunk("zz") + "logp 2:77;log."}
        << askTail + chunk + QStringList{kDone, "show:zz", "refresh"};
    QTest::newRow("more than the text may hold: dropped, then the whole log is asked for")
        << QStringList{"lupd", SizedChunk(QString(16, 'x')) + "logp 18:1;log+", "lupd"}
        << askTail + chunk +
               QStringList{"log:Líneas nuevas descartadas: el log superaría el límite de 17 "
                           "bytes"} +
               askWhole;
    QTest::newRow("a position sent outside a transfer is not the next one's")
        << QStringList{"lupd", "logp 9:9;", SizedChunk("zz") + "log.", "lupd"}
        << askTail + chunk + QStringList{kDone, "show:zz", "refresh"} + askWhole;
    QTest::newRow("after Actualizar the whole log")
        << QStringList{"!cfg", "lupd"} << QStringList{kConfig} + askWhole;
    QTest::newRow("a transfer without a position: the whole log next")
        << QStringList{"lupd", SizedChunk("ab") + "log.", "lupd"}
        << askTail + chunk + QStringList{kDone, "show:ab", "refresh"} + askWhole;
    QTest::newRow("a position cut short waits, one too long is noise")
        << QStringList{"lupd", "logp", " 2:0", "0ff;log+", "logp " + QString(70, '1'), "lupd"}
        << askTail + QStringList{"append:", "log:Recibidas 0 líneas nuevas", "refresh"} + askTail;
}

void tst_Conversation::followingAGrowingLog() {
    QFETCH(QStringList, arrivals);
    QFETCH(QStringList, expected);
    RecordingHost host;
    ServiceConversation conversation(host, 17);
    conversation.OnConnected();
    conversation.OnDataArrival(QByteArray("helo Servicio").append(kExtensionTag));
    conversation.OnDataArrival(QByteArray("cfgklogdBablogp 2:00ff;log."));
    QCOMPARE(conversation.Position(), QByteArray("2:00ff"));
    host.events.clear();
    for (const QString& arrival : arrivals) {
        if (arrival == "!cfg")
            conversation.SendConfiguration();
        else
            conversation.OnDataArrival(ov::toAnsi(arrival));
        while (conversation.HasWorkLeft())
            conversation.ProcessBacklog();
    }
    QCOMPARE(host.events, expected);
}

// A flood of glued messages is taken a share at a time; nothing is lost or done twice.
void tst_Conversation::floodIsWorkedOffInShares() {
    RecordingHost host;
    ServiceConversation conversation(host);
    conversation.OnConnected();
    conversation.OnDataArrival(QByteArray("helo x").append(kExtensionTag));
    host.events.clear();
    constexpr int kMessages = ServiceConversation::kMessagesPerPass * 3 + 5;
    conversation.OnDataArrival(QByteArray("cfg!").repeated(kMessages) + "logdBa");
    QCOMPARE(host.events.size(), ServiceConversation::kMessagesPerPass);
    int passes = 1;
    for (; conversation.HasWorkLeft(); ++passes)
        conversation.ProcessBacklog();
    QCOMPARE(passes, 4);
    QCOMPARE(host.Count("log:Error en la configuración"), kMessages);
    QCOMPARE(host.Count(kAck), 1);
    conversation.OnDataArrival("blog.");
    QCOMPARE(host.shown, QStringLiteral("ab"));
    // Past the backlog's limit, everything is handled at once.
    host.events.clear();
    const qsizetype many = ServiceConversation::kBacklogLimit / 4 + 1;
    conversation.OnDataArrival(QByteArray("cfg!").repeated(many));
    QVERIFY(!conversation.HasWorkLeft());
    QCOMPARE(host.events.size(), many);
}

void tst_Conversation::outgoing_data() {
    QTest::addColumn<QString>("numBytes");
    QTest::addColumn<QString>("logPath");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("sent");
    QTest::newRow("hello on connect") << "2000"
                                      << "x"
                                      << "connect"
                                      << "hello";
    QTest::newRow("configuration") << "2000"
                                   << "E:\\Logs web\\access.log"
                                   << "configure"
                                   << "\\cfg numb=2000;logp=E:\\Logs web\\access.log;";
    QTest::newRow("texts sent as they stand") << "-5"
                                              << "/a;b \"c\".log"
                                              << "configure"
                                              << "\\cfg numb=-5;logp=/a;b \"c\".log;";
    QTest::newRow("ask for the log") << "1"
                                     << "p"
                                     << "ask"
                                     << "\\ovg";
    QTest::newRow("disconnect") << "1"
                                << "p"
                                << "disconnect"
                                << "exit";
}

void tst_Conversation::outgoing() {
    QFETCH(QString, numBytes);
    QFETCH(QString, logPath);
    QFETCH(QString, action);
    QFETCH(QString, sent);
    RecordingHost host;
    host.numBytes = numBytes;
    host.logPath = logPath;
    ServiceConversation conversation(host);
    if (action == u"connect") conversation.OnConnected();
    if (action == u"configure") conversation.SendConfiguration();
    if (action == u"ask") conversation.RequestLog();
    if (action == u"disconnect") conversation.RequestDisconnect();
    // Asking for anything changes nothing on the console by itself.
    QCOMPARE(host.events, QStringList{"send:" + sent});
}

void tst_Conversation::getParam_data() {
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("param");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("token only") << "helo"
                                << "";
    QTest::newRow("token and separator") << "helo "
                                         << "";
    QTest::newRow("one character of data") << "helo x"
                                           << "x";
    QTest::newRow("separator not inspected") << "heloXYZ"
                                             << "YZ";
    QTest::newRow("rest however long") << "logd a<|br\\>b log."
                                       << "a<|br\\>b log.";
}

void tst_Conversation::getParam() {
    QFETCH(QString, data);
    QFETCH(QString, param);
    QCOMPARE(ov::fromAnsi(ServiceConversation::GetParam(ov::toAnsi(data))), param);
}

void tst_Conversation::expandLineBreaks_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expanded");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("no marker") << "abc"
                               << "abc";
    QTest::newRow("marker alone") << "<|br\\>"
                                  << "\r\n";
    QTest::newRow("between lines") << "a<|br\\>b"
                                   << "a\r\nb";
    QTest::newRow("adjacent") << "<|br\\><|br\\>"
                              << "\r\n\r\n";
    QTest::newRow("trailing") << "a<|br\\>"
                              << "a\r\n";
    QTest::newRow("cut short") << "a<|br\\"
                               << "a<|br\\";
    QTest::newRow("last byte differs") << "a<|br\\)b"
                                       << "a<|br\\)b";
    QTest::newRow("inside angle brackets") << "<<|br\\>>"
                                           << "<\r\n>";
    QTest::newRow("not rescanned") << "<|br<|br\\>\\>"
                                   << "<|br\r\n\\>";
}

void tst_Conversation::expandLineBreaks() {
    QFETCH(QString, text);
    QFETCH(QString, expanded);
    const QByteArray bytes = ov::toAnsi(text);
    QCOMPARE(ov::fromAnsi(ExpandLineBreaks(bytes)), expanded);
    // A shared buffer is copied, never changed behind its other owners.
    QCOMPARE(bytes, ov::toAnsi(text));
}

void tst_Conversation::newConnectionDropsPartialTransfer() {
    RecordingHost host;
    ServiceConversation conversation(host);
    conversation.OnConnected();
    conversation.OnDataArrival(QByteArray("helo Servicio").append(kExtensionTag));
    conversation.OnDataArrival("logd cut off by a lost connection");
    conversation.OnDataArrival("logdD1234"); // a sized chunk left half-received
    QVERIFY(conversation.TransferUnderWay());
    QVERIFY(!conversation.LogBuffer().isEmpty());

    conversation.OnConnected();
    QVERIFY(conversation.LogBuffer().isEmpty());
    QVERIFY(!conversation.TransferUnderWay() && !conversation.Framed());
    conversation.OnDataArrival("logd fresh");
    conversation.OnDataArrival("log.");
    QCOMPARE(host.shown, QStringLiteral("fresh"));
    QCOMPARE(host.Count("send:hello"), 2);
}

void tst_Conversation::oversizedTransferIsAbandoned_data() {
    QTest::addColumn<QStringList>("arrivals");
    QTest::newRow("too many chunks") << QStringList{"logd 123456", "logd 789012"};
    QTest::newRow("too long a continuation") << QStringList{"logd 1234", "5678901"};
    QTest::newRow("letter separators") << QStringList{"logdD1234", "5678", "logdC123"};
}

void tst_Conversation::oversizedTransferIsAbandoned() {
    QFETCH(QStringList, arrivals);
    constexpr qsizetype kLimit = 10;
    RecordingHost host;
    ServiceConversation conversation(host, kLimit);
    conversation.OnConnected();
    conversation.OnDataArrival("logd old"); // the view's text before
    conversation.OnDataArrival("log.");
    host.events.clear();

    for (const QString& arrival : arrivals) {
        conversation.OnDataArrival(ov::toAnsi(arrival));
        QVERIFY(conversation.LogBuffer().size() <= kLimit);
    }
    const QStringList abandon = host.events.filter(QStringLiteral("abandonada"));
    QCOMPARE(abandon.size(), 1);
    QVERIFY(abandon.first().contains(QString::number(kLimit)));
    QVERIFY(conversation.LogBuffer().isEmpty());
    // The conversation goes on: the rest of the transfer is still acknowledged, its end shows
    // nothing, and the next transfer is whole.
    conversation.OnDataArrival("logd more");
    QCOMPARE(host.events.last(), kAck);
    conversation.OnDataArrival("log.");
    QCOMPARE(host.shown, QStringLiteral("old"));
    QCOMPARE(host.shows, 1);
    QVERIFY(!conversation.TransferUnderWay());
    conversation.OnDataArrival("logd 0123456789");
    conversation.OnDataArrival("log.");
    QCOMPARE(host.shown, QStringLiteral("0123456789"));
}

// The real log, written as the service writes it, cut into chunks and then into arrivals in
// many ways; the console must end up with exactly the file's lines, CR LF between them.
void tst_Conversation::corpusArrivesWhole_data() {
    QTest::addColumn<int>("chunkSize");
    QTest::addColumn<int>("arrivalSize"); // 0: one arrival per chunk
    QTest::addColumn<bool>("sized");

    QTest::newRow("unsized 7, whole chunks") << 7 << 0 << false;
    QTest::newRow("unsized 65536, split in 1000") << 65536 << 1000 << false;
    QTest::newRow("sized 4, stream cut every 3") << 4 << 3 << true;
    QTest::newRow("sized 1048576, stream cut every 131072") << 1048576 << 131072 << true;
    QTest::newRow("sized 2048, stream cut at random") << 2048 << -1 << true;
}

void tst_Conversation::corpusArrivesWhole() {
    QFETCH(int, chunkSize);
    QFETCH(int, arrivalSize);
    QFETCH(bool, sized);
    QFile file(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QString original = QString::fromLatin1(file.readAll());
    QString onTheWire = original;
    onTheWire.replace(u'\n', kMarker);

    RecordingHost host;
    ServiceConversation conversation(host);
    conversation.OnConnected();
    if (sized) conversation.OnDataArrival(QByteArray("helo Servicio").append(kExtensionTag));
    host.events.clear();
    QStringList messages;
    for (qsizetype at = 0; at < onTheWire.size();) {
        qsizetype size = qMin<qsizetype>(chunkSize, onTheWire.size() - at);
        if (sized) size = qsizetype(std::bit_floor(quint64(size)));
        const QString data = onTheWire.mid(at, size);
        messages << (sized ? SizedChunk(data) : QStringLiteral("logd ") + data);
        at += size;
    }
    messages << QStringLiteral("log.");

    QRandomGenerator random(7);
    if (!sized) {
        // Without sizes only splitting is safe: each chunk's pieces arrive before the next.
        for (const QString& m : messages)
            for (qsizetype at = 0; at<m.size(); at += arrivalSize> 0 ? arrivalSize : m.size())
                conversation.OnDataArrival(
                    ov::toAnsi(m.mid(at, arrivalSize > 0 ? arrivalSize : -1)));
    } else {
        // The first chunk follows "\ovg" and opens an arrival of its own; from then on the
        // stream may be cut anywhere.
        const QString stream = messages.join(QString());
        for (qsizetype at = 0; at < stream.size();) {
            if (at == 0) {
                conversation.OnDataArrival(ov::toAnsi(messages.first()));
                at = messages.first().size();
                continue;
            }
            const qsizetype n = arrivalSize > 0 ? arrivalSize : random.bounded(1, 5000);
            conversation.OnDataArrival(ov::toAnsi(stream.mid(at, n)));
            at += n;
        }
        while (conversation.HasWorkLeft())
            conversation.ProcessBacklog();
    }
    QCOMPARE(host.shows, 1);
    QCOMPARE(host.Count(kAck), messages.size() - 1);
    QString expected = original;
    expected.replace(u'\n', QStringLiteral("\r\n"));
    QVERIFY(host.shown == expected);
}

QTEST_GUILESS_MAIN(tst_Conversation)
#include "tst_conversation.moc"
