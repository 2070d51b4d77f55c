// The access-log line decoder against hand-written lines, the size formatter's bounds, the array
// helpers, and every line of a real combined-format log checked against independent patterns.
#include "records/LogDecoder.h"

#include "core/ansi.h"

#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// Expected texts are written with '.' and ','; the formatter uses the system's separators.
QString localized(QString text) {
    const QLocale loc = QLocale::system();
    text.replace(u',', u'\x1');
    text.replace(u'.', loc.decimalPoint());
    text.replace(QChar(1), loc.groupSeparator());
    return text;
}

QStringList recordList(const LogRecord& r) {
    return {r[0], r[1], r[2], r[3]};
}

// The decoder's steps written the way the log format's rules are stated: 1-based positions, with
// the classic string functions. 0 means "not found".
int InStr(int start, const QString& s, const QString& find) {
    if (start > s.size()) return 0;
    return int(s.indexOf(find, start - 1)) + 1;
}
int InStrRev(const QString& s, const QString& find, int start) {
    for (int i = start; i >= 1; --i)
        if (s.mid(i - 1, find.size()) == find) return i;
    return 0;
}
QString Mid(const QString& s, int start, int length) {
    return s.mid(start - 1, length);
}
QString Trim(const QString& s) {
    int b = 0, e = int(s.size());
    while (b < e && s[b] == u' ')
        ++b;
    while (e > b && s[e - 1] == u' ')
        --e;
    return s.mid(b, e - b);
}

QStringList literalDecode(const QString& Data) {
    QStringList out{"", "", "", ""};
    const int p = InStr(1, Data, "GET /");
    if (p > 0) {
        const int q = InStr(1, Data, " HTTP/");
        if (q > p) {
            out[0] = Mid(Data, p + 4, q - p - 4);
            const int r = InStr(q + 11, Data, "\"");
            if (r > 0) {
                const int s = InStrRev(Data, " ", r - 2);
                if (s > q) {
                    out[1] = Mid(Data, s + 1, r - 2 - s);
                    bool numeric = false;
                    const double v = out[1].toDouble(&numeric);
                    if (numeric) out[1] = FormatSize(v);
                }
            }
        }
    }
    const int t = InStr(1, Data, " - - [");
    if (t > 0) out[2] = Trim(Data.left(t));
    const int L = int(Trim(Data).size());
    if (L >= 2) {
        const int a = InStrRev(Data, "\"", L - 1);
        if (a > 0) out[3] = Mid(Data, a + 1, L - 1 - a);
    }
    return out;
}

} // namespace

class TestLogDecoder : public QObject {
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void sizeField_data();
    void sizeField();
    void formatSize_data();
    void formatSize();
    void ubnd();
    void arrayMax_data();
    void arrayMax();
    void splitLines_data();
    void splitLines();
    void corpusLines();
    void hostileLines_data();
    void hostileLines();
    void sameAsTheLiteralSteps();
    void agentsOfEveryLength();
};

