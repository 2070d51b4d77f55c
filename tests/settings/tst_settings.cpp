// The settings on real files and in memory: single INI keys read and written by the
// private-profile rules, the missing-file box, refused writes that keep the old file; the five
// options in ovclient.ini; profiles; the command line and its switches; the open and save
// dialogs' arguments.
#include "core/ansi.h"
#include "core/ui_seam.h"
#include "settings/AppSettings.h"
#include "settings/Profile.h"
#include "settings/cCommonDialog.h"
#include "settings/modCmdLineParser.h"
#include "settings/modINI.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

const QByteArray kBasic = "[main]\r\nip=10.0.0.1\r\nnumbytes=4096\r\n[other]\r\nip=x\r\n";

struct ReadRow {
    const char* name;
    QByteArray content;
    QString section, key, value;
};
const ReadRow kReads[] = {
    {"plain, CR LF", kBasic, "main", "ip", "10.0.0.1"},
    {"key of another section", kBasic, "other", "numbytes", ""},
    {"blanks around", "  [ main ]  \n\t ip \t=  1.2.3.4 \t\n", "main", "ip", "1.2.3.4"},
    {"double quotes removed", "[s]\nk=\" x \"\n", "s", "k", " x "},
    {"unbalanced quote kept", "[s]\nk=\"y\n", "s", "k", "\"y"},
    {"empty value", "[s]\nk=\nj=2\n", "s", "k", ""},
    {"equals sign in the value", "[s]\nk=a=b\n", "s", "k", "a=b"},
    {"key before any section", "k=1\n[s]\n", "s", "k", ""},
    {"junk lines", "garbage\n[broken\n=nokey\n[s]\n\x01\xff\nnoequals\n]]\nk=ok\n", "s", "k", "ok"},
    {"NUL ends the value", QByteArray("[s]\nk=a\0b\n", 10), "s", "k", "a"},
    {"code page", "[s]\nk=caf\xe9 \x80\n", "s", "k", QString::fromUtf8("café €")},
    {"accented names ignore case", "[\xc9t\xe9]\n\xe9=1\n", QString::fromUtf8("éTÉ"), "É", "1"},
    {"300 cut to 254", "[s]\nk=" + QByteArray(254, 'a') + "bb", "s", "k", QString(254, u'a')},
};

// One write, and the exact bytes after it ("<none>": no file before).
struct WriteRow {
    const char* name;
    QByteArray before;
    QString section, key, value;
    QByteArray after;
};
const QByteArray kNoise = [] { // every byte value but the line ends
    QByteArray n;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n') n += char(b);
    return n;
}();
const WriteRow kWrites[] = {
    {"new file", "<none>", "settings", "lv", "1", "[settings]\r\nlv=1\r\n"},
    {"replace, rest untouched", "; top\r\n[main]\r\nip = old \r\nview=2\r\n[x]\r\nip=keep\r\n",
     "main", "ip", "new", "; top\r\n[main]\r\nip=new\r\nview=2\r\n[x]\r\nip=keep\r\n"},
    {"stored spelling kept", "[Main]\nIP=1\n", "main", "ip", "2", "[Main]\nIP=2\n"},
    {"new key after the section's last line", "[a]\r\nk=1\r\n\r\n[b]\r\n", "a", "j", "2",
     "[a]\r\nk=1\r\nj=2\r\n\r\n[b]\r\n"},
    {"new key, no line end at the end", "[a]\nx=1", "A", "k", "v", "[a]\nx=1\nk=v"},
    {"new section, LF file", "[a]\nx=1", "b", "k", "v", "[a]\nx=1\n[b]\nk=v\n"},
    {"line breaks become spaces", "<none>", "s", "k", "a\r\n[e]\nb", "[s]\r\nk=a  [e] b\r\n"},
    {"code page", "<none>", "s", "k", QString::fromUtf8("año € 日"), "[s]\r\nk=a\xf1o \x80 ?\r\n"},
    {"every other byte kept", "[a]\r\nx=" + kNoise + "\r\n[s]\nk=1\n;" + kNoise, "s", "k", "",
     "[a]\r\nx=" + kNoise + "\r\n[s]\nk=\n;" + kNoise},
};

