// Splitting the command line into arguments and finding the console's switches with their
// values, on the lines an operator or a shortcut would start it with.
#include "settings/modCmdLineParser.h"

#include <QCoreApplication>
#include <QTest>

class TestCmdLine : public QObject {
    Q_OBJECT
private slots:
    void split_data();
    void split();
    void getArgOutOfRange();
    void parmValue_data();
    void parmValue();
    void addToArray_data();
    void addToArray();
    void setCommandLine();
    void fromArguments_data();
    void fromArguments();
    void longLine();
};

void TestCmdLine::split_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("args");
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("spaces only") << "   " << QStringList{};
    QTest::newRow("quoted path with spaces")
        << R"(-i "C:\Mis perfiles\web 1.ovp" -c)"
        << QStringList{"-i", R"(C:\Mis perfiles\web 1.ovp)", "-c"};
    QTest::newRow("double spaces") << "-i  a.ovp  -c" << QStringList{"-i", "a.ovp", "-c"};
    QTest::newRow("outer spaces") << "  a  " << QStringList{"a"};
    QTest::newRow("unterminated quote takes the rest")
        << R"(-i "C:\a b  c )" << QStringList{"-i", R"(C:\a b  c )"};
    QTest::newRow("quote inside a plain argument is dropped")
        << R"(ab"cd e)" << QStringList{"abcd", "e"};
    QTest::newRow("character after a closing quote opens the next")
        << R"("a b"c)" << QStringList{"a b", "c"};
    QTest::newRow("empty quotes are an argument") << R"(x "" y)" << QStringList{"x", "", "y"};
    QTest::newRow("tab is not a separator") << "a\tb c" << QStringList{"a\tb", "c"};
    QTest::newRow("lone quote") << "\"" << QStringList{""};
}

void TestCmdLine::split() {
    QFETCH(QString, line);
    QFETCH(QStringList, args);
    QCOMPARE(SplitCommandLine(line), args);
    QCOMPARE(getArgCount(line), qint16(args.size()));
    for (int i = 0; i < args.size(); ++i)
        QCOMPARE(getArg(line, qint16(i + 1)), args[i]);
}

void TestCmdLine::getArgOutOfRange() {
    const QString line = "a b";
    QCOMPARE(getArg(line, 0), QString());
    QCOMPARE(getArg(line, -1), QString());
    QCOMPARE(getArg(line, 3), QString());
    QCOMPARE(getArg(line, 32767), QString());
}

void TestCmdLine::parmValue_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("parm");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QStringList>("values");
    const QString start = R"(-i "C:\Mis perfiles\web 1.ovp" -c)";
    QTest::newRow("profile path") << start << "i" << true
                                  << QStringList{R"(C:\Mis perfiles\web 1.ovp)", ""};
    QTest::newRow("connect after it") << start << "c" << true << QStringList{""};
    QTest::newRow("slash and capital") << "/I perfil.ovp"
                                       << "i" << true << QStringList{"perfil.ovp", ""};
    QTest::newRow("asked in capitals") << "-i perfil.ovp"
                                       << "I" << true << QStringList{"perfil.ovp", ""};
    QTest::newRow("-i directly followed by -c") << "-i -c"
                                                << "i" << true << QStringList{""};
    QTest::newRow("-c alone has no i") << "-c"
                                       << "i" << false << QStringList{""};
    QTest::newRow("lone dash is not a switch") << "- x"
                                               << "" << false << QStringList{""};
    QTest::newRow("lone dash ends the values") << "-i a - b"
                                               << "i" << true << QStringList{"a", ""};
    QTest::newRow("several values") << "-i a  b c /c"
                                    << "i" << true << QStringList{"a", "b", "c", ""};
    QTest::newRow("switch at the end") << "x -i"
                                       << "i" << true << QStringList{""};
    QTest::newRow("first of two") << "-i a -i b"
                                  << "i" << true << QStringList{"a", ""};
    QTest::newRow("absolute path is a value")
        << "/i /home/ana/web.ovp /c" << "i" << true << QStringList{"/home/ana/web.ovp", ""};
    QTest::newRow("path at the root is a value") << "-i /web.ovp"
                                                 << "i" << true << QStringList{"/web.ovp", ""};
    QTest::newRow("quoted path with spaces") << R"(-i "/home/ana/mis perfiles/a.ovp" -c)"
                                             << "i" << true
                                             << QStringList{"/home/ana/mis perfiles/a.ovp", ""};
    QTest::newRow("double dash is another name") << "--i a"
                                                 << "i" << false << QStringList{""};
    QTest::newRow("quoted switch name is trimmed") << R"("- i " a)"
                                                   << "i" << true << QStringList{"a", ""};
    QTest::newRow("unterminated quote value") << R"(-i "C:\a b)"
                                              << "i" << true << QStringList{R"(C:\a b)", ""};
    QTest::newRow("empty quoted value") << R"(-i "" -c)"
                                        << "i" << true << QStringList{"", ""};
    QTest::newRow("nothing") << ""
                             << "i" << false << QStringList{""};
}

