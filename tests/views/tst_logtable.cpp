// The table's logic: how the raw text becomes rows, what the cells show (also for the real corpus
// log, against expectations worked out here from the log's own format), the row colours of user
// colouring and alternate shading, and CountStr.
#include "views/LogTable.h"

#include "core/ansi.h"
#include "views/modColor.h"
#include "views/modUserColor.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>
#include <numeric>

namespace {

LogText logOf(const QString& text) {
    return LogText(ov::toAnsi(text));
}

QString getLine(const QString& host, const QString& request = "GET /index.html HTTP/1.1") {
    return host + " - - [17/May/2015:10:05:03 +0000] \"" + request +
           "\" 200 512 \"-\" \"Agent/1.0\"";
}

QString tableOf(const QStringList& hosts) {
    QStringList lines;
    for (const QString& host : hosts)
        lines << getLine(host);
    return lines.join("\r\n");
}

int brightness(qint32 c) {
    return ColorRed(c) + ColorGreen(c) + ColorBlue(c);
}

// A size cell: the unit of the byte count's range and the count in that unit, rounded to a whole
// number (bytes, KB) or to two decimals (MB).
bool sizeMatches(const QString& cell, qint64 bytes) {
    const QStringList parts = cell.split(u' ');
    if (parts.size() != 2) return false;
    const QString number = QString(parts[0]).replace(u',', u'.');
    const double value = number.toDouble();
    if (bytes < 1024) return parts[1] == "bytes" && number == QString::number(bytes);
    if (bytes < 1048576) return parts[1] == "KB" && qAbs(value - bytes / 1024.0) <= 0.5;
    return parts[1] == "MB" && number.indexOf(u'.') == number.size() - 3 &&
           qAbs(value - bytes / 1048576.0) <= 0.005 + 1e-9;
}

} // namespace

class TestLogTable : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InitUserColors(); }
    void rows_data();
    void rows();
    void cells_data();
    void cells();
    void rowsBeyondSixteenBits();
    void corpus();
    void rowShading_data();
    void rowShading();
    void userColours_data();
    void userColours();
    void textColourByBrightness();
    void countStr_data();
    void countStr();
};

void TestLogTable::rows_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty text, no rows") << QString() << QStringList{};
    QTest::newRow("one line") << "uno" << QStringList{"uno"};
    QTest::newRow("trailing break, empty last row") << "uno\r\ndos\r\n"
                                                    << QStringList{"uno", "dos", ""};
    QTest::newRow("a lone break is two rows") << "\r\n" << QStringList{"", ""};
    QTest::newRow("empty lines kept") << "a\r\n\r\nb" << QStringList{"a", "", "b"};
    QTest::newRow("LF or CR alone do not split")
        << "a\nb\rc\r\r\nd" << QStringList{"a\nb\rc\r", "d"};
}

void TestLogTable::rows() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    LogTable table(logOf("old\r\nrows\r\nhere"));
    table.SetText(logOf(text));
    QCOMPARE(table.Count(), lines.size());
    for (int i = 0; i < lines.size(); ++i)
        QCOMPARE(ov::fromAnsi(table.Line(i)), lines[i]);
    QVERIFY(table.Line(-1).isEmpty() && table.Line(table.Count()).isEmpty());
}

void TestLogTable::cells_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("cells");
    const QString two = getLine("10.0.0.1") + "\r\n" + getLine("10.0.0.2", "HEAD / HTTP/1.0");
    QTest::newRow("combined GET line")
        << "192.168.0.7 - - [10/Oct/2000:13:55:36 -0700] \"GET /img/logo.gif HTTP/1.1\" 200 "
           "2048 \"-\" \"Agent/1.0\""
        << 0 << QStringList{"/img/logo.gif", "2 KB", "192.168.0.7", "Agent/1.0"};
    QTest::newRow("first of two") << two << 0
                                  << QStringList{"/index.html", "512 bytes", "10.0.0.1",
                                                 "Agent/1.0"};
    QTest::newRow("not a GET: no path, host and agent kept")
        << two << 1 << QStringList{"-", "", "10.0.0.2", "Agent/1.0"};
    QTest::newRow("last row after a trailing break") << two + "\r\n"
                                                     << 2 << QStringList{"-", "", "", ""};
    QTest::newRow("free text") << "no es un registro" << 0 << QStringList{"-", "", "", ""};
    QTest::newRow("row past the end") << two << 2 << QStringList{"", "", "", ""};
    QTest::newRow("negative row") << two << -1 << QStringList{"", "", "", ""};
}