// Counts the stop boxes shown while it lives, as "text|title".
struct Boxes {
    Boxes() {
        ov::ui::Handler h;
        h.messageBox = [this](const QString& text, const QString& title, ov::ui::Icon icon) {
            shown << text + '|' + title + (icon == ov::ui::Icon::Stop ? "" : "|not a stop box");
        };
        previous = ov::ui::setHandler(h);
    }
    ~Boxes() { ov::ui::setHandler(previous); }
    QStringList missing(const QString& file, int times) const {
        return QStringList(times, file + " not found.|File Not Found");
    }
    QStringList shown;
    ov::ui::Handler previous;
};

// A call of the open or save dialog as the menu commands make it unless a row says otherwise,
// answered with answer ("" cancels).
struct DialogCall {
    bool save = false, option = true; // option: FileMustExist (open), OverWritePrompt (save)
    bool multiSelect = false, readOnly = false, hideReadOnly = false;
    QString filename, filter = "Perfil de configuración (OVP)|*.ovp", initDir, title = "sin usar";
    qint32 index = 1, flags = 0;
    bool result = false;
    ov::ui::FileDialogRequest request;

    void run(const QString& answer) {
        ov::ui::Handler h;
        h.fileDialog = [&](const ov::ui::FileDialogRequest& r) {
            request = r;
            return answer;
        };
        const ov::ui::Handler previous = ov::ui::setHandler(h);
        const cCommonDialog cd;
        result = save ? cd.VBGetSaveFileName(filename, title, option, filter, index, initDir,
                                             "Guardar", "ovp", -1, flags)
                      : cd.VBGetOpenFileName(filename, title, option, multiSelect, readOnly,
                                             hideReadOnly, filter, index, initDir, "Abrir", "ovp",
                                             -1, flags);
        ov::ui::setHandler(previous);
    }
};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path_;

private slots:
    void init();
    void read_data();
    void read();
    void write_data();
    void write();
    void missingAndRefused();
    void options_data();
    void options();
    void profiles();
    void commandLine();
    void switches();
    void theProgramsOwnLine();
    void dialogs();
};

void TestSettings::init() {
    path_ = dir_.filePath(QStringLiteral("test.ini"));
    QFile::remove(path_);
    SetProgramFolder(dir_.path());
    QFile::remove(SettingsFileName());
}

void TestSettings::read_data() {
    QTest::addColumn<int>("row");
    for (size_t i = 0; i < std::size(kReads); ++i)
        QTest::newRow(kReads[i].name) << int(i);
}

void TestSettings::read() {
    QFETCH(int, row);
    const ReadRow& r = kReads[row];
    QVERIFY(writeBytes(path_, r.content));
    Boxes boxes;
    QCOMPARE(ReadIniValue(path_, r.section, r.key), r.value);
    QCOMPARE(ReadIniValueFromBytes(r.content, r.section, r.key), r.value);
    QCOMPARE(readBytes(path_), r.content);
    QVERIFY(boxes.shown.isEmpty());
}

void TestSettings::write_data() {
    QTest::addColumn<int>("row");
    for (size_t i = 0; i < std::size(kWrites); ++i)
        QTest::newRow(kWrites[i].name) << int(i);
}

void TestSettings::write() {
    QFETCH(int, row);
    const WriteRow& w = kWrites[row];
    const bool none = w.before == "<none>";
    if (!none) QVERIFY(writeBytes(path_, w.before));
    QVERIFY(WriteIniValue(path_, w.section, w.key, w.value));
    QCOMPARE(readBytes(path_), w.after);
    QCOMPARE(WriteIniValueToBytes(none ? QByteArray() : w.before, w.section, w.key, w.value),
             std::optional(w.after));
    // No temporary file is left behind.
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"test.ini"});
}

