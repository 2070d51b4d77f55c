// The message log control: what LogPRT leaves after one or many entries, the length limit,
// clearing, text typed by the operator, the caret, and the box filling the control.
#include "views/logWnd.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

class TestLogWnd : public QObject {
    Q_OBJECT
private slots:
    void entries_data();
    void entries();
    void keepsLastCharacters_data();
    void keepsLastCharacters();
    void newestLineShown();
    void boxFillsControl();
};

void TestLogWnd::entries_data() {
    QTest::addColumn<QStringList>("logged"); // "<CLS>" clears, "<TYPE>x" types x at the end
    QTest::addColumn<QString>("expected");
    QTest::newRow("first entry leaves an empty line above")
        << QStringList{"helo Servidor listo"} << "\r\nhelo Servidor listo";
    QTest::newRow("empty entry adds an empty line")
        << QStringList{"Conectado", ""} << "\r\nConectado\r\n";
    QTest::newRow("entries in order") << QStringList{"uno", "dos"} << "\r\nuno\r\ndos";
    QTest::newRow("cleared, then a new first entry")
        << QStringList{"uno", "<CLS>", "dos"} << "\r\ndos";
    QTest::newRow("typed text is what the next entry follows")
        << QStringList{"uno", "<TYPE>XY", "dos"} << "\r\nunoXY\r\ndos";
}

void TestLogWnd::entries() {
    QFETCH(QStringList, logged);
    QFETCH(QString, expected);
    logWnd log;
    for (const QString& entry : logged) {
        if (entry == "<CLS>") {
            log.LogCLS();
        } else if (entry.startsWith("<TYPE>")) {
            log.Box()->moveCursor(QTextCursor::End);
            QTest::keyClicks(log.Box(), entry.mid(6));
        } else {
            log.LogPRT(entry);
        }
    }
    QCOMPARE(log.Text(), expected);
}

void TestLogWnd::keepsLastCharacters_data() {
    QTest::addColumn<int>("maxLength"); // -1: the limit the control starts with
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("width");
    QTest::newRow("10000 at creation") << -1 << 120 << 99;
    QTest::newRow("the window's 1000") << 1000 << 500 << 20;
    QTest::newRow("largest 16-bit limit") << 32767 << 100 << 400;
    // Entries of 3 characters, 5 with their CR LF: keeping 4 cuts between CR and LF.
    QTest::newRow("cut between CR and LF") << 4 << 3 << 3;
    QTest::newRow("one character") << 1 << 10 << 20;
    QTest::newRow("0 keeps nothing") << 0 << 5 << 20;
    QTest::newRow("negative keeps nothing") << -5 << 5 << 20;
}

void TestLogWnd::keepsLastCharacters() {
    QFETCH(int, maxLength);
    QFETCH(int, entries);
    QFETCH(int, width);
    logWnd log;
    if (maxLength != -1) log.SetMaxLenght(static_cast<qint16>(maxLength));
    const qsizetype keep = maxLength == -1 ? 10000 : qMax(maxLength, 0);
    QString joined;
    for (int i = 0; i < entries; ++i) {
        const QString entry = QString("cfg %1").arg(i * 37).leftJustified(width, '.', true);
        log.LogPRT(entry);
        joined += "\r\n" + entry;
    }
    QVERIFY(joined.size() > keep);
    QCOMPARE(log.Text(), joined.right(keep));
}

void TestLogWnd::newestLineShown() {
    logWnd log;
    log.resize(200, 60);
    log.show();
    for (int i = 0; i < 50; ++i)
        log.LogPRT(QString("línea %1").arg(i));
    QPlainTextEdit* box = log.Box();
    // The box is laid out once for the whole burst, at the next pass of the event loop.
    QTRY_COMPARE_WITH_TIMEOUT(box->document()->blockCount(), 51, 5000);
    QCOMPARE(box->objectName(), QString("log"));
    QCOMPARE(box->document()->lastBlock().text(), QString("línea 49"));
    QCOMPARE(box->textCursor().position(), box->document()->characterCount() - 1);
    QVERIFY(box->verticalScrollBar()->maximum() > 0);
    QTRY_VERIFY_WITH_TIMEOUT(box->viewport()->rect().contains(box->cursorRect()), 5000);
}

void TestLogWnd::boxFillsControl() {
    QWidget parent;
    logWnd* log = new logWnd(&parent);
    parent.resize(500, 400);
    parent.show();
    for (const QSize size : {QSize(300, 200), QSize(120, 45), QSize(480, 390)}) {
        log->resize(size);
        QCOMPARE(log->Box()->geometry(), QRect(QPoint(0, 0), size));
    }
}

QTEST_MAIN(TestLogWnd)
#include "tst_logwnd.moc"