void TestLogDecoder::decode_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("expected"); // path, size, host, agent

    QTest::newRow("worked example")
        << R"(192.168.0.7 - - [10/Oct/2023:13:55:36 +0200] "GET /img/logo.gif HTTP/1.1" 200 2048 "-" "Agent/1.0")"
        << QStringList{"/img/logo.gif", "2 KB", "192.168.0.7", "Agent/1.0"};
    QTest::newRow("query string stays in the path")
        << R"x(10.1.2.3 - - [01/Jan/2020:00:00:00 +0000] "GET /search?q=a+b&x=1 HTTP/1.0" 200 512 "http://ref/" "Mozilla/5.0 (X11)")x"
        << QStringList{"/search?q=a+b&x=1", "512 bytes", "10.1.2.3", "Mozilla/5.0 (X11)"};
    QTest::newRow("POST gives no path and no size")
        << R"(10.0.0.9 - - [01/Jan/2020:00:00:00 +0000] "POST /form HTTP/1.1" 302 2048 "-" "curl/8.0")"
        << QStringList{"", "", "10.0.0.9", "curl/8.0"};
    QTest::newRow("HEAD gives no path and no size")
        << R"(host.example.org - - [01/Jan/2020:00:00:00 +0000] "HEAD / HTTP/1.1" 200 - "-" "Wget")"
        << QStringList{"", "", "host.example.org", "Wget"};
    QTest::newRow("common format: no size, no agent")
        << R"(127.0.0.1 - - [10/Oct/2000:13:55:36 -0700] "GET /apache_pb.gif HTTP/1.0" 200 2326)"
        << QStringList{"/apache_pb.gif", "", "127.0.0.1", ""};
    QTest::newRow("authenticated user: no host")
        << R"(10.0.0.1 - frank [10/Oct/2000:13:55:36 -0700] "GET /a.html HTTP/1.0" 200 10 "-" "UA")"
        << QStringList{"/a.html", "10 bytes", "", "UA"};
    QTest::newRow("size dash stays dash")
        << R"(10.0.0.2 - - [10/Oct/2000:13:55:36 -0700] "GET /gone HTTP/1.1" 304 - "-" "UA 2")"
        << QStringList{"/gone", "-", "10.0.0.2", "UA 2"};
    QTest::newRow("HTTP/2 request")
        << R"(10.0.0.3 - - [10/Oct/2000:13:55:36 -0700] "GET /h2 HTTP/2" 200 1536000 "-" "h2c")"
        << QStringList{"/h2", localized("1.46 MB"), "10.0.0.3", "h2c"};
    QTest::newRow("empty line") << "" << QStringList{"", "", "", ""};
    QTest::newRow("one character") << "x" << QStringList{"", "", "", ""};
    QTest::newRow("one quote") << "\"" << QStringList{"", "", "", ""};
    QTest::newRow("quotes only") << "\"\"\"\"" << QStringList{"", "", "", ""};
    QTest::newRow("no quotes at all")
        << "just some text GET /x HTTP/1.1 and more" << QStringList{"/x", "", "", ""};
    QTest::newRow("HTTP marker before the request: no path")
        << R"(a HTTP/1.1 - - [x] "GET /late HTTP/1.1" 200 5 "-" "UA")"
        << QStringList{"", "", "a HTTP/1.1", "UA"};
    QTest::newRow("outer spaces are ignored")
        << R"(   10.9.8.7 - - [d] "GET /s HTTP/1.1" 200 1024 "-" "Spaced Agent"   )"
        << QStringList{"/s", "1 KB", "10.9.8.7", "Spaced Agent"};
    QTest::newRow("request is the last quoted field")
        << R"(1.1.1.1 - - [d] "GET /end HTTP/1.1")"
        << QStringList{"/end", "", "1.1.1.1", "GET /end HTTP/1.1"};
    QTest::newRow("non-numeric size keeps its text")
        << R"(1.1.1.1 - - [d] "GET /n HTTP/1.1" 200 12ab "-" "A")"
        << QStringList{"/n", "12ab", "1.1.1.1", "A"};
    QTest::newRow("negative size gives nothing")
        << R"(1.1.1.1 - - [d] "GET /n HTTP/1.1" 200 -5 "-" "A")"
        << QStringList{"/n", "", "1.1.1.1", "A"};
    QTest::newRow("empty agent") << R"(1.1.1.1 - - [d] "GET /e HTTP/1.1" 200 0 "-" "")"
                                 << QStringList{"/e", "0 bytes", "1.1.1.1", ""};
}

void TestLogDecoder::decode() {
    QFETCH(QString, line);
    QFETCH(QStringList, expected);
    const QString before = line;
    QCOMPARE(recordList(DecodeLogLine(line)), expected);
    QCOMPARE(line, before);
}

// The size field of a combined line at each bound of the formatter's table.
void TestLogDecoder::sizeField_data() {
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("expected");
    QTest::newRow("512") << "512"
                         << "512 bytes";
    QTest::newRow("1023") << "1023"
                          << "1023 bytes";
    QTest::newRow("1024") << "1024"
                          << "1 KB";
    QTest::newRow("2048") << "2048"
                          << "2 KB";
    QTest::newRow("1048575") << "1048575"
                             << "1024 KB";
    QTest::newRow("1048576") << "1048576" << localized("1.00 MB");
    QTest::newRow("1073741823") << "1073741823" << localized("1024.00 MB");
    QTest::newRow("1073741824") << "1073741824" << localized("1.00 GB");
    QTest::newRow("0") << "0"
                       << "0 bytes";
    QTest::newRow("leading zeros") << "000512"
                                   << "512 bytes";
    QTest::newRow("twenty digits") << "10000000000000000000" << localized("9313225746.15 GB");
}

void TestLogDecoder::sizeField() {
    QFETCH(QString, size);
    QFETCH(QString, expected);
    const QString line = R"(1.2.3.4 - - [d] "GET /f HTTP/1.1" 200 )" + size + R"( "-" "A")";
    QCOMPARE(DecodeLogLine(line)[FieldSize], expected);
}