void TestSettings::missingAndRefused() {
    // Each read of a missing file (or a folder) shows its own stop box; an empty name none.
    for (const QString& file : {dir_.filePath("missing.ini"), dir_.path(), QString()}) {
        Boxes boxes;
        QCOMPARE(ReadIniValue(file, "main", "ip") + ReadIniValue(file, "main", "view"), QString());
        QCOMPARE(boxes.shown, boxes.missing(file, file.isEmpty() ? 0 : 2));
    }
    QVERIFY(!QFile::exists(dir_.filePath("missing.ini")));
    // Names that cannot be stored, and places that are no file, keep the file as it was.
    const QByteArray content = "[s]\r\nk=1\r\n";
    QVERIFY(writeBytes(path_, content));
    const std::pair<QString, QString> names[] = {
        {"s", "  "},   {"", "k"},        {"s", "a=b"}, {"a]b", "k"},
        {"s", "a\nb"}, {"a\r\n[b", "k"}, {"s", ";k"},  {QString::fromUtf8("日"), "k"}};
    for (const auto& [section, key] : names) {
        QVERIFY2(!WriteIniValue(path_, section, key, "v"), qPrintable(section + '/' + key));
        QVERIFY(!WriteIniValueToBytes(content, section, key, "v"));
    }
    QVERIFY(!WriteIniValue(path_ + "/inner.ini", "s", "k", "v")); // its folder is a file
    QVERIFY(!WriteIniValue(dir_.path(), "s", "k", "v"));          // a folder
    QCOMPARE(readBytes(path_), content);
}

void TestSettings::options_data() {
    QTest::addColumn<QString>("content"); // null: no settings file
    // In start-up order: maximised, connection panel, operations panel, row colours, user
    // colours; only the text that turns an option away from its default counts.
    QTest::addColumn<QList<bool>>("options");
    const QList<bool> defaults{false, true, true, true, false};
    QTest::newRow("no file") << QString() << defaults;
    QTest::newRow("each away from its default")
        << "[settings]\r\nstartupmaximize=1\r\nviewconnectionpanel=0\r\nviewleftpanel=0\r\n"
           "rowcolors=0\r\ncolorusers=1\r\n"
        << QList<bool>{true, false, false, false, true};
    QTest::newRow("other words and empty values are the default")
        << "[settings]\r\nstartupmaximize=yes\r\nviewconnectionpanel=\r\nviewleftpanel=00\r\n"
           "rowcolors=false\r\ncolorusers=true\r\n"
        << defaults;
    QTest::newRow("names in another letter case")
        << "[Settings]\r\nSTARTUPMAXIMIZE=1\r\nRowColors=0\r\n"
        << QList<bool>{true, true, true, false, false};
    QTest::newRow("another section") << "[main]\r\nstartupmaximize=1\r\n" << defaults;
}

void TestSettings::options() {
    QFETCH(QString, content);
    QFETCH(QList<bool>, options);
    QCOMPARE(SettingsFileName(), dir_.filePath("ovclient.ini"));
    if (!content.isNull()) QVERIFY(writeBytes(SettingsFileName(), ov::toAnsi(content)));
    Boxes boxes;
    QList<bool> read;
    for (const OptionSetting& option : kStartupOptions)
        read << ReadOption(option);
    QCOMPARE(read, options);
    QCOMPARE(boxes.shown, boxes.missing(SettingsFileName(), content.isNull() ? 5 : 0));
    QCOMPARE(QFile::exists(SettingsFileName()), !content.isNull());
    // What the menu writes reads back, under the option's own key.
    for (const OptionSetting& option : kStartupOptions)
        for (const bool on : {!option.Default, option.Default}) {
            WriteOption(option, on);
            QCOMPARE(ReadIniValue(SettingsFileName(), "settings", option.Key.toString()),
                     on ? "1" : "0");
            QCOMPARE(ReadOption(option), on);
        }
    SS("clave", "abc");
    QCOMPARE(GS("clave", "x") + GS("absent", "x") + GS("absent"), QStringLiteral("abcx"));
}

