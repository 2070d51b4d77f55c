// The whole console against the real log service: a profile on the command line connects, the
// shared corpus log arrives in the raw view byte for byte, the table and the diagram show it, and
// "Desconectar" ends the conversation.
#include "WindowFixture.h"
#include "service/helper_service.h"

#include "core/ansi.h"
#include "link/CSocketMaster.h"
#include "views/PictureBox.h"
#include "views/RawLogView.h"
#include "views/logWnd.h"
#include "widgets/ctlTabs.h"
#include "widgets/ucListView.h"
#include "window/fMain.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

#include <QtTest>
#include <sys/socket.h>

namespace {

const QString kCorpus = QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log");

QByteArray corpusBytes() {
    QFile f(kCorpus);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QLabel* statusOf(fMain& w) {
    return w.findChild<QLabel*>(QStringLiteral("status"));
}

} // namespace

class tst_EndToEnd : public QObject {
    Q_OBJECT

private slots:
    void corpusTransferShowsInAllThreeViews() {
        const QByteArray corpus = corpusBytes();
        QVERIFY(!corpus.isEmpty());
        WindowFixture fx;
        fx.writeSettings({});
        servicetest::ServiceProcess service(
            {QStringLiteral("--allow"), QStringLiteral(OV_CORPUS_DIR), QStringLiteral("--greeting"),
             QStringLiteral("Servicio de pruebas")});
        QVERIFY(service.Started());
        fx.writeFile(QStringLiteral("corpus.ovp"),
                     QByteArray("[main]\r\nip=127.0.0.1\r\nnumbytes=65536\r\nlogpath=") +
                         kCorpus.toLocal8Bit() + "\r\nview=1\r\n");
        fMain& w = fx.start(QStringLiteral("-i %1 -c")
                                .arg(QDir(fx.folder()).filePath(QStringLiteral("corpus.ovp"))),
                            service.Port());

        auto* log = w.findChild<logWnd*>(QStringLiteral("log"));
        QTRY_VERIFY2_WITH_TIMEOUT(log->Text().contains(QStringLiteral("Recepción terminada")),
                                  qPrintable(log->Text()), 30000);

        // The greeting has scrolled out: the window keeps the last 1000 characters.
        QCOMPARE(log->Text().size(), 1000);
        QCOMPARE(statusOf(w)->text(), QStringLiteral("Conectado"));

        // Byte for byte, with CR LF line ends.
        QByteArray expected = corpus;
        expected.replace("\r\n", "\n").replace("\n", "\r\n");
        QCOMPARE(w.RawText().Bytes(), expected);

        auto* tabs = w.findChild<ctlTabs*>(QStringLiteral("tabs"));
        QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(120, 12));
        auto* lv = w.findChild<ucListView*>(QStringLiteral("lv"));
        const QList<QByteArray> lines = corpus.split('\n'); // ends with an empty line
        QCOMPARE(lv->Count(), lines.size());
        const QRegularExpression request(
            QStringLiteral("^(\\S+) \\S+ \\S+ \\[[^]]*\\] \"GET (\\S+) "));
        for (int row : {0, 1, 4999, 9999}) {
            const QString line = QString::fromLatin1(lines[row]);
            const auto match = request.match(line);
            if (!match.hasMatch()) continue;
            QCOMPARE(lv->SubItemText(row, 2), match.captured(1));
            QCOMPARE(lv->ItemText(row), match.captured(2));
        }
        QCOMPARE(lv->ItemText(lines.size() - 1), QStringLiteral("-"));

        auto* pic = w.findChild<PictureBox*>(QStringLiteral("pic"));
        pic->setRecording(true);
        QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(200, 12));
        int boxes = 0;
        for (const DrawnItem& item : pic->Drawn())
            boxes += item.kind == DrawnItem::Kind::RoundRect ? 1 : 0;
        // One box per client host, and the server's.
        QCOMPARE(boxes, 1753 + 1);

        QTest::mouseClick(w.findChild<QPushButton*>(QStringLiteral("cDisconnect")), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(statusOf(w)->text(), QStringLiteral("Desconectado"), 10000);
        QVERIFY(!w.findChild<QPushButton*>(QStringLiteral("cDisconnect"))->isVisible());
        QVERIFY(w.findChild<QLineEdit*>(QStringLiteral("tIP"))->isEnabled());
        QVERIFY(!w.findChild<QPushButton*>(QStringLiteral("cUpdate"))->isEnabled());
        QVERIFY(!w.findChild<QPushButton*>(QStringLiteral("cUpdateLog"))->isEnabled());
    }

