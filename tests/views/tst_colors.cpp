// The user colour palette and host registry, and the colour arithmetic of the views: blending,
// system colours resolved through the application palette.
#include "views/modColor.h"
#include "views/modUserColor.h"

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QProcess>
#include <QSet>
#include <QTest>
#include <limits>

namespace {

// Set in the environment of a second run of this program, which then prints its palette.
constexpr char kDumpVariable[] = "OV_DUMP_USER_COLORS";

QString paletteText() {
    QStringList parts;
    for (int i = 0; i < kUserColorCount; ++i)
        parts << QString::number(UserColors(i)) + u':' + QString::number(UserBright(i));
    return parts.join(u' ');
}

// A palette in which every role has a colour of its own, so that a wrong role shows.
QPalette distinctPalette() {
    QPalette pal;
    int n = 1;
    for (int g = QPalette::Active; g <= QPalette::Inactive; ++g)
        for (int r = 0; r < QPalette::NColorRoles; ++r, ++n)
            pal.setColor(QPalette::ColorGroup(g), QPalette::ColorRole(r),
                         QColor(n * 7 % 256, n * 13 % 256, n * 29 % 256));
    return pal;
}

} // namespace

class TestColors : public QObject {
    Q_OBJECT
private slots:
    // Runs first: the registry has not been emptied yet in this process.
    void firstKeyBeforeAnyEmptying();
    void registry_data();
    void registry();
    void manyHosts();
    void paletteIsRepeatable();
    void paletteEntries();
    void indexesPastThePaletteWrap_data();
    void indexesPastThePaletteWrap();
    void systemColors_data();
    void systemColors();
    void unresolvableColors_data();
    void unresolvableColors();
    void blend_data();
    void blend();
    void qcolorRoundTrip();
};

void TestColors::firstKeyBeforeAnyEmptying() {
    QCOMPARE(UserIndex("203.0.113.5"), 16777215);
    QCOMPARE(UserColorIndex(5, "203.0.113.5"), 1);
    QCOMPARE(UserColorIndex(6, "198.51.100.1"), 2);
    QCOMPARE(UserColorIndex(7, "203.0.113.5"), 1);
    QCOMPARE(UserColorIndex(0, "203.0.113.5"), 0);
    QCOMPARE(UserCount(), 1);
}

// A sequence of (row, key) requests after an emptying, and the index each one answers.
void TestColors::registry_data() {
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QList<int>>("indexes");
    QTest::newRow("same key twice")
        << QList<int>{0, 1} << QStringList{"a", "a"} << QList<int>{0, 0};
    QTest::newRow("in order of first request")
        << QList<int>{0, 1, 2, 3, 4} << QStringList{"a", "b", "a", "c", "b"}
        << QList<int>{0, 1, 0, 2, 1};
    QTest::newRow("letter case differs")
        << QList<int>{0, 1, 2} << QStringList{"Host", "host", "HOST"} << QList<int>{0, 1, 2};
    QTest::newRow("spaces differ")
        << QList<int>{0, 1, 2} << QStringList{"h", " h", "h "} << QList<int>{0, 1, 2};
    QTest::newRow("row 0 again empties")
        << QList<int>{0, 1, 0, 1} << QStringList{"a", "b", "b", "a"} << QList<int>{0, 1, 0, 1};
    QTest::newRow("diagram row 1 never empties")
        << QList<int>{0, 1, 1, 1} << QStringList{"a", "b", "c", "a"} << QList<int>{0, 1, 2, 0};
    QTest::newRow("empty key is a key")
        << QList<int>{0, 1, 2} << QStringList{"", "x", ""} << QList<int>{0, 1, 0};
}

void TestColors::registry() {
    QFETCH(QList<int>, rows);
    QFETCH(QStringList, keys);
    QFETCH(QList<int>, indexes);
    QSet<QString> seen;
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i] == 0)
            seen.clear();
        else
            QCOMPARE(UserExists(keys[i]), seen.contains(keys[i]));
        QCOMPARE(UserColorIndex(rows[i], keys[i]), indexes[i]);
        seen.insert(keys[i]);
        QVERIFY(UserExists(keys[i]));
        QCOMPARE(UserIndex(keys[i]), indexes[i]);
    }
    QCOMPARE(UserCount(), int(seen.size()));
    QVERIFY(!UserExists("never asked for"));
    QCOMPARE(UserIndex("never asked for"), 16777215);
}

