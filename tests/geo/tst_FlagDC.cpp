// Loading the flag images at start-up: one image per country row from geodata/flags beside the
// program, empty entries for files that are missing or are no images, and separate images for
// rows that share a code. Uses the real GIF files of Debian's famfamfam-flag-gif.
#include "geo/clsHostIP.h"
#include "views/FlagDC.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kFlags = QStringLiteral("/usr/share/flags/countries/16x11/");

QImage Pixels(const QImage& image) {
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class tst_FlagDC : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void noFlagsFolder_data();
    void noFlagsFolder();
    void entries_data();
    void entries();
    void sharedCodeGivesSeparateImages();

private:
    QTemporaryDir m_program; // the program's folder, with geodata/flags inside
    FlagImages m_flags;
};

void tst_FlagDC::initTestCase() {
    if (!QFile::exists(kFlags + "zw.gif"))
        QSKIP("needs Debian's famfamfam-flag-gif (scripts/setup.sh installs it)");
    QVERIFY(m_program.isValid());
    const QString flags = m_program.filePath("geodata/flags/");
    QVERIFY(QDir().mkpath(flags));
    // UK gets another country's flag, so the test can tell its file from GB's.
    for (const auto& [from, to] : {std::pair{"zw", "ZW"}, {"gb", "GB"}, {"fr", "UK"}, {"tl", "TP"}})
        QVERIFY(QFile::copy(kFlags + from + ".gif", flags + to + ".gif"));
    QFile junk(flags + "AF.gif");
    QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write("GIF89a but not really") > 0);
    QVERIFY(QDir().mkpath(flags + "AL.gif")); // a folder is no flag file

    const clsHostIP host;
    m_flags = LoadFlagDC(host, m_program.path()); // without the trailing separator
}

void tst_FlagDC::noFlagsFolder_data() {
    QTest::addColumn<QString>("subfolder");
    QTest::newRow("no geodata folder") << "";
    QTest::newRow("geodata without flags") << "geodata";
    QTest::newRow("empty flags folder, path with separator") << "geodata/flags/";
}

void tst_FlagDC::noFlagsFolder() {
    QFETCH(QString, subfolder);
    QTemporaryDir program;
    QVERIFY(program.isValid());
    if (!subfolder.isEmpty()) QVERIFY(QDir().mkpath(program.filePath(subfolder)));
    const clsHostIP host;
    const FlagImages flags =
        LoadFlagDC(host, program.path() + (subfolder.endsWith('/') ? "/" : ""));
    QCOMPARE(flags.size(), std::size_t(250)); // 1..249, and 0 unused
    QVERIFY(std::all_of(flags.begin(), flags.end(), [](const auto& f) { return !f; }));
}

void tst_FlagDC::entries_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("source"); // "" for an empty entry
    QTest::newRow("225 GB") << 225 << "gb";
    QTest::newRow("240 UK, its own file") << 240 << "fr";
    QTest::newRow("239 ZW") << 239 << "zw";
    QTest::newRow("243 ZW again") << 243 << "zw";
    QTest::newRow("249 TP") << 249 << "tl";
    QTest::newRow("1 AF, not an image") << 1 << "";
    QTest::newRow("2 AL, a folder") << 2 << "";
    QTest::newRow("212 TL, no file") << 212 << "";
    QTest::newRow("0 unused") << 0 << "";
}

void tst_FlagDC::entries() {
    QFETCH(int, row);
    QFETCH(QString, source);
    QCOMPARE(m_flags.size(), std::size_t(250));
    const auto& flag = m_flags[std::size_t(row)];
    if (source.isEmpty()) {
        QVERIFY(!flag);
        return;
    }
    QVERIFY(flag);
    const QImage expected(kFlags + source + ".gif");
    QVERIFY(!expected.isNull());
    QCOMPARE(flag->Width(), expected.width());
    QCOMPARE(flag->Height(), expected.height());
    QCOMPARE(Pixels(flag->hDC()), Pixels(expected));
    // Only the five files that are flags were loaded.
    QCOMPARE(std::count_if(m_flags.begin(), m_flags.end(), [](const auto& f) { return bool(f); }),
             5);
}

void tst_FlagDC::sharedCodeGivesSeparateImages() {
    CMemoryDC* first = m_flags[239].get();
    CMemoryDC* second = m_flags[243].get();
    QVERIFY(first && second && first != second);
    const QImage before = Pixels(second->hDC());
    first->hDC().fill(Qt::magenta);
    QCOMPARE(Pixels(second->hDC()), before);
    QVERIFY(Pixels(first->hDC()) != before);
}

QTEST_MAIN(tst_FlagDC)
#include "tst_FlagDC.moc"