    // Every byte value but the line ends, and a line of a megabyte, through ovservice, the raw
    // view and the table unchanged.
    void everyByteArrivesUnchanged() {
        WindowFixture fx;
        fx.writeSettings({});
        QByteArray agent;
        for (int b = 0; b < 256; ++b)
            if (b != '\n' && b != '\r' && b != '"') agent += char(b);
        const QByteArray longPath = "/" + QByteArray(1 << 20, 'p');
        const QByteArray log = "1.2.3.4 - - [x] \"GET /a HTTP/1.0\" 200 5 \"-\" \"" + agent +
                               "\"\n5.6.7.8 - - [x] \"GET " + longPath +
                               " HTTP/1.0\" 200 5 \"-\" \"B\"\n";
        fx.writeFile(QStringLiteral("bytes.log"), log);
        servicetest::ServiceProcess service({QStringLiteral("--allow"), fx.folder()});
        QVERIFY(service.Started());
        fx.writeFile(QStringLiteral("bytes.ovp"),
                     "[main]\r\nip=127.0.0.1\r\nnumbytes=4096\r\nlogpath=" +
                         QDir(fx.folder()).filePath(QStringLiteral("bytes.log")).toLocal8Bit() +
                         "\r\nview=2\r\n");
        fMain& w = fx.start(
            QStringLiteral("-i %1 -c").arg(QDir(fx.folder()).filePath(QStringLiteral("bytes.ovp"))),
            service.Port());
        auto* lv = w.findChild<ucListView*>(QStringLiteral("lv"));
        QTRY_COMPARE_WITH_TIMEOUT(lv->Count(), 3, 30000);
        QByteArray expected = log;
        expected.replace("\n", "\r\n");
        QVERIFY(w.RawText().Bytes() == expected);
        QCOMPARE(lv->SubItemText(0, 3), ov::fromAnsi(agent));
        QCOMPARE(lv->ItemText(1), ov::fromAnsi(longPath));
        QCOMPARE(lv->SubItemText(1, 2), QStringLiteral("5.6.7.8"));
    }

    // What the operator types into the raw view is what the table and the diagram show next,
    // and undoing it brings the old text back to them.
    void editsReachTheTableAndTheDiagram() {
        WindowFixture fx;
        fx.writeSettings({});
        fMain& w = fx.start();
        auto* logf = w.findChild<RawLogView*>(QStringLiteral("logf"));
        logf->setText(QStringLiteral("1.2.3.4 - - [x] \"GET /a HTTP/1.0\" 200 5 \"-\" \"A\"\r\n"
                                     "5.6.7.8 - - [x] \"GET /b HTTP/1.0\" 200 5 \"-\" \"B\""));
        logf->setFocus();
        QTest::keyClick(logf, Qt::Key_Home, Qt::ControlModifier);
        for (int i = 0; i < 7; ++i)
            QTest::keyClick(logf, Qt::Key_Delete);
        QTest::keyClicks(logf, QStringLiteral("9.9.9.9"));
        QTest::keyClick(logf, Qt::Key_Down);
        QTest::keyClick(logf, Qt::Key_End, Qt::ShiftModifier);
        QTest::keyClick(logf, Qt::Key_Delete); // the second line emptied

        auto* tabs = w.findChild<ctlTabs*>(QStringLiteral("tabs"));
        auto* lv = w.findChild<ucListView*>(QStringLiteral("lv"));
        QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(120, 12));
        QCOMPARE(lv->Count(), 2);
        QCOMPARE(lv->SubItemText(0, 2), QStringLiteral("9.9.9.9"));
        QCOMPARE(lv->ItemText(1), QStringLiteral("-"));

