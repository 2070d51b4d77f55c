// Finding text in the log's lines: which hits a search finds, in either letter case, sliced or
// not, and how counts are written.
#include "views/TextSearch.h"

#include <QtTest>

namespace {

QList<QByteArray> linesOf(const QByteArray& text) {
    return text.split('|');
}

QString hitsText(const TextSearch& search) {
    QStringList out;
    for (const SearchHit& hit : search.Hits())
        out << QStringLiteral("%1:%2").arg(hit.item).arg(hit.column);
    return out.join(u' ');
}

} // namespace

class tst_TextSearch : public QObject {
    Q_OBJECT

private slots:
    void hits_data() {
        QTest::addColumn<QByteArray>("lines"); // '|' between lines
        QTest::addColumn<QByteArray>("needle");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<QString>("hits");
        QTest::newRow("in order, every line")
            << QByteArray("aXa|a|xxa") << QByteArray("a") << true << "0:0 0:2 1:0 2:2";
        QTest::newRow("the case counts")
            << QByteArray("GET get Get") << QByteArray("get") << true << "0:4";
        QTest::newRow("either case")
            << QByteArray("GET get Get") << QByteArray("gEt") << false << "0:0 0:4 0:8";
        QTest::newRow("accented letters of the code page")
            << QByteArray("\xC9l \xE9l \x8A\x9A") << QByteArray("\xE9l \x9A\x9A") << false << "0:3";
        QTest::newRow("hits do not overlap")
            << QByteArray("aaaa") << QByteArray("aa") << true << "0:0 0:2";
        QTest::newRow("at the very end of the last line")
            << QByteArray("x|yy|zab") << QByteArray("ab") << false << "2:1";
        QTest::newRow("longer than a line")
            << QByteArray("ab|abc") << QByteArray("abc") << true << "1:0";
        QTest::newRow("nothing to find") << QByteArray("abc") << QByteArray() << true << "";
    }
    void hits() {
        QFETCH(QByteArray, lines);
        QFETCH(QByteArray, needle);
        QFETCH(bool, matchCase);
        QFETCH(QString, hits);
        const QList<QByteArray> items = linesOf(lines);
        TextSearch search;
        search.Start(
            items.size(), [&](qsizetype i, QByteArray&) { return QByteArrayView(items[i]); },
            needle, matchCase);
        QVERIFY(search.Continue(1000));
        QCOMPARE(hitsText(search), hits);
    }

    // A search cut into slices finds what one search would, and the hits around a place.
    void slicesAndNeighbours() {
        QList<QByteArray> items;
        for (int i = 0; i < 200000; ++i)
            items << (i % 1000 == 7 ? QByteArray("needle here") : QByteArray("hay"));
        TextSearch search;
        search.Start(
            items.size(), [&](qsizetype i, QByteArray&) { return QByteArrayView(items[i]); },
            "needle", true);
        int slices = 0;
        while (!search.Continue(0))
            ++slices;
        QVERIFY(slices > 1);
        QCOMPARE(search.Hits().size(), size_t(200));
        QCOMPARE(search.FirstFrom({8, 0}), 1);
        QCOMPARE(search.FirstFrom({199008, 0}), -1);
        QCOMPARE(search.LastBefore({7, 0}), -1);
        QCOMPARE(search.LastBefore({7, 1}), 0);
    }

    void groupedCount_data() {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("small") << qint64(3) << QByteArray("3");
        QTest::newRow("thousands") << qint64(1204) << QByteArray("1.204");
        QTest::newRow("millions") << qint64(1000000) << QByteArray("1.000.000");
        QTest::newRow("hundreds of thousands") << qint64(421843) << QByteArray("421.843");
    }
    void groupedCount() {
        QFETCH(qint64, n);
        QFETCH(QByteArray, text);
        QCOMPARE(GroupedCount(n), text);
    }
};

QTEST_GUILESS_MAIN(tst_TextSearch)
#include "tst_textsearch.moc"
