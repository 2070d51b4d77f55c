// Single INI keys read and written in real files and in memory: private-profile matching rules,
// the 254 character limit, line ends, untouched neighbours byte for byte, the missing-file box,
// huge files and refused writes that keep the old file.
#include "core/ui_seam.h"
#include "settings/modINI.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

struct Box {
    QString text, title;
    ov::ui::Icon icon;
};

// Counts the message boxes shown while it lives.
class BoxCounter {
public:
    BoxCounter() {
        ov::ui::Handler h;
        h.messageBox = [this](const QString& text, const QString& title, ov::ui::Icon icon) {
            boxes.append({text, title, icon});
        };
        previous_ = ov::ui::setHandler(h);
    }
    ~BoxCounter() { ov::ui::setHandler(previous_); }
    QList<Box> boxes;

private:
    ov::ui::Handler previous_;
};

} // namespace

class TestIni : public QObject {
    Q_OBJECT
private slots:
    void init();
    void read_data();
    void read();
    void write_data();
    void write();
    void roundTrip_data();
    void roundTrip();
    void neighboursKeptByteForByte();
    void missingFile_data();
    void missingFile();
    void hugeFile();
    void refusedWritesKeepTheFile_data();
    void refusedWritesKeepTheFile();

private:
    QTemporaryDir dir_;
    QString path_;
};

void TestIni::init() {
    QVERIFY(dir_.isValid());
    path_ = dir_.filePath(QStringLiteral("test.ini"));
    QFile::remove(path_);
}

void TestIni::read_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QByteArray basic = "[main]\r\nip=10.0.0.1\r\nnumbytes=4096\r\n[other]\r\nip=x\r\n";
    QTest::newRow("plain") << basic << "main"
                           << "ip"
                           << "10.0.0.1";
    QTest::newRow("second section") << basic << "other"
                                    << "ip"
                                    << "x";
    QTest::newRow("names ignore letter case") << basic << "MAIN"
                                              << "NumBytes"
                                              << "4096";
    QTest::newRow("absent key") << basic << "main"
                                << "view"
                                << "";
    QTest::newRow("absent section") << basic << "none"
                                    << "ip"
                                    << "";
    QTest::newRow("key of another section not seen") << basic << "other"
                                                     << "numbytes"
                                                     << "";
    QTest::newRow("blanks around names and value")
        << QByteArray("  [ main ]  \n\t ip \t=  1.2.3.4 \t\n") << "main"
        << "ip"
        << "1.2.3.4";
    QTest::newRow("inner blanks kept") << QByteArray("[s]\nk=a  b\n") << "s"
                                       << "k"
                                       << "a  b";
    QTest::newRow("double quotes removed") << QByteArray("[s]\nk=\" x \"\n") << "s"
                                           << "k"
                                           << " x ";
    QTest::newRow("single quotes removed") << QByteArray("[s]\nk='y'\n") << "s"
                                           << "k"
                                           << "y";
    QTest::newRow("unbalanced quote kept") << QByteArray("[s]\nk=\"y\n") << "s"
                                           << "k"
                                           << "\"y";
    QTest::newRow("empty value") << QByteArray("[s]\nk=\nj=2\n") << "s"
                                 << "k"
                                 << "";
    QTest::newRow("first of two keys") << QByteArray("[s]\nk=1\nK=2\n") << "s"
                                       << "k"
                                       << "1";
    QTest::newRow("first of two sections") << QByteArray("[s]\na=1\n[S]\nk=2\n") << "s"
                                           << "k"
                                           << "";
    QTest::newRow("equals sign in the value") << QByteArray("[s]\nk=a=b\n") << "s"
                                              << "k"
                                              << "a=b";
    QTest::newRow("comment is not a key") << QByteArray("[s]\n;k=1\nk=2\n") << "s"
                                          << "k"
                                          << "2";
    QTest::newRow("key before any section") << QByteArray("k=1\n[s]\n") << "s"
                                            << "k"
                                            << "";
    QTest::newRow("junk lines")
        << QByteArray("garbage\n[broken\n=nokey\n[s]\n\x01\x02\xff\nnoequals\n]]\nk=ok\n") << "s"
        << "k"
        << "ok";
    QTest::newRow("no trailing line end") << QByteArray("[s]\r\nk=last") << "s"
                                          << "k"
                                          << "last";
    QTest::newRow("CR LF") << QByteArray("[s]\r\nk=v\r\n\r\n") << "s"
                           << "k"
                           << "v";
    QTest::newRow("lone CR") << QByteArray("[s]\rk=v\rj=w") << "s"
                             << "j"
                             << "w";
    QTest::newRow("NUL ends the value") << QByteArray("[s]\nk=a\0b\n", 10) << "s"
                                        << "k"
                                        << "a";
    QTest::newRow("code page") << QByteArray("[s]\nk=caf\xe9 \x80\n") << "s"
                               << "k" << QString::fromUtf8("café €");
    QTest::newRow("accented names ignore case")
        << QByteArray("[\xc9t\xe9]\n\xe9=1\n") << QString::fromUtf8("éTÉ") << QString::fromUtf8("É")
        << "1";
    QTest::newRow("254 characters read whole") << "[s]\nk=" + QByteArray(254, 'a') + "\n"
                                               << "s"
                                               << "k" << QString(254, u'a');
    QTest::newRow("300 characters cut to 254")
        << "[s]\nk=" + QByteArray(254, 'a') + QByteArray(46, 'b') + "\n"
        << "s"
        << "k" << QString(254, u'a');
    QTest::newRow("empty file") << QByteArray() << "s"
                                << "k"
                                << "";
    QTest::newRow("empty key name") << QByteArray("[s]\n=v\n") << "s"
                                    << ""
                                    << "";
}