        auto* pic = w.findChild<PictureBox*>(QStringLiteral("pic"));
        pic->setRecording(true);
        const auto hosts = [&] {
            QStringList texts;
            for (const DrawnItem& item : pic->Drawn())
                if (item.kind == DrawnItem::Kind::Text && item.bold) texts << item.text;
            return texts;
        };
        QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(200, 12));
        QVERIFY(hosts().contains(QStringLiteral("9.9.9.9")));
        QVERIFY(!hosts().contains(QStringLiteral("5.6.7.8")));

        while (logf->CanUndo())
            logf->Undo();
        w.DrawPic();
        QVERIFY(hosts().contains(QStringLiteral("1.2.3.4")) &&
                hosts().contains(QStringLiteral("5.6.7.8")));
    }

    // A growing log through ovservice: new lines are added to what the views show, the operator's
    // place stays, and a rotated log comes whole; without the extension every change brings the
    // whole log, the same text in the end.
    void followsAGrowingLog_data() {
        QTest::addColumn<bool>("extension");
        QTest::newRow("following") << true;
        QTest::newRow("plain") << false;
    }
    void followsAGrowingLog() {
        QFETCH(bool, extension);
        WindowFixture fx;
        fx.writeSettings({});
        const QByteArray first = "1.1.1.1 - - [x] \"GET /a HTTP/1.0\" 200 5 \"-\" \"A\"\n";
        const QByteArray second = "2.2.2.2 - - [x] \"GET /b HTTP/1.0\" 200 5 \"-\" \"B\"\n";
        const QString path = QDir(fx.folder()).filePath(QStringLiteral("grow.log"));
        fx.writeFile(QStringLiteral("grow.log"), first.repeated(3));
        servicetest::ServiceProcess service(
            {QStringLiteral("--allow"), fx.folder(), QStringLiteral("--poll-ms"), "50"});
        QVERIFY(service.Started());
        fx.writeFile(QStringLiteral("grow.ovp"),
                     "[main]\r\nip=127.0.0.1\r\nnumbytes=4096\r\nlogpath=" + path.toLocal8Bit() +
                         "\r\nview=2\r\n");
        fMain& w = fx.start(QString(), service.Port());
        w.setLogFollowing(extension);
        w.OpenCfg(QDir(fx.folder()).filePath(QStringLiteral("grow.ovp")));
        w.cConnect_Click();
        auto* lv = w.findChild<ucListView*>(QStringLiteral("lv"));
        auto* log = w.findChild<logWnd*>(QStringLiteral("log"));
        auto* logf = w.findChild<RawLogView*>(QStringLiteral("logf"));
        QTRY_COMPARE_WITH_TIMEOUT(lv->Count(), 4, 30000);
        logf->Select({1, 2}, {1, 5});

        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write(second.repeated(2) +
                   "3.3.3.3 - - [x] \"GET /half"); // the last line half-written
        file.flush();
        // Six rows either way: the last is empty when followed (the half line waits), and the
        // half line itself when the whole log came.
        QTRY_COMPARE_WITH_TIMEOUT(lv->SubItemText(4, 2), QStringLiteral("2.2.2.2"), 30000);
        QCOMPARE(lv->Count(), 6);
        QCOMPARE(lv->SubItemText(5, 2), extension ? QString() : QStringLiteral("3.3.3.3"));
        QCOMPARE(log->Text().contains(QStringLiteral("Recibidas 2 líneas nuevas")), extension);
        if (extension) QCOMPARE(logf->SelectedBytes(), QByteArray("1.1")); // the place stays
        file.write(" HTTP/1.0\" 200 5 \"-\" \"C\"\n");
        file.close();
        const QByteArray expected = QByteArray(first.repeated(3) + second.repeated(2) +
                                               "3.3.3.3 - - [x] \"GET /half HTTP/1.0\" 200 5 "
                                               "\"-\" \"C\"\n")
                                        .replace("\n", "\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(w.RawText().Bytes() == expected, 30000);
        QCOMPARE(lv->ItemText(5), QStringLiteral("/half"));

        fx.writeFile(QStringLiteral("grow.log"), second); // rotated: a new, shorter file
        QTRY_VERIFY_WITH_TIMEOUT(w.RawText().Bytes() == "2.2.2.2 - - [x] \"GET /b HTTP/1.0\" 200 5 "
                                                        "\"-\" \"B\"\r\n",
                                 30000);
        QTRY_COMPARE_WITH_TIMEOUT(lv->Count(), 2, 30000);
    }

    void resetConnectionPutsTheWindowBackToDisconnected() {
        WindowFixture fx;
        fx.writeSettings({});
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        fMain& w = fx.start(QString(), server.serverPort());
        w.cConnect_Click();
        QTRY_COMPARE_WITH_TIMEOUT(statusOf(w)->text(), QStringLiteral("Conectado"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 10000);
        QTcpSocket* peer = server.nextPendingConnection();
        // Closing with a zero linger time resets the connection instead of ending it.
        const linger reset{1, 0};
        QCOMPARE(::setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset,
                              sizeof reset),
                 0);
        peer->close();
        QTRY_COMPARE_WITH_TIMEOUT(statusOf(w)->text(), QStringLiteral("Desconectado"), 10000);
        QVERIFY(
            w.findChild<logWnd*>(QStringLiteral("log"))->Text().contains(QLatin1String("10054")));
        QVERIFY(w.findChild<QPushButton*>(QStringLiteral("cDisconnect"))->isHidden());
        QCOMPARE(w.wsock()->State(), qint32(CSocketMaster::sckClosed));
    }

    void refusedConnectionIsReportedAndCanBeRetried() {
        WindowFixture fx;
        fx.writeSettings({});
        // A port that was just free: nothing listens there.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 closedPort = probe.serverPort();
        probe.close();
        fMain& w = fx.start(QString(), closedPort);
        auto* log = w.findChild<logWnd*>(QStringLiteral("log"));
        w.cConnect_Click();
        // One line the operator reads, in Spanish, without the socket's English or its internals.
        QTRY_VERIFY_WITH_TIMEOUT(log->Text().contains(QLatin1String("10061")), 10000);
        QVERIFY(log->Text()
                    .split(QStringLiteral("\r\n"))
                    .contains(QStringLiteral("Error de conexión 10061: conexión rechazada por "
                                             "127.0.0.1")));
        QCOMPARE(statusOf(w)->text(), QStringLiteral("Desconectado"));

        servicetest::ServiceProcess service({QStringLiteral("--allow"), fx.folder(),
                                             QStringLiteral("--greeting"),
                                             QStringLiteral("Servicio de pruebas")});
        QVERIFY(service.Started());
        w.setServicePort(service.Port());
        w.cConnect_Click();
        QTRY_COMPARE_WITH_TIMEOUT(statusOf(w)->text(), QStringLiteral("Conectado"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(log->Text().contains(QLatin1String("Servicio de pruebas")), 10000);
    }
};

QTEST_MAIN(tst_EndToEnd)
#include "tst_endtoend.moc"