// Saving writes [main]'s keys in order, replacing earlier values and keeping everything else;
// loading gives them back; a missing profile shows a box for each of the four reads.
void TestSettings::profiles() {
    QVERIFY(writeBytes(path_, "[antes]\r\nuno=1\r\n[main]\r\nnota=guardada\r\n"));
    for (const auto& [declared, version] :
         {std::pair{"", "1.0.0"}, {"2.3", "2.3.0"}, {"4.5.6.7", "4.5.6"}}) {
        QCoreApplication::setApplicationVersion(declared);
        WriteProfile(path_, {"192.168.1.1", "5", "/x", 2});
        WriteProfile(path_, {"10.20.30.40", "abc", QString::fromUtf8("C:\\Apache\\año.log"), 3});
        QCOMPARE(ReadIniValue(path_, "main", "version"), version);
    }
    QCoreApplication::setApplicationVersion(QString());
    const ProfileValues read = ReadProfile(path_);
    QCOMPARE(QStringList({read.ip, read.numbytes, read.logpath, QString::number(read.view)}),
             QStringList({"10.20.30.40", "abc", QString::fromUtf8("C:\\Apache\\año.log"), "3"}));
    QCOMPARE(ReadIniValue(path_, "antes", "uno") + ReadIniValue(path_, "main", "nota"),
             "1guardada");
    QStringList keys;
    for (const QByteArray& line : readBytes(path_).split('\n'))
        if (line.contains('=')) keys << line.left(line.indexOf('='));
    QCOMPARE(keys, QStringList({"uno", "nota", "version", "time", "date", "ip", "numbytes",
                                "logpath", "view"}));
    QVERIFY(!ReadIniValue(path_, "main", "time").isEmpty());
    // Only "2" and "3" choose another tab than the raw text.
    const std::pair<const char*, int> views[] = {{"", 1},      {"0", 1}, {"4", 1}, {"02", 1},
                                                 {"Tabla", 1}, {"1", 1}, {"2", 2}, {"3", 3}};
    for (const auto& [text, view] : views) {
        QVERIFY(writeBytes(path_, QByteArray("[main]\r\nview=") + text));
        QCOMPARE(ReadProfile(path_).view, view);
    }
    Boxes boxes;
    const ProfileValues none = ReadProfile(dir_.filePath("none.ovp"));
    QCOMPARE(none.ip + none.numbytes + none.logpath + QString::number(none.view), "1");
    QCOMPARE(boxes.shown, boxes.missing(dir_.filePath("none.ovp"), 4));
}

// A command line, and its arguments one after the other.
void TestSettings::commandLine() {
    const std::pair<QString, QStringList> rows[] = {
        {"   ", {}},
        {R"( -i  "C:\Mis perfiles\web 1.ovp"  -c )", {"-i", R"(C:\Mis perfiles\web 1.ovp)", "-c"}},
        {R"(-i "a b  c )", {"-i", "a b  c "}}, // an open quote takes the rest
        {R"(ab"cd e)", {"abcd", "e"}},         // a quote inside a plain argument is dropped
        {R"("a b"c)", {"a b", "c"}},           // a closing quote ends the argument
        {"x \"\" y\tz", {"x", "", "y\tz"}}};   // empty quotes are one; a tab is no separator
    for (const auto& [line, args] : rows) {
        QCOMPARE(SplitCommandLine(line), args);
        QCOMPARE(getArgCount(line), qint16(args.size()));
        for (int i = 0; i <= args.size() + 1; ++i)
            QCOMPARE(getArg(line, qint16(i)), i >= 1 && i <= args.size() ? args[i - 1] : "");
    }
}

// A line, the switch asked for, and the values found before the closing "" ("-": not found).
void TestSettings::switches() {
    const QString start = R"(-i "C:\Mis perfiles\web 1.ovp" -c)";
    const std::tuple<QString, QString, QString> rows[] = {
        {start, "i", R"(C:\Mis perfiles\web 1.ovp|)"},
        {start, "c", ""},
        {"/I perfil.ovp", "i", "perfil.ovp|"},
        {"-i perfil.ovp", "I", "perfil.ovp|"},
        {"-i -c", "i", ""},
        {"-c", "i", "-"},
        {"-i a - b", "i", "a|"},
        {"-i a  b c /c", "i", "a|b|c|"},
        {"-i a -i b", "i", "a|"},
        {"--i a", "i", "-"},
        {R"("- i " a)", "i", "a|"},
        {R"(-i "" -c)", "i", "|"}};
    for (const auto& [line, parm, values] : rows) {
        QStringList got{"stale", "values"};
        QCOMPARE(getParmValue(line, parm, got), values != "-");
        QCOMPARE(got.join('|'), values == "-" ? QString() : values);
    }
}