void TestLogDecoder::formatSize_data() {
    QTest::addColumn<double>("bytes");
    QTest::addColumn<QString>("fmt");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << 0.0 << ""
                          << "0 bytes";
    QTest::newRow("fraction of a byte") << 0.5 << "" << localized("0.5 bytes");
    QTest::newRow("between bytes and KB") << 1023.5 << ""
                                          << "";
    QTest::newRow("KB rounds half away") << 1536.0 << ""
                                         << "2 KB";
    QTest::newRow("KB rounds down") << 1535.0 << ""
                                    << "1 KB";
    QTest::newRow("between KB and MB") << 1048575.5 << ""
                                       << "";
    QTest::newRow("MB two decimals") << 1572864.0 << "" << localized("1.50 MB");
    QTest::newRow("just above the MB bound") << 1073741823.5 << "" << localized("1.00 GB");
    QTest::newRow("terabytes in GB") << 5e12 << "" << localized("4656.61 GB");
    QTest::newRow("beyond exact integers") << 1e25 << "" << localized("9313225746154786.00 GB");
    QTest::newRow("negative") << -1.0 << ""
                              << "";
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << ""
                         << "";
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << ""
                              << "";
    QTest::newRow("own pattern, three decimals") << 1536.0 << "0.000" << localized("1.500 KB");
    QTest::newRow("own pattern, groups") << 3e15 << "#,##0" << localized("2,793,968 GB");
    QTest::newRow("own pattern, optional decimals") << 1048576.0 << "0.##"
                                                    << "1 MB";
    QTest::newRow("own pattern with text") << 2048.0 << "~0~"
                                           << "~2~ KB";
    QTest::newRow("own pattern ignored for bytes") << 100.0 << "0.00"
                                                   << "100 bytes";
}

void TestLogDecoder::formatSize() {
    QFETCH(double, bytes);
    QFETCH(QString, fmt);
    QFETCH(QString, expected);
    QCOMPARE(FormatSize(bytes, fmt), expected);
}

void TestLogDecoder::ubnd() {
    QCOMPARE(UBND(QStringList()), qint16(-1));
    QCOMPARE(UBND(SplitLines(QString())), qint16(-1));
    QCOMPARE(UBND(QStringList{"a"}), qint16(0));
    QCOMPARE(UBND(std::vector<int>(32767)), qint16(32766));
    QCOMPARE(UBND(std::vector<int>(32768)), qint16(32767));
    // Past the 16-bit range the bound is held at the last index the views can count.
    QCOMPARE(UBND(std::vector<int>(32769)), qint16(32767));
    QCOMPARE(UBND(std::vector<char>(1000000)), qint16(32767));
    const int fixed[5] = {};
    QCOMPARE(UBND(fixed), qint16(4));
}

void TestLogDecoder::arrayMax_data() {
    QTest::addColumn<std::vector<double>>("values");
    QTest::addColumn<double>("expected");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("none") << std::vector<double>{} << 0.0;
    QTest::newRow("all negative") << std::vector<double>{-1, -5} << 0.0;
    QTest::newRow("zeros") << std::vector<double>{0, 0} << 0.0;
    QTest::newRow("middle") << std::vector<double>{3, 7.5, 2} << 7.5;
    QTest::newRow("last") << std::vector<double>{1, 2, 3} << 3.0;
    QTest::newRow("NaN never wins") << std::vector<double>{nan, 2, nan} << 2.0;
}

void TestLogDecoder::arrayMax() {
    QFETCH(std::vector<double>, values);
    QFETCH(double, expected);
    QCOMPARE(ArrayMax(values), expected);
}

void TestLogDecoder::splitLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("one line") << "a" << QStringList{"a"};
    QTest::newRow("trailing break") << "a\r\nb\r\n" << QStringList{"a", "b", ""};
    QTest::newRow("lone LF is text") << "a\nb\r\nc" << QStringList{"a\nb", "c"};
    QTest::newRow("blank lines") << "\r\n\r\n" << QStringList{"", "", ""};
}

void TestLogDecoder::splitLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QStringList got;
    for (const QStringView l : SplitLines(text))
        got.append(l.toString());
    QCOMPARE(got, lines);
    QCOMPARE(ArrayMax({}), 0.0);
}