void TestIni::read() {
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    writeBytes(path_, content);
    BoxCounter boxes;
    QCOMPARE(ReadIniValue(path_, section, key), expected);
    QCOMPARE(boxes.boxes.size(), 0);
    QCOMPARE(readBytes(path_), content);
    QCOMPARE(ReadIniValueFromBytes(content, section, key), expected);
}

// The exact file after one write.
void TestIni::write_data() {
    QTest::addColumn<QByteArray>("before"); // "<none>": no file
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("new file") << QByteArray("<none>") << "settings"
                              << "lv"
                              << "1" << QByteArray("[settings]\r\nlv=1\r\n");
    QTest::newRow("replace, rest untouched")
        << QByteArray("; top\r\n[main]\r\nip = old \r\nview=2\r\n[x]\r\nip=keep\r\n") << "main"
        << "ip"
        << "new" << QByteArray("; top\r\n[main]\r\nip=new\r\nview=2\r\n[x]\r\nip=keep\r\n");
    QTest::newRow("replace keeps the stored spelling") << QByteArray("[Main]\nIP=1\n") << "main"
                                                       << "ip"
                                                       << "2" << QByteArray("[Main]\nIP=2\n");
    QTest::newRow("new key after the section's last line")
        << QByteArray("[a]\r\nk=1\r\n\r\n[b]\r\nz=9\r\n") << "a"
        << "j"
        << "2" << QByteArray("[a]\r\nk=1\r\nj=2\r\n\r\n[b]\r\nz=9\r\n");
    QTest::newRow("new key in an empty last section") << QByteArray("[a]\n") << "a"
                                                      << "k"
                                                      << "v" << QByteArray("[a]\nk=v\n");
    QTest::newRow("new key, section ends the file without line end")
        << QByteArray("[a]\nx=1") << "A"
        << "k"
        << "v" << QByteArray("[a]\nx=1\nk=v");
    QTest::newRow("new section after a file without line end")
        << QByteArray("[a]\nx=1") << "b"
        << "k"
        << "v" << QByteArray("[a]\nx=1\n[b]\nk=v\n");
    QTest::newRow("LF file stays LF") << QByteArray("[a]\nx=1\n") << "b"
                                      << "k"
                                      << "v" << QByteArray("[a]\nx=1\n[b]\nk=v\n");
    QTest::newRow("line breaks in the value become spaces")
        << QByteArray("<none>") << "s"
        << "k"
        << "a\r\n[evil]\nb" << QByteArray("[s]\r\nk=a  [evil] b\r\n");
    QTest::newRow("empty value") << QByteArray("[s]\nk=1\n") << "s"
                                 << "k"
                                 << "" << QByteArray("[s]\nk=\n");
    QTest::newRow("junk and comments kept")
        << QByteArray("junk\n[s]\n;c=1\n\xff\xfe\nk=1\n") << "s"
        << "k"
        << "2" << QByteArray("junk\n[s]\n;c=1\n\xff\xfe\nk=2\n");
    QTest::newRow("code page") << QByteArray("<none>") << "s"
                               << "k" << QString::fromUtf8("año €")
                               << QByteArray("[s]\r\nk=a\xf1o \x80\r\n");
    QTest::newRow("same value leaves the file alone") << QByteArray("[s]\nk=1\n") << "s"
                                                      << "k"
                                                      << "1" << QByteArray("[s]\nk=1\n");
}

void TestIni::write() {
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    if (before != "<none>") writeBytes(path_, before);
    QVERIFY(WriteIniValue(path_, section, key, value));
    QCOMPARE(readBytes(path_), after);
    const QByteArray inMemory = before != "<none>" ? before : QByteArray();
    QCOMPARE(WriteIniValueToBytes(inMemory, section, key, value), std::optional(after));
    // No temporary file is left behind.
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"test.ini"});
}

void TestIni::roundTrip_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("short") << "1"
                           << "1";
    QTest::newRow("path") << "C:\\logs\\access log.txt"
                          << "C:\\logs\\access log.txt";
    QTest::newRow("254") << QString(254, u'x') << QString(254, u'x');
    QTest::newRow("300") << QString(300, u'y') << QString(254, u'y');
    QTest::newRow("outer blanks are lost") << "  a  "
                                           << "a";
    QTest::newRow("quoted") << "\"q\""
                            << "q";
    QTest::newRow("outside the code page") << QString::fromUtf8("日本") << "??";
}

