// The user colour palette and host registry shared by the table and the diagram, and the colour
// arithmetic of the views: blending and system colours.
#include "views/modColor.h"
#include "views/modUserColor.h"

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QSet>
#include <QTest>
#include <limits>

class TestColors : public QObject {
    Q_OBJECT
private slots:
    // (row, key) requests after an emptying, and the index each answers.
    void registry_data() {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QList<int>>("indexes");
        QTest::newRow("in order of first request")
            << QList<int>{0, 1, 2, 3, 4} << QStringList{"a", "b", "a", "c", "b"}
            << QList<int>{0, 1, 0, 2, 1};
        QTest::newRow("letter case and spaces differ")
            << QList<int>{0, 1, 2, 3} << QStringList{"h", "H", " h", ""} << QList<int>{0, 1, 2, 3};
        QTest::newRow("row 0 again empties")
            << QList<int>{0, 1, 0, 1} << QStringList{"a", "b", "b", "a"} << QList<int>{0, 1, 0, 1};
        QTest::newRow("row 1 never empties")
            << QList<int>{0, 1, 1, 1} << QStringList{"a", "b", "c", "a"} << QList<int>{0, 1, 2, 0};
    }
    void registry() {
        QFETCH(QList<int>, rows);
        QFETCH(QStringList, keys);
        QFETCH(QList<int>, indexes);
        QSet<QString> seen;
        for (int i = 0; i < rows.size(); ++i) {
            if (rows[i] == 0) seen.clear();
            const quint64 generation = UserRegistryGeneration();
            if (rows[i] != 0) QCOMPARE(UserExists(keys[i]), seen.contains(keys[i]));
            QCOMPARE(UserColorIndex(rows[i], keys[i]), indexes[i]);
            QCOMPARE(UserRegistryGeneration() != generation, rows[i] == 0);
            seen.insert(keys[i]);
            QCOMPARE(UserIndex(keys[i]), indexes[i]);
        }
        QCOMPARE(UserCount(), int(seen.size()));
        QVERIFY(!UserExists("never asked for"));
        QCOMPARE(UserIndex("never asked for"), 16777215);
        // A busy log: tens of thousands of hosts, each asked for several times.
        for (int round = 0; round < 3; ++round)
            for (int h = 0; h < 60000; ++h)
                QCOMPARE(UserColorIndex(1, QString::number(h)), int(seen.size()) + h);
    }

    // The palette is the same in every run (these entries are what its fixed seed gives), every
    // channel below 255, the brightness their sum; indices wrap around the 512 entries.
    void palette() {
        InitUserColors();
        QCOMPARE(QList<qint32>({UserColors(0), UserColors(2), UserColors(511)}),
                 QList<qint32>(
                     {RGBColor(230, 235, 132), RGBColor(123, 224, 152), RGBColor(147, 127, 166)}));
        QSet<qint32> distinct;
        for (int i = 0; i < kUserColorCount; ++i) {
            const qint32 c = UserColors(i);
            QVERIFY(c >= 0 && ColorRed(c) < 255 && ColorGreen(c) < 255 && ColorBlue(c) < 255);
            QCOMPARE(UserBright(i), ColorRed(c) + ColorGreen(c) + ColorBlue(c));
            distinct.insert(c);
        }
        QVERIFY(distinct.size() > 500);
        for (const auto& [index, same] :
             {std::pair{512, 0},
              {-1, 511},
              {std::numeric_limits<int>::min(), 0},
              {std::numeric_limits<int>::max(), std::numeric_limits<int>::max() % 512}})
            QVERIFY(UserColors(index) == UserColors(same) && UserBright(index) == UserBright(same));
    }

    // Plain colours and the palette RGB form translate to themselves; palette indices, unknown
    // system colours and other high bytes to -1, which blends as white. Blends round to the
    // nearest (155*200/255 + 10*100/255 = 125.49, 68.63, 42.16) and hold alpha within 0..255.
    void translateAndBlend() {
        const std::pair<qint32, qint32> translated[] = {
            {0x123456, 0x123456},  {0x02123456, 0x123456},
            {0x01000005, -1},      {SystemColor(25), -1},
            {SystemColor(31), -1}, {SystemColor(0xFFFFFF), -1},
            {0x7F000000, -1},      {-1, -1}};
        for (const auto& [color, plain] : translated) {
            QCOMPARE(TranslateColor(color), plain);
            if (plain == -1) QCOMPARE(BlendColor(color, 0, 255), 0xFFFFFF);
        }
        const qint32 a = RGBColor(10, 20, 30), b = RGBColor(200, 100, 50),
                     min = std::numeric_limits<qint32>::min();
        const std::tuple<qint32, qint32, qint32, qint32> blends[] = {
            {a, b, 255, a},
            {a, b, 0, b},
            {0xFFFFFF, 0, 128, RGBColor(128, 128, 128)},
            {0, 0xFFFFFF, 128, RGBColor(127, 127, 127)},
            {a, b, 100, RGBColor(125, 69, 42)},
            {0xFFFFFF, 0, 1000, 0xFFFFFF},
            {0xFFFFFF, 0, -1000, 0},
            {a, b, min, 0xFFFFFF}};
        for (const auto& [c1, c2, alpha, mixed] : blends)
            QCOMPARE(BlendColor(c1, c2, alpha), mixed);
        for (const qint32 c : {0, 0xFFFFFF, 0x010203, 0xABCDEF})
            QCOMPARE(FromQColor(ToQColor(c)), c);
        QCOMPARE(ToQColor(SystemColor(99)), QColor(255, 255, 255));
    }
};

QTEST_MAIN(TestColors)
#include "tst_colors.moc"