void TestCmdLine::parmValue() {
    QFETCH(QString, line);
    QFETCH(QString, parm);
    QFETCH(bool, found);
    QFETCH(QStringList, values);
    QStringList got{"stale", "values"};
    QCOMPARE(getParmValue(line, parm, got), found);
    QCOMPARE(got, values);
}

void TestCmdLine::addToArray_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("first value") << QStringList{""} << QStringList{"v", ""};
    QTest::newRow("second value") << QStringList{"a", ""} << QStringList{"a", "v", ""};
    QTest::newRow("empty list") << QStringList{} << QStringList{"v", ""};
}

void TestCmdLine::addToArray() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    ::addToArray(before, "v");
    QCOMPARE(before, after);
}

void TestCmdLine::setCommandLine() {
    // Unset, the process's own arguments are the command line.
    QCOMPARE(CommandLine(), CommandLineFromArguments(QCoreApplication::arguments()));
    SetCommandLine(R"(/c -I "D:\p q.ovp")");
    QCOMPARE(getArgCount(), qint16(3));
    QCOMPARE(getArg(3), QStringLiteral(R"(D:\p q.ovp)"));
    QStringList values;
    QVERIFY(getParmValue("i", values));
    QCOMPARE(values, (QStringList{R"(D:\p q.ovp)", ""}));
    QVERIFY(getParmValue("C", values));
    QVERIFY(!getParmValue("x", values));
    SetCommandLine(QString());
    QCOMPARE(getArgCount(), qint16(0));
}

void TestCmdLine::fromArguments_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("line");
    QTest::newRow("program only") << QStringList{"ovclient"} << "";
    QTest::newRow("plain") << QStringList{"ovclient", "-i", "a.ovp", "-c"} << "-i a.ovp -c";
    QTest::newRow("spaces quoted") << QStringList{"ovclient", "-i", "/home/ana/mis perfiles/a.ovp"}
                                   << R"(-i "/home/ana/mis perfiles/a.ovp")";
    QTest::newRow("empty argument kept") << QStringList{"ovclient", "-i", ""} << R"(-i "")";
}

void TestCmdLine::fromArguments() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, line);
    QCOMPARE(CommandLineFromArguments(arguments), line);
    // Splitting the text gives the arguments back.
    QCOMPARE(SplitCommandLine(line), arguments.mid(1));
}

// An absurd command line is answered, not hung on; arguments past the 32767 the 16-bit count
// can address are not read.
void TestCmdLine::longLine() {
    const QString many = QString("-x ").repeated(200000);
    QStringList values;
    QVERIFY(getParmValue("-i first.ovp " + many, "i", values));
    QCOMPARE(values, (QStringList{"first.ovp", ""}));
    QVERIFY(!getParmValue(many + "-i last.ovp", "i", values));
    QCOMPARE(getArgCount(many), qint16(32767));
    QCOMPARE(getArg("a " + QString("b ").repeated(40000), 32767), QStringLiteral("b"));
}

QTEST_GUILESS_MAIN(TestCmdLine)
#include "tst_cmdline.moc"
