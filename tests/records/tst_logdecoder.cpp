// The access-log line decoder on hand-written and hostile lines; the size formatter's bounds and
// patterns; the line split and the array helpers.
#include "records/LogDecoder.h"

#include "core/ansi.h"

#include <QLocale>
#include <QTest>
#include <limits>

namespace {

// Expected texts are written with '.' and ','; the formatter uses the system's separators.
QString localized(QString text) {
    const QLocale loc = QLocale::system();
    text.replace(u',', u'\x1').replace(u'.', loc.decimalPoint());
    return text.replace(QChar(1), loc.groupSeparator());
}

#define HEAD "10.0.0.1 - - [10/Oct/2000:13:55:36 -0700] \""
// A line, and the path, size, host and agent it gives.
const std::array<const char*, 6> kLines[] = {
    {"worked example", HEAD R"(GET /img/logo.gif HTTP/1.1" 200 2048 "-" "A/1.0")", "/img/logo.gif",
     "2 KB", "10.0.0.1", "A/1.0"},
    {"query string stays", R"x(h - - [d] "GET /s?q=a+b HTTP/1.0" 200 512 "http://r/" "M (X11)")x",
     "/s?q=a+b", "512 bytes", "h", "M (X11)"},
    {"POST: no path, no size", HEAD R"(POST /f HTTP/1.1" 302 2048 "-" "curl")", "", "", "10.0.0.1",
     "curl"},
    {"common format: no agent", HEAD R"(GET /a.gif HTTP/1.0" 200 2326)", "/a.gif", "", "10.0.0.1",
     ""},
    {"authenticated user: no host", R"(10.0.0.1 - frank [d] "GET /a HTTP/1.0" 200 10 "-" "UA")",
     "/a", "10 bytes", "", "UA"},
    {"size dash stays", HEAD R"(GET /g HTTP/1.1" 304 - "-" "UA 2")", "/g", "-", "10.0.0.1", "UA 2"},
    {"HTTP/2, megabytes", HEAD R"(GET /h2 HTTP/2" 200 1536000 "-" "h2c")", "/h2", "1.46 MB",
     "10.0.0.1", "h2c"},
    {"size with leading zeros", HEAD R"(GET /z HTTP/1.1" 200 000512 "-" "A")", "/z", "512 bytes",
     "10.0.0.1", "A"},
    {"twenty digits", HEAD R"(GET /t HTTP/1.1" 200 10000000000000000000 "-" "A")", "/t",
     "9313225746.15 GB", "10.0.0.1", "A"},
    {"non-numeric size kept", HEAD R"(GET /n HTTP/1.1" 200 12ab "-" "A")", "/n", "12ab", "10.0.0.1",
     "A"},
    {"negative size gives nothing", HEAD R"(GET /n HTTP/1.1" 200 -5 "-" "A")", "/n", "", "10.0.0.1",
     "A"},
    {"outer spaces ignored", R"(   h - - [d] "GET /s HTTP/1.1" 200 1024 "-" "S A"   )", "/s",
     "1 KB", "h", "S A"},
    {"request the last quoted field", R"(h - - [d] "GET /e HTTP/1.1")", "/e", "", "h",
     "GET /e HTTP/1.1"},
    {"HTTP marker before the request", R"(a HTTP/1.1 - - [x] "GET /l HTTP/1.1" 200 5 "-" "U")", "",
     "", "a HTTP/1.1", "U"},
    {"no quotes", "text GET /x HTTP/1.1 more", "/x", "", "", ""},
    {"empty agent", HEAD R"(GET /e HTTP/1.1" 200 0 "-" "")", "/e", "0 bytes", "10.0.0.1", ""},
    {"one quote", "\"", "", "", "", ""},
};