// A busy log: tens of thousands of hosts, each asked for several times.
void TestColors::manyHosts() {
    constexpr int hosts = 60000;
    UserColorIndex(0, "first");
    for (int round = 0; round < 3; ++round)
        for (int h = 0; h < hosts; ++h)
            QCOMPARE(UserColorIndex(1, QString::number(h)), h + 1);
    QCOMPARE(UserCount(), hosts + 1);
    QCOMPARE(UserIndex("first"), 0);
}

void TestColors::paletteIsRepeatable() {
    InitUserColors();
    const QString first = paletteText();
    InitUserColors();
    QCOMPARE(paletteText(), first);

    QProcess other;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kDumpVariable, "1");
    other.setProcessEnvironment(env);
    other.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(other.waitForFinished(60000));
    QCOMPARE(other.exitCode(), 0);
    QCOMPARE(QString::fromLatin1(other.readAllStandardOutput()).trimmed(), first);
}

void TestColors::paletteEntries() {
    InitUserColors();
    QSet<qint32> distinct;
    for (int i = 0; i < kUserColorCount; ++i) {
        const qint32 c = UserColors(i);
        QVERIFY(c >= 0 && c <= 0xFFFFFF);
        QVERIFY(ColorRed(c) <= 254 && ColorGreen(c) <= 254 && ColorBlue(c) <= 254);
        QCOMPARE(UserBright(i), ColorRed(c) + ColorGreen(c) + ColorBlue(c));
        distinct.insert(c);
    }
    // Random draws of 255^3 colours: repeats are possible but must be rare.
    QVERIFY(distinct.size() > 500);
}

void TestColors::indexesPastThePaletteWrap_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("sameAs");
    QTest::newRow("512") << 512 << 0;
    QTest::newRow("513") << 513 << 1;
    QTest::newRow("1535") << 1535 << 511;
    QTest::newRow("-1") << -1 << 511;
    QTest::newRow("max") << std::numeric_limits<int>::max()
                         << std::numeric_limits<int>::max() % 512;
    QTest::newRow("min") << std::numeric_limits<int>::min() << 0;
}

void TestColors::indexesPastThePaletteWrap() {
    QFETCH(int, index);
    QFETCH(int, sameAs);
    InitUserColors();
    QCOMPARE(UserColors(index), UserColors(sameAs));
    QCOMPARE(UserBright(index), UserBright(sameAs));
}

void TestColors::systemColors_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("role");
    QTest::newRow("5 window") << 5 << int(QPalette::Active) << int(QPalette::Base);
    QTest::newRow("8 window text") << 8 << int(QPalette::Active) << int(QPalette::Text);
    QTest::newRow("13 highlight") << 13 << int(QPalette::Active) << int(QPalette::Highlight);
    QTest::newRow("14 highlight text")
        << 14 << int(QPalette::Active) << int(QPalette::HighlightedText);
    QTest::newRow("15 button face") << 15 << int(QPalette::Active) << int(QPalette::Button);
    QTest::newRow("16 button shadow") << 16 << int(QPalette::Active) << int(QPalette::Dark);
    QTest::newRow("17 grey text") << 17 << int(QPalette::Disabled) << int(QPalette::Text);
    QTest::newRow("18 button text") << 18 << int(QPalette::Active) << int(QPalette::ButtonText);
    QTest::newRow("20 button highlight") << 20 << int(QPalette::Active) << int(QPalette::Light);
    QTest::newRow("23 info text") << 23 << int(QPalette::Active) << int(QPalette::ToolTipText);
    QTest::newRow("24 info background")
        << 24 << int(QPalette::Active) << int(QPalette::ToolTipBase);
}

