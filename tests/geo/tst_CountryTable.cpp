// The built-in country table as clsHostIP exposes it: named rows, the size, and the properties
// that every row must keep (the stored country numbers depend on the exact order).
#include "geo/clsHostIP.h"

#include <QRegularExpression>
#include <QtTest>

class tst_CountryTable : public QObject {
    Q_OBJECT

private slots:
    void rows_data();
    void rows();
    void size();
    void codesAndNames();
    void alphabeticalOrder();
    void duplicateCodes();
};

void tst_CountryTable::rows_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::newRow("1") << 1 << "AF"
                       << "AFGHANISTAN";
    QTest::newRow("53") << 53 << "CI"
                        << "COTE D`IVOIRE";
    QTest::newRow("112") << 112 << "KP"
                         << "KOREA, DEMOCRATIC PEOPLE`S REPUBLIC OF";
    QTest::newRow("116") << 116 << "LA"
                         << "LAO PEOPLE`S DEMOCRATIC REPUBLIC";
    QTest::newRow("171") << 171 << "PL"
                         << "RZECZPOSPOLITA POLSKA";
    QTest::newRow("225") << 225 << "GB"
                         << "UNITED KINGDOM";
    QTest::newRow("239") << 239 << "ZW"
                         << "ZIMBABWE";
    QTest::newRow("240") << 240 << "UK"
                         << "UNITED KINGDOM";
    QTest::newRow("243") << 243 << "ZW"
                         << "ZIMBABWE";
    QTest::newRow("249") << 249 << "TP"
                         << "EAST TIMOR";
}

void tst_CountryTable::rows() {
    QFETCH(int, number);
    QFETCH(QString, code);
    QFETCH(QString, name);
    const clsHostIP host;
    QCOMPARE(host.CountryCode(qint16(number)), code);
    QCOMPARE(host.CountryName(qint16(number)), name);
}

void tst_CountryTable::size() {
    const clsHostIP host;
    QCOMPARE(host.CountryCodesCount(), qint16(249));
    QVERIFY(!host.CountryCode(249).isEmpty());
    QVERIFY(host.CountryCode(250).isEmpty());
}

void tst_CountryTable::codesAndNames() {
    const clsHostIP host;
    const QRegularExpression code("^[A-Z]{2}$");
    const QRegularExpression name("^[A-Z ().,`-]+$");
    for (qint16 i = 1; i <= host.CountryCodesCount(); ++i) {
        QVERIFY2(code.match(host.CountryCode(i)).hasMatch(), qPrintable(QString::number(i)));
        QVERIFY2(name.match(host.CountryName(i)).hasMatch(), qPrintable(QString::number(i)));
    }
}

// Rows 1..239 run in the alphabetical order of the names, with Poland's row under its own name.
void tst_CountryTable::alphabeticalOrder() {
    const clsHostIP host;
    const auto sortName = [&](qint16 i) {
        return i == 171 ? QStringLiteral("POLAND") : host.CountryName(i);
    };
    for (qint16 i = 2; i <= 239; ++i)
        QVERIFY2(sortName(i - 1) < sortName(i),
                 qPrintable(QStringLiteral("%1 before %2").arg(sortName(i - 1), sortName(i))));
}

void tst_CountryTable::duplicateCodes() {
    const clsHostIP host;
    QMultiHash<QString, int> rowsOf;
    for (qint16 i = 1; i <= host.CountryCodesCount(); ++i)
        rowsOf.insert(host.CountryCode(i), i);
    QCOMPARE(rowsOf.count("ZW"), 2);
    QCOMPARE(rowsOf.count("GB"), 1);
    QCOMPARE(rowsOf.count("UK"), 1);
    QCOMPARE(host.CountryName(212), QStringLiteral("TIMOR-LESTE"));
    // Every other code is unique.
    int repeated = 0;
    for (const QString& key : rowsOf.uniqueKeys())
        repeated += rowsOf.count(key) > 1;
    QCOMPARE(repeated, 1);
}

QTEST_GUILESS_MAIN(tst_CountryTable)
#include "tst_CountryTable.moc"
