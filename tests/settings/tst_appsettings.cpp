// The option settings in ovclient.ini, on real files in a temporary program folder: the five
// options as the start-up reads them (missing file, exact texts, empty values), GS defaults, and
// what the menu toggles write.
#include "settings/AppSettings.h"

#include "core/ansi.h"
#include "core/ui_seam.h"
#include "settings/modINI.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestAppSettings : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void settingsFileBesideProgram();
    void startupReads_data();
    void startupReads();
    void gsDefault_data();
    void gsDefault();
    void toggleWritesZeroThenOne_data();
    void toggleWritesZeroThenOne();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_messages; // "text|title" of every message box shown
    ov::ui::Handler m_previous;
};

void TestAppSettings::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    SetProgramFolder(m_dir->path());
    m_messages.clear();
    ov::ui::Handler handler;
    handler.messageBox = [this](const QString& text, const QString& title, ov::ui::Icon) {
        m_messages << text + "|" + title;
    };
    m_previous = ov::ui::setHandler(std::move(handler));
}

void TestAppSettings::cleanup() {
    ov::ui::setHandler(std::move(m_previous));
    SetProgramFolder(QString());
    m_dir.reset();
}

void TestAppSettings::settingsFileBesideProgram() {
    QCOMPARE(SettingsFileName(), m_dir->filePath("ovclient.ini"));
    SetProgramFolder(m_dir->path() + "/");
    QCOMPARE(SettingsFileName(), m_dir->filePath("ovclient.ini"));
    SetProgramFolder(QString());
    QCOMPARE(SettingsFileName(), QCoreApplication::applicationDirPath() + "/ovclient.ini");
}

void TestAppSettings::startupReads_data() {
    QTest::addColumn<QString>("content"); // null: no settings file at all
    // In start-up order: maximised, connection panel, operations panel, row colours, user colours.
    QTest::addColumn<QList<bool>>("options");
    const QList<bool> defaults{false, true, true, true, false};
    QTest::newRow("no file: defaults") << QString() << defaults;
    QTest::newRow("1 under startupmaximize") << "[settings]\r\nstartupmaximize=1\r\n"
                                             << QList<bool>{true, true, true, true, false};
    QTest::newRow("every option away from its default")
        << "[settings]\r\nstartupmaximize=1\r\nviewconnectionpanel=0\r\nviewleftpanel=0\r\n"
           "rowcolors=0\r\ncolorusers=1\r\n"
        << QList<bool>{true, false, false, false, true};
    QTest::newRow("every option at its default text")
        << "[settings]\r\nstartupmaximize=0\r\nviewconnectionpanel=1\r\nviewleftpanel=1\r\n"
           "rowcolors=1\r\ncolorusers=0\r\n"
        << defaults;
    QTest::newRow("empty viewleftpanel counts as absent") << "[settings]\r\nviewleftpanel=\r\n"
                                                          << defaults;
    QTest::newRow("true under colorusers leaves it off") << "[settings]\r\ncolorusers=true\r\n"
                                                         << defaults;
    QTest::newRow("other words count as the default")
        << "[settings]\r\nstartupmaximize=yes\r\nviewconnectionpanel=no\r\nviewleftpanel=00\r\n"
           "rowcolors=false\r\ncolorusers=01\r\n"
        << defaults;
    QTest::newRow("names in another letter case")
        << "[Settings]\r\nSTARTUPMAXIMIZE=1\r\nRowColors=0\r\n"
        << QList<bool>{true, true, true, false, false};
    QTest::newRow("another section does not count")
        << "[main]\r\nstartupmaximize=1\r\ncolorusers=1\r\n"
        << defaults;
    QTest::newRow("empty file") << "" << defaults;
    QTest::newRow("not an INI file") << "\x01\x02garbage=\r\n[[[\r\n=1\r\n" << defaults;
}

void TestAppSettings::startupReads() {
    QFETCH(QString, content);
    QFETCH(QList<bool>, options);
    if (!content.isNull()) {
        QFile file(SettingsFileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ov::toAnsi(content));
    }
    QList<bool> read;
    for (const OptionSetting& option : kStartupOptions)
        read << ReadOption(option);
    QCOMPARE(read, options);
    // Each read of a missing file shows its own message; reading never creates the file.
    const QString missing = SettingsFileName() + " not found.|File Not Found";
    QCOMPARE(m_messages, content.isNull() ? QStringList(5, missing) : QStringList());
    QCOMPARE(QFile::exists(SettingsFileName()), !content.isNull());
}

void TestAppSettings::gsDefault_data() {
    QTest::addColumn<QString>("stored"); // null: key absent
    QTest::addColumn<QString>("defaultText");
    QTest::addColumn<QString>("expected");
    QTest::newRow("value read") << "abc"
                                << "x"
                                << "abc";
    QTest::newRow("empty value gives the default") << ""
                                                   << "x"
                                                   << "x";
    QTest::newRow("absent key gives the default") << QString() << "x"
                                                  << "x";
    QTest::newRow("no default given") << QString() << QString() << "";
}

void TestAppSettings::gsDefault() {
    QFETCH(QString, stored);
    QFETCH(QString, defaultText);
    QFETCH(QString, expected);
    SS("otra", "1");
    if (!stored.isNull()) SS("clave", stored);
    QCOMPARE(defaultText.isNull() ? GS("clave") : GS("clave", defaultText), expected);
}

void TestAppSettings::toggleWritesZeroThenOne_data() {
    QTest::addColumn<int>("option");
    for (int i = 0; i < int(kStartupOptions.size()); ++i)
        QTest::newRow(kStartupOptions[i].Key.toString().toLatin1().constData()) << i;
}

void TestAppSettings::toggleWritesZeroThenOne() {
    QFETCH(int, option);
    const OptionSetting& setting = kStartupOptions[option];
    const QString key = setting.Key.toString();
    WriteOption(setting, false); // the first write creates the file
    QCOMPARE(ReadIniValue(SettingsFileName(), "settings", key), QString("0"));
    QCOMPARE(ReadOption(setting), false);
    WriteOption(setting, true);
    QCOMPARE(ReadIniValue(SettingsFileName(), "settings", key), QString("1"));
    QCOMPARE(ReadOption(setting), true);
    QVERIFY(m_messages.isEmpty());
}

QTEST_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