void TestColors::systemColors() {
    QFETCH(int, number);
    QFETCH(int, group);
    QFETCH(int, role);
    const QPalette saved = QApplication::palette();
    const QPalette pal = distinctPalette();
    QApplication::setPalette(pal);
    const QColor expected = pal.color(QPalette::ColorGroup(group), QPalette::ColorRole(role));
    const qint32 rgb = RGBColor(expected.red(), expected.green(), expected.blue());
    QCOMPARE(TranslateColor(SystemColor(number)), rgb);
    // A system colour blends with its current value.
    QCOMPARE(BlendColor(SystemColor(number), 0, 255), rgb);
    QCOMPARE(BlendColor(0xFFFFFF, SystemColor(number), 0), rgb);
    QCOMPARE(ToQColor(SystemColor(number)), expected);
    QApplication::setPalette(saved);
}

void TestColors::unresolvableColors_data() {
    QTest::addColumn<qint32>("color");
    QTest::addColumn<qint32>("translated");
    QTest::newRow("plain") << qint32(0x123456) << qint32(0x123456);
    QTest::newRow("palette RGB form") << qint32(0x02123456) << qint32(0x123456);
    QTest::newRow("palette index without palette") << qint32(0x01000005) << qint32(-1);
    QTest::newRow("system colour 25 does not exist") << SystemColor(25) << qint32(-1);
    QTest::newRow("past the last system colour") << SystemColor(31) << qint32(-1);
    QTest::newRow("far past") << SystemColor(0xFFFFFF) << qint32(-1);
    QTest::newRow("other high byte") << qint32(0x7F000000) << qint32(-1);
    QTest::newRow("-1") << qint32(-1) << qint32(-1);
}

void TestColors::unresolvableColors() {
    QFETCH(qint32, color);
    QFETCH(qint32, translated);
    QCOMPARE(TranslateColor(color), translated);
    // An unresolvable colour enters a blend with all three channels at 255.
    if (translated == -1) QCOMPARE(BlendColor(color, 0, 255), 0xFFFFFF);
}

void TestColors::blend_data() {
    QTest::addColumn<qint32>("c1");
    QTest::addColumn<qint32>("c2");
    QTest::addColumn<qint32>("alpha");
    QTest::addColumn<qint32>("expected");
    const qint32 a = RGBColor(10, 20, 30), b = RGBColor(200, 100, 50);
    QTest::newRow("alpha 255 is color1") << a << b << 255 << a;
    QTest::newRow("alpha 0 is color2") << a << b << 0 << b;
    QTest::newRow("white over black at 128") << 0xFFFFFF << 0 << 128 << RGBColor(128, 128, 128);
    QTest::newRow("black over white at 128") << 0 << 0xFFFFFF << 128 << RGBColor(127, 127, 127);
    // r = 155*200/255 + 10*100/255 = 125.49, g = 68.63, b = 42.16
    QTest::newRow("weighted mix") << a << b << 100 << RGBColor(125, 69, 42);
    QTest::newRow("alpha above 255 is held") << 0xFFFFFF << 0 << 1000 << 0xFFFFFF;
    QTest::newRow("alpha below 0 is held") << 0xFFFFFF << 0 << -1000 << 0;
    QTest::newRow("extreme alpha") << a << b << std::numeric_limits<qint32>::min() << 0xFFFFFF;
}

void TestColors::blend() {
    QFETCH(qint32, c1);
    QFETCH(qint32, c2);
    QFETCH(qint32, alpha);
    QFETCH(qint32, expected);
    QCOMPARE(BlendColor(c1, c2, alpha), expected);
}

void TestColors::qcolorRoundTrip() {
    for (const qint32 c : {0, 0xFFFFFF, 0x010203, 0xABCDEF})
        QCOMPARE(FromQColor(ToQColor(c)), c);
    QCOMPARE(FromQColor(QColor(1, 2, 3)), RGBColor(1, 2, 3));
    QCOMPARE(FromQColor(QColor::fromHsv(0, 255, 255)), RGBColor(255, 0, 0));
    QCOMPARE(ToQColor(SystemColor(99)), QColor(255, 255, 255));
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet(kDumpVariable)) {
        InitUserColors();
        printf("%s\n", qPrintable(paletteText()));
        return 0;
    }
    QApplication app(argc, argv);
    TestColors test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_colors.moc"