void TestIni::roundTrip() {
    QFETCH(QString, value);
    QFETCH(QString, readBack);
    QVERIFY(WriteIniValue(path_, "main", "a", "first"));
    QVERIFY(WriteIniValue(path_, "main", "b", value));
    QVERIFY(WriteIniValue(path_, "second", "b", "other"));
    QCOMPARE(ReadIniValue(path_, "main", "b"), readBack);
    QCOMPARE(ReadIniValue(path_, "main", "a"), QStringLiteral("first"));
    QCOMPARE(ReadIniValue(path_, "second", "b"), QStringLiteral("other"));
    QVERIFY(WriteIniValue(path_, "MAIN", "B", "changed"));
    QCOMPARE(ReadIniValue(path_, "main", "b"), QStringLiteral("changed"));
    QCOMPARE(ReadIniValue(path_, "second", "b"), QStringLiteral("other"));
}

// Every byte value except the line ends in the other sections survives a write unchanged.
void TestIni::neighboursKeptByteForByte() {
    QByteArray noise;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n') noise += char(b);
    const QByteArray head = "[first]\r\nx=" + noise + "\r\n" + noise + "\r\n";
    const QByteArray tail = "[third]\ny=" + noise + "\n\n   ; comment\n";
    writeBytes(path_, head + "[target]\r\nk=old\r\n" + tail);
    QVERIFY(WriteIniValue(path_, "target", "k", "new"));
    QCOMPARE(readBytes(path_), head + "[target]\r\nk=new\r\n" + tail);
}

void TestIni::missingFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("boxes");
    QTest::newRow("no such file") << "missing.ini" << 1;
    QTest::newRow("a folder") << "." << 1;
    QTest::newRow("empty name") << "" << 0;
}

void TestIni::missingFile() {
    QFETCH(QString, name);
    QFETCH(int, boxes);
    const QString file = name.isEmpty() ? name : dir_.filePath(name);
    BoxCounter counter;
    QCOMPARE(ReadIniValue(file, "main", "ip"), QString());
    QCOMPARE(ReadIniValue(file, "main", "view"), QString());
    // Each read shows its own box.
    QCOMPARE(counter.boxes.size(), 2 * boxes);
    for (const Box& box : counter.boxes) {
        QCOMPARE(box.text, file + " not found.");
        QCOMPARE(box.title, QStringLiteral("File Not Found"));
        QCOMPARE(box.icon, ov::ui::Icon::Stop);
    }
    QVERIFY(!QFileInfo(file).isFile());
}

void TestIni::hugeFile() {
    QByteArray content;
    constexpr int sections = 100000;
    content.reserve(sections * 40);
    for (int i = 0; i < sections; ++i)
        content +=
            "[s" + QByteArray::number(i) + "]\r\nkey=value " + QByteArray::number(i) + "\r\n";
    writeBytes(path_, content);
    QCOMPARE(ReadIniValue(path_, "s99999", "key"), QStringLiteral("value 99999"));
    QCOMPARE(ReadIniValue(path_, "S5", "KEY"), QStringLiteral("value 5"));
    QVERIFY(WriteIniValue(path_, "s50000", "key", "changed"));
    QByteArray expected = content;
    expected.replace("[s50000]\r\nkey=value 50000\r\n", "[s50000]\r\nkey=changed\r\n");
    QCOMPARE(readBytes(path_), expected);
    QVERIFY(WriteIniValue(path_, "new", "k", "v"));
    QCOMPARE(readBytes(path_), expected + "[new]\r\nk=v\r\n");
}

void TestIni::refusedWritesKeepTheFile_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::newRow("empty key") << "s"
                               << "  ";
    QTest::newRow("empty section") << ""
                                   << "k";
    QTest::newRow("equals in key") << "s"
                                   << "a=b";
    QTest::newRow("bracket in section") << "a]b"
                                        << "k";
    QTest::newRow("line break in key") << "s"
                                       << "a\nb";
    QTest::newRow("line break in section") << "a\r\n[b"
                                           << "k";
    QTest::newRow("comment key") << "s"
                                 << ";k";
    QTest::newRow("name outside the code page") << QString::fromUtf8("日") << "k";
}

void TestIni::refusedWritesKeepTheFile() {
    QFETCH(QString, section);
    QFETCH(QString, key);
    const QByteArray content = "[s]\r\nk=1\r\n";
    writeBytes(path_, content);
    QVERIFY(!WriteIniValue(path_, section, key, "v"));
    QCOMPARE(readBytes(path_), content);
    QVERIFY(!WriteIniValueToBytes(content, section, key, "v"));
    // A file that cannot be made: its folder is a file.
    QVERIFY(!WriteIniValue(path_ + "/inner.ini", "s", "k", "v"));
    QCOMPARE(readBytes(path_), content);
    // A folder where the file should be is neither read nor replaced.
    QVERIFY(!WriteIniValue(dir_.path(), "s", "k", "v"));
    QVERIFY(QFileInfo(dir_.path()).isDir());
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestIni test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ini.moc"