const std::tuple<const char*, double, const char*, const char*> kSizes[] = {
    {"zero", 0, "", "0 bytes"},
    {"1023", 1023, "", "1023 bytes"},
    {"fraction of a byte", 0.5, "", "0.5 bytes"},
    {"between bytes and KB", 1023.5, "", ""},
    {"1024", 1024, "", "1 KB"},
    {"KB rounds half away", 1536, "", "2 KB"},
    {"KB rounds down", 1535, "", "1 KB"},
    {"1048575", 1048575, "", "1024 KB"},
    {"between KB and MB", 1048575.5, "", ""},
    {"1048576", 1048576, "", "1.00 MB"},
    {"MB, two places", 1572864, "", "1.50 MB"},
    {"1073741823", 1073741823, "", "1024.00 MB"},
    {"1073741824", 1073741824, "", "1.00 GB"},
    {"just above the MB bound", 1073741823.5, "", "1.00 GB"},
    {"beyond exact integers", 1e25, "", "9313225746154786.00 GB"},
    {"negative", -1, "", ""},
    {"NaN", std::numeric_limits<double>::quiet_NaN(), "", ""},
    {"infinity", std::numeric_limits<double>::infinity(), "", ""},
    {"own pattern, three places", 1536, "0.000", "1.500 KB"},
    {"own pattern, groups", 3e15, "#,##0", "2,793,968 GB"},
    {"own pattern, optional places", 1048576, "0.##", "1 MB"},
    {"own pattern with text", 2048, "~0~", "~2~ KB"},
    {"own pattern not for bytes", 100, "0.00", "100 bytes"},
};

} // namespace

class TestLogDecoder : public QObject {
    Q_OBJECT
private slots:
    void decode_data() {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < std::size(kLines); ++i)
            QTest::newRow(kLines[i][0]) << int(i);
    }
    void decode() {
        QFETCH(int, row);
        const auto& l = kLines[row];
        const LogRecord r = DecodeLogLine(QString::fromLatin1(l[1]));
        QCOMPARE(QStringList({r[0], r[1], r[2], r[3]}),
                 QStringList({l[2], localized(l[3]), l[4], l[5]}));
    }

    void formatSize_data() {
        QTest::addColumn<int>("row");
        for (size_t i = 0; i < std::size(kSizes); ++i)
            QTest::newRow(std::get<0>(kSizes[i])) << int(i);
    }
    void formatSize() {
        QFETCH(int, row);
        const auto& [name, bytes, fmt, expected] = kSizes[row];
        QCOMPARE(FormatSize(bytes, fmt), localized(expected));
    }

    void linesAndBounds() {
        const std::pair<QString, QStringList> texts[] = {{"", {}},
                                                         {"a", {"a"}},
                                                         {"a\r\nb\r\n", {"a", "b", ""}},
                                                         {"a\nb\r\nc", {"a\nb", "c"}},
                                                         {"\r\n\r\n", {"", "", ""}}};
        for (const auto& [text, lines] : texts) {
            QStringList got;
            for (const QStringView l : SplitLines(text))
                got << l.toString();
            QCOMPARE(got, lines);
            QCOMPARE(UBND(SplitLines(text)), qint16(lines.size() - 1));
        }
        // Past the 16-bit range the bound is held at the last index the views can count.
        QCOMPARE(UBND(std::vector<int>(32768)), qint16(32767));
        QCOMPARE(UBND(std::vector<char>(1000000)), qint16(32767));
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QCOMPARE(ArrayMax({}) + ArrayMax({-1, -5}), 0.0);
        QCOMPARE(ArrayMax(std::vector<double>{nan, 3, 7.5, nan, 2}), 7.5);
    }

    // Lines no log holds: what the decoder finds is always taken from the line, byte for byte.
    void hostileLines() {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        for (const QByteArray& line :
             {all, QByteArray("GET / HTTP/\"\" - - ["), QByteArray(" HTTP/GET /\" - - ["),
              QByteArray("GET /a HTTP/1.1\"\""), QByteArray("GET /a HTTP/1.1\" 200  \"x\""),
              QByteArray(10 * 1024 * 1024, '"'),
              QByteArray("GET /x HTTP/1.1\" 200 9 \"").repeated(100000),
              QByteArray("\xE9\x80 - - [x] \"GET /\xFF\x81 HTTP/1.1\" 200 5 \"-\" \"\x9D\xA0\"")}) {
            const LogRecord rec = DecodeLogLine(QByteArrayView(line));
            for (const LogField f : {FieldPath, FieldHost, FieldAgent})
                QVERIFY(line.contains(ov::toAnsi(rec[f])));
            QVERIFY(rec[FieldPath].isEmpty() || rec[FieldPath].startsWith(u'/'));
        }
    }
};

QTEST_GUILESS_MAIN(TestLogDecoder)
#include "tst_logdecoder.moc"