void TestSettings::theProgramsOwnLine() {
    QCOMPARE(CommandLine(), CommandLineFromArguments(QCoreApplication::arguments()));
    const QStringList args{"ovclient", "-i", "/home/ana/mis perfiles/a.ovp", "", "-c"};
    SetCommandLine(CommandLineFromArguments(args));
    QCOMPARE(CommandLine(), QStringLiteral(R"(-i "/home/ana/mis perfiles/a.ovp" "" -c)"));
    QCOMPARE(getArgCount(), qint16(4));
    QCOMPARE(getArg(2), args[2]);
    QStringList values, list{"a", ""};
    QVERIFY(getParmValue("I", values) && getParmValue("c", values) && !getParmValue("x", values));
    addToArray(list, "v");
    QCOMPARE(list, (QStringList{"a", "v", ""}));
    SetCommandLine(QString());
    QCOMPARE(getArgCount(), qint16(0));
    // An absurd line is answered, not hung on; arguments past the 32767 a 16-bit count can
    // address are not read.
    const QString many = QString("-x ").repeated(200000);
    QVERIFY(getParmValue("-i first.ovp " + many, "i", values));
    QCOMPARE(values, (QStringList{"first.ovp", ""}));
    QVERIFY(!getParmValue(many + "-i last.ovp", "i", values));
    QCOMPARE(getArgCount(many), qint16(32767));
    QCOMPARE(getArg("a " + QString("b ").repeated(40000), 32767), QStringLiteral("b"));
}

// The filter the dialogs are given, and what a cancel leaves in the arguments.
// The wrapper turns the filter and the flags into the dialog's, and the choice (or a cancel)
// into its by-reference arguments.
void TestSettings::dialogs() {
    const std::pair<QString, QString> filters[] = {
        {"Perfil de configuración (OVP)|*.ovp", "Perfil de configuración (OVP) (*.ovp)"},
        {"Logs|*.log|Todos:*.*", "Logs (*.log);;Todos (*.*)"},
        {"Texto|*.txt;*.log; *.csv", "Texto (*.txt *.log *.csv)"},
        {"Logs|*.log|Huérfano||Todos|*.*", "Logs (*.log)"}};
    for (const auto& [filter, qtFilter] : filters) {
        DialogCall cancelled;
        cancelled.filter = filter;
        cancelled.filename = "previo.ovp";
        cancelled.run(QString());
        QCOMPARE(cancelled.request.filter, qtFilter);
        QVERIFY(!cancelled.result);
        QCOMPARE(cancelled.filename + cancelled.title + cancelled.filter, QString());
        QCOMPARE(QPoint(cancelled.flags, cancelled.index), QPoint(0, -1));
    }
    DialogCall open; // every option, hook bits cleared, the second filter chosen
    open.multiSelect = open.readOnly = open.hideReadOnly = true;
    open.filter = "Perfil|*.ovp|Todos|*.*";
    open.index = 2;
    open.flags = 0x20 | 0x40 | 0x800;
    open.run("/home/op/perfiles/web 1.ovp");
    QVERIFY(open.result && open.readOnly && open.request.mustExist && !open.request.save);
    QCOMPARE(open.filename + '|' + open.title, "/home/op/perfiles/web 1.ovp|web 1.ovp");
    QCOMPARE(QPoint(open.flags, open.index), QPoint(0x1000 | 0x800 | 0x200 | 0x4 | 0x1, 2));
    QCOMPARE(open.filter, "Todos" + QString(QChar(0)) + "*.*");
    QCOMPARE(open.request.defaultExt + '|' + open.request.title, "ovp|Abrir");
    DialogCall save; // without the prompt, with a name proposed in a folder
    save.save = true;
    save.option = false;
    save.filename = "nuevo.ovp";
    save.initDir = "/srv";
    save.run("/srv/otro.ovp");
    QVERIFY(save.result && save.request.save && !save.request.overwritePrompt && save.flags == 0x4);
    QCOMPARE(save.request.initialDir + '|' + save.request.title, "/srv/nuevo.ovp|Guardar");
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