// Every line of a real log: host, GET path, size and agent as independent patterns find them.
void TestLogDecoder::corpusLines() {
    QFile file(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QRegularExpression host(R"(^(\S+) - - \[)");
    const QRegularExpression get(R"re("GET (/.*?) HTTP/)re");
    const QRegularExpression size(R"re(HTTP/[0-9.]+" \d{3} (\d+|-) ")re");
    const QRegularExpression agent(R"re("([^"]*)"$)re");
    const QLocale loc = QLocale::system();
    int lines = 0, gets = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromLatin1(file.readLine()).chopped(1);
        const LogRecord rec = DecodeLogLine(line);
        ++lines;
        const auto h = host.match(line);
        QCOMPARE(rec[FieldHost], h.hasMatch() ? h.captured(1) : QString());
        const auto g = get.match(line);
        QCOMPARE(rec[FieldPath], g.hasMatch() ? g.captured(1) : QString());
        const auto a = agent.match(line);
        QCOMPARE(rec[FieldAgent], a.hasMatch() ? a.captured(1) : QString());
        if (!g.hasMatch()) continue;
        ++gets;
        const auto s = size.match(line);
        QVERIFY2(s.hasMatch(), qPrintable(line));
        QString expected = s.captured(1);
        if (expected != u"-") {
            const double b = expected.toDouble();
            if (b < 1024)
                expected = QString::number(b) + " bytes";
            else if (b < 1048576)
                expected = QString::number(qRound(b / 1024)) + " KB";
            else if (b < 1073741824)
                expected = loc.toString(b / 1048576, 'f', 2) + " MB";
            else
                expected = loc.toString(b / 1073741824, 'f', 2) + " GB";
        }
        QCOMPARE(rec[FieldSize], expected);
    }
    QCOMPARE(lines, 10000);
    QVERIFY(gets > 9000);
}

// Lines no log holds: every byte value, unbalanced markers, and very long lines.
void TestLogDecoder::hostileLines_data() {
    QTest::addColumn<QByteArray>("line");
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    QTest::newRow("every byte") << all;
    QTest::newRow("markers without content") << QByteArray(R"(GET / HTTP/"" - - [)");
    QTest::newRow("markers reversed") << QByteArray(R"( HTTP/GET /" - - [)");
    QTest::newRow("quote right after HTTP") << QByteArray(R"(GET /a HTTP/1.1"")");
    QTest::newRow("size slot is a space") << QByteArray(R"(GET /a HTTP/1.1" 200  "x")");
    QTest::newRow("ten megabytes of quotes") << QByteArray(10 * 1024 * 1024, '"');
    QTest::newRow("many requests") << QByteArray(R"(GET /x HTTP/1.1" 200 9 ")").repeated(100000);
    QTest::newRow("high bytes in every field")
        << QByteArray("\xE9\x80 - - [x] \"GET /\xFF\x81 HTTP/1.1\" 200 5 \"-\" \"\x9D\xA0\"");
}

void TestLogDecoder::hostileLines() {
    QFETCH(QByteArray, line);
    const LogRecord rec = DecodeLogLine(QByteArrayView(line));
    // What the decoder finds is always taken from the line itself, byte for byte.
    QVERIFY(line.contains(ov::toAnsi(rec[FieldPath])));
    QVERIFY(line.contains(ov::toAnsi(rec[FieldHost])));
    QVERIFY(line.contains(ov::toAnsi(rec[FieldAgent])));
    QVERIFY(rec[FieldPath].isEmpty() || rec[FieldPath].startsWith(u'/'));
    QCOMPARE(recordList(DecodeLogLine(QByteArrayView(line))), recordList(rec));
}

// Real lines and random lines made of log pieces decode as the literal steps do. The agent is
// compared where the decoder deliberately differs from them only for lines with leading spaces
// or without a closing quote.
void TestLogDecoder::sameAsTheLiteralSteps() {
    QStringList lines;
    QFile file(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    for (int i = 0; i < 2000 && !file.atEnd(); ++i)
        lines << QString::fromLatin1(file.readLine()).chopped(1);
    const QStringList pieces = {"GET /", " HTTP/1.1\"", "\"",  " ",     "-",   " - - [", "1024",
                                "a",     "/",           "200", "HTTP/", "GET", " 12 "};
    QRandomGenerator gen(777);
    for (int i = 0; i < 20000; ++i) {
        QString line;
        const int n = gen.bounded(1, 16);
        for (int k = 0; k < n; ++k)
            line += pieces[gen.bounded(pieces.size())];
        lines << line;
    }
    for (const QString& line : lines) {
        QStringList expected = literalDecode(line);
        QStringList got = recordList(DecodeLogLine(line));
        if (line.startsWith(u' ') || !Trim(line).endsWith(u'"')) {
            expected.removeLast();
            got.removeLast();
        }
        QVERIFY2(got == expected, qPrintable(line));
    }
}

// The agent's opening quote at every distance from the line's end, and with no other quote
// before it at all.
void TestLogDecoder::agentsOfEveryLength() {
    for (int n = 0; n < 70; ++n) {
        const QString agent = QString(n, u'a') + (n % 3 ? "" : " b");
        QCOMPARE(DecodeLogLine(QStringLiteral("h - - [d] \"-\" \"") + agent + u'"')[FieldAgent],
                 agent);
        QCOMPARE(DecodeLogLine(u'"' + agent + u'"')[FieldAgent], agent);
        QCOMPARE(DecodeLogLine(agent + u'"')[FieldAgent], QString());
    }
}

QTEST_GUILESS_MAIN(TestLogDecoder)
#include "tst_logdecoder.moc"