void TestLogTable::cells() {
    QFETCH(QString, text);
    QFETCH(int, row);
    QFETCH(QStringList, cells);
    const LogTable table(logOf(text));
    for (int column = 0; column < 4; ++column)
        QCOMPARE(table.Cell(row, column), cells[column]);
    QCOMPARE(table.Cell(row, 4), QString());
    QCOMPARE(table.Cell(row, -1), QString());
}

void TestLogTable::rowsBeyondSixteenBits() {
    constexpr int kLines = 70000;
    QStringList hosts;
    for (int i = 0; i < kLines; ++i)
        hosts << QString("10.%1.%2.1").arg(i / 256).arg(i % 256);
    const LogTable table(logOf(tableOf(hosts)));
    QCOMPARE(table.Count(), kLines);
    for (const int row : {0, 32767, 32768, 65536, kLines - 1})
        QCOMPARE(table.Cell(row, 2), hosts[row]);
}

void TestLogTable::corpus() {
    QFile file(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromLatin1(file.readAll()).split(u'\n');
    QCOMPARE(lines.takeLast(), QString()); // the file ends with a line break
    QCOMPARE(lines.size(), 10000);
    const LogTable table(logOf(lines.join("\r\n")));
    QCOMPARE(table.Count(), 10000);

    const QRegularExpression hostRe(R"(^(\S+) - - \[)");
    const QRegularExpression getRe(
        R"(^\S+ - - \[[^\]]*\] "GET (/\S*) HTTP/\d\.\d" \d{3} (\d+|-) ")");
    const QRegularExpression agentRe(R"re("([^"]*)"$)re");
    // Rows in shuffled order, as painting asks for them in any order.
    QList<int> order(lines.size());
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), *QRandomGenerator::global());
    int gets = 0, openAgents = 0;
    for (const int row : order) {
        const QString& text = lines[row];
        QCOMPARE(table.Cell(row, 2), hostRe.match(text).captured(1));
        const auto agent = agentRe.match(text);
        // One line lacks its final quote: the decoder may leave its agent empty.
        if (agent.hasMatch()) {
            QCOMPARE(table.Cell(row, 3), agent.captured(1));
        } else {
            ++openAgents;
            QVERIFY(text.contains(table.Cell(row, 3)));
        }
        const auto get = getRe.match(text);
        if (!get.hasMatch()) {
            QCOMPARE(table.Cell(row, 0), QString("-"));
            QCOMPARE(table.Cell(row, 1), QString());
            continue;
        }
        ++gets;
        QCOMPARE(table.Cell(row, 0), get.captured(1));
        const QString size = get.captured(2);
        if (size == "-")
            QCOMPARE(table.Cell(row, 1), size);
        else
            QVERIFY2(sizeMatches(table.Cell(row, 1), size.toLongLong()), qPrintable(size));
    }
    QCOMPARE(gets, 9952);
    QCOMPARE(openAgents, 1);
}

void TestLogTable::rowShading_data() {
    QTest::addColumn<bool>("rowColors");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("shaded");
    QTest::newRow("row 0 shaded") << true << 0 << true;
    QTest::newRow("row 1 plain") << true << 1 << false;
    QTest::newRow("row 2 shaded") << true << 2 << true;
    QTest::newRow("row 40000 shaded") << true << 40000 << true;
    QTest::newRow("option off, row 0 plain") << false << 0 << false;
}

void TestLogTable::rowShading() {
    QFETCH(bool, rowColors);
    QFETCH(int, row);
    QFETCH(bool, shaded);
    const LogTable table(logOf(QString("x\r\n").repeated(40001)));
    const CellColors current{0x00FFFFFF, 0x00123456, false};
    const CellColors colors = table.PrePaint(row, false, rowColors, current);
    QCOMPARE(colors.Handled, shaded);
    QCOMPARE(colors.BackColor, shaded ? SystemColor(15) : current.BackColor);
    QCOMPARE(colors.TextColor, current.TextColor); // shading leaves the text colour
}

void TestLogTable::userColours_data() {
    // Hosts of the rows, the rows in the order they are painted, and for each painted row the
    // palette index it must show (-1: normal colours; -2: painted before the registry is emptied).
    QTest::addColumn<QStringList>("hosts");
    QTest::addColumn<QList<int>>("paintOrder");
    QTest::addColumn<QList<int>>("indices");
    const QStringList mixed{
        "83.149.9.216",        "www.example.com", "24.236.252.67", "83.149.9.216",
        "uno.dos.tres.cuatro", "10.0.0",          "1.2.3.4.5",     ""};
    QTest::newRow("addresses, names, four words with three dots")
        << mixed << QList<int>{0, 1, 2, 3, 4, 5, 6, 7} << QList<int>{0, -1, 1, 0, 2, -1, -1, -1};
    QTest::newRow("row 0 empties the registry")
        << mixed << QList<int>{2, 4, 0, 2, 3} << QList<int>{-2, -2, 0, 1, 0};
    QTest::newRow("names only: no shading either")
        << QStringList{"a.example", "b", "c.d.e"} << QList<int>{0, 1, 2} << QList<int>{-1, -1, -1};
    QTest::newRow("letter case makes another key") << QStringList{"a.b.c.d", "A.b.c.d", "a.b.c.d"}
                                                   << QList<int>{0, 1, 2} << QList<int>{0, 1, 0};
}

void TestLogTable::userColours() {
    QFETCH(QStringList, hosts);
    QFETCH(QList<int>, paintOrder);
    QFETCH(QList<int>, indices);
    const LogTable table(logOf(tableOf(hosts)));
    const CellColors current{0x00FFFFFF, 0x00000000, false};
    for (int i = 0; i < paintOrder.size(); ++i) {
        const int row = paintOrder[i];
        const CellColors colors = table.PrePaint(row, true, true, current);
        if (indices[i] == -2) continue;
        QCOMPARE(colors.Handled, indices[i] >= 0);
        QCOMPARE(colors.BackColor, indices[i] >= 0 ? UserColors(indices[i]) : current.BackColor);
        if (indices[i] < 0) QCOMPARE(colors.TextColor, current.TextColor);
    }
}

void TestLogTable::textColourByBrightness() {
    // 600 hosts painted from row 0: row k shows palette entry k (wrapping past 512), with dark
    // text on light colours and light text on dark ones; both kinds occur.
    QStringList hosts;
    for (int i = 0; i < 600; ++i)
        hosts << QString("192.168.%1.%2").arg(i / 256).arg(i % 256);
    const LogTable table(logOf(tableOf(hosts)));
    QSet<qint32> textColours;
    for (int row = 0; row < table.Count(); ++row) {
        const CellColors colors = table.PrePaint(row, true, false);
        QVERIFY(colors.Handled);
        QCOMPARE(colors.BackColor, UserColors(row));
        QVERIFY(colors.BackColor >= 0 && colors.BackColor <= 0xFFFFFF);
        const bool light = brightness(colors.BackColor) >= 383;
        QCOMPARE(colors.TextColor, light ? SystemColor(18) : SystemColor(14));
        textColours << colors.TextColor;
    }
    QCOMPARE(textColours.size(), 2);
}

void TestLogTable::countStr_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("find");
    QTest::addColumn<int>("count");
    QTest::newRow("dotted address") << "83.149.9.216"
                                    << "." << 3;
    QTest::newRow("empty text") << QString() << "." << 0;
    QTest::newRow("nothing to find") << "abc" << QString() << 0;
    QTest::newRow("overlapping matches count") << "aaaa"
                                               << "aa" << 3;
    QTest::newRow("case-sensitive") << "AaAa"
                                    << "a" << 2;
    QTest::newRow("beyond 16 bits") << QString(40000, '.') << "." << 40000;
}

void TestLogTable::countStr() {
    QFETCH(QString, text);
    QFETCH(QString, find);
    QFETCH(int, count);
    QCOMPARE(CountStr(text, find), count);
}

QTEST_MAIN(TestLogTable)
#include "tst_logtable.moc"
