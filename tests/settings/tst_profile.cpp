// Configuration profiles on real files: what saving writes (keys, order, version form), that
// loading gives back what was saved, that other sections and keys survive, and what loading a
// profile with missing keys, or a missing profile, gives.
#include "settings/Profile.h"

#include "core/ansi.h"
#include "core/ui_seam.h"
#include "settings/modINI.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The keys of section [main] in the order they stand in the file.
QStringList mainKeys(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList keys;
    bool inside = false;
    for (const QString& raw : ov::fromAnsi(file.readAll()).split("\r\n")) {
        const QString line = raw.trimmed();
        if (line.startsWith('['))
            inside = line.compare("[main]", Qt::CaseInsensitive) == 0;
        else if (inside && line.contains('='))
            keys << line.left(line.indexOf('='));
    }
    return keys;
}

} // namespace

class TestProfile : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void roundTrip_data();
    void roundTrip();
    void versionForm_data();
    void versionForm();
    void otherSectionsKept();
    void load_data();
    void load();

private:
    QTemporaryDir m_dir;
    QStringList m_messages;
    ov::ui::Handler m_previous;
};

void TestProfile::init() {
    m_messages.clear();
    ov::ui::Handler handler;
    handler.messageBox = [this](const QString& text, const QString& title, ov::ui::Icon) {
        m_messages << text + "|" + title;
    };
    m_previous = ov::ui::setHandler(std::move(handler));
}

void TestProfile::cleanup() {
    ov::ui::setHandler(std::move(m_previous));
}

void TestProfile::roundTrip_data() {
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("numbytes");
    QTest::addColumn<QString>("logpath");
    QTest::addColumn<int>("view");
    QTest::newRow("start-up values") << "127.0.0.1"
                                     << "2000"
                                     << "" << 1;
    QTest::newRow("table") << "10.20.30.40"
                           << "2100000000"
                           << "/var/log/apache2/access.log" << 2;
    QTest::newRow("diagram, spaces and accents")
        << "servidor.ejemplo.es"
        << "0"
        << "C:\\Archivos de programa\\Apache\\logs\\año.log" << 3;
}

void TestProfile::roundTrip() {
    QFETCH(QString, ip);
    QFETCH(QString, numbytes);
    QFETCH(QString, logpath);
    QFETCH(int, view);
    const QString path = m_dir.filePath(QString("perfil %1.ovp").arg(QTest::currentDataTag()));
    WriteProfile(path, {"192.168.1.1", "5", "/x", 2}); // saved twice: the second replaces
    WriteProfile(path, {ip, numbytes, logpath, view});
    const ProfileValues read = ReadProfile(path);
    QCOMPARE(read.ip, ip);
    QCOMPARE(read.numbytes, numbytes);
    QCOMPARE(read.logpath, logpath);
    QCOMPARE(read.view, view);
    QCOMPARE(ReadIniValue(path, "main", "view"), QString::number(view));
    QCOMPARE(mainKeys(path),
             (QStringList{"version", "time", "date", "ip", "numbytes", "logpath", "view"}));
    QVERIFY(!ReadIniValue(path, "main", "time").isEmpty());
    QVERIFY(!ReadIniValue(path, "main", "date").isEmpty());
    QVERIFY(m_messages.isEmpty());
}

void TestProfile::versionForm_data() {
    QTest::addColumn<QString>("applicationVersion");
    QTest::addColumn<QString>("written");
    QTest::newRow("none declared: the project's") << QString() << "1.0.0";
    QTest::newRow("three numbers") << "1.0.20"
                                   << "1.0.20";
    QTest::newRow("two numbers get a revision") << "2.3"
                                                << "2.3.0";
    QTest::newRow("a fourth number dropped") << "4.5.6.7"
                                             << "4.5.6";
}

void TestProfile::versionForm() {
    QFETCH(QString, applicationVersion);
    QFETCH(QString, written);
    QCoreApplication::setApplicationVersion(applicationVersion);
    const QString path = m_dir.filePath(QString("version %1.ovp").arg(QTest::currentDataTag()));
    WriteProfile(path, {"127.0.0.1", "2000", "", 1});
    QCoreApplication::setApplicationVersion(QString());
    QCOMPARE(ReadIniValue(path, "main", "version"), written);
}

void TestProfile::otherSectionsKept() {
    const QString path = m_dir.filePath("existente.ovp");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[antes]\r\nuno=1\r\n[main]\r\nip=1.1.1.1\r\nnota=guardada\r\nview=2\r\n"
               "[despues]\r\ndos=2\r\n");
    file.close();
    WriteProfile(path, {"8.8.8.8", "4096", "/log", 3});
    QCOMPARE(ReadIniValue(path, "antes", "uno"), QString("1"));
    QCOMPARE(ReadIniValue(path, "despues", "dos"), QString("2"));
    QCOMPARE(ReadIniValue(path, "main", "nota"), QString("guardada"));
    QCOMPARE(ReadProfile(path).ip, QString("8.8.8.8"));
    QCOMPARE(ReadProfile(path).view, 3);
    QCOMPARE(mainKeys(path).count("ip"), 1);
}

void TestProfile::load_data() {
    QTest::addColumn<QString>("content"); // null: no such file
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("numbytes");
    QTest::addColumn<QString>("logpath");
    QTest::addColumn<int>("view");
    QTest::newRow("no view: raw text") << "[main]\r\nip=10.0.0.1\r\nnumbytes=100\r\nlogpath=/l\r\n"
                                       << "10.0.0.1"
                                       << "100"
                                       << "/l" << 1;
    QTest::newRow("no ip: empty address") << "[main]\r\nnumbytes=100\r\nlogpath=/l\r\nview=3\r\n"
                                          << ""
                                          << "100"
                                          << "/l" << 3;
    QTest::newRow("numbytes left as text for the box") << "[main]\r\nnumbytes=abc\r\n"
                                                       << ""
                                                       << "abc"
                                                       << "" << 1;
    QTest::newRow("no main section") << "[otra]\r\nip=1.2.3.4\r\nview=2\r\n"
                                     << ""
                                     << ""
                                     << "" << 1;
    QTest::newRow("missing profile") << QString() << ""
                                     << ""
                                     << "" << 1;
    for (const char* view : {"", "0", "4", "02", "-2", "Tabla", "1"})
        QTest::addRow("view \"%s\" opens the raw text", view)
            << "[main]\r\nview=" + QString(view) + "\r\n"
            << ""
            << ""
            << "" << 1;
    QTest::newRow("view 2") << "[main]\r\nview=2\r\n"
                            << ""
                            << ""
                            << "" << 2;
}

void TestProfile::load() {
    QFETCH(QString, content);
    QFETCH(QString, ip);
    QFETCH(QString, numbytes);
    QFETCH(QString, logpath);
    QFETCH(int, view);
    const QString path = m_dir.filePath(QString("carga %1.ovp").arg(QTest::currentDataTag()));
    if (!content.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ov::toAnsi(content));
    }
    const ProfileValues read = ReadProfile(path);
    QCOMPARE(read.ip, ip);
    QCOMPARE(read.numbytes, numbytes);
    QCOMPARE(read.logpath, logpath);
    QCOMPARE(read.view, view);
    // A missing profile: one message for each of the four reads.
    const QString missing = path + " not found.|File Not Found";
    QCOMPARE(m_messages, content.isNull() ? QStringList(4, missing) : QStringList());
}

QTEST_MAIN(TestProfile)
#include "tst_profile.moc"
