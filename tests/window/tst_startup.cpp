// The console's start-up: the designed size, the command line, the stored options, the flags, the
// help menu, Qt's own words in Spanish and the dialogs standing over the window.
#include "WindowFixture.h"
#include "service/helper_service.h"

#include "core/twips.h"
#include "core/ui_seam.h"
#include "link/CSocketMaster.h"
#include "views/CMemoryDC.h"
#include "views/logWnd.h"
#include "widgets/ctlTabs.h"
#include "window/fMain.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <memory>

class tst_Startup : public QObject {
    Q_OBJECT

    static QAction* item(fMain& w, const char* name) {
        return w.findChild<QAction*>(QString::fromLatin1(name));
    }

private slots:
    void withoutSettingsFileEveryReadWarnsAndDefaultsApply() {
        WindowFixture fx;
        fMain& w = fx.start();
        const QString expected = QStringLiteral("File Not Found: ") +
                                 QDir(fx.folder()).filePath(QStringLiteral("ovclient.ini")) +
                                 QStringLiteral(" not found.");
        QCOMPARE(fx.messages, QStringList(5, expected));
        QVERIFY(!item(w, "mStartupMaximize")->isChecked());
        QVERIFY(item(w, "mViewConnectionPanel")->isChecked());
        QVERIFY(item(w, "mViewLeftPanel")->isChecked());
        QVERIFY(item(w, "mRowColors")->isChecked());
        QVERIFY(!item(w, "mColorUsers")->isChecked());
        QVERIFY(!(w.windowState() & Qt::WindowMaximized));
    }

    void storedOptionsApply_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<bool>("panelsOpen");
        QTest::addColumn<bool>("rowColors");
        QTest::addColumn<bool>("colorUsers");
        QTest::newRow("defaults written")
            << QStringList{"startupmaximize=0", "rowcolors=1"} << false << true << true << false;
        QTest::newRow("maximized")
            << QStringList{"startupmaximize=1"} << true << true << true << false;
        QTest::newRow("panels closed") << QStringList{"viewconnectionpanel=0", "viewleftpanel=0"}
                                       << false << false << true << false;
        QTest::newRow("colours") << QStringList{"rowcolors=0", "colorusers=1"} << false << true
                                 << false << true;
        QTest::newRow("odd values count as defaults")
            << QStringList{"startupmaximize=yes", "viewleftpanel=", "colorusers=true",
                           "rowcolors=no"}
            << false << true << true << false;
    }
    void storedOptionsApply() {
        QFETCH(QStringList, lines);
        QFETCH(bool, maximized);
        QFETCH(bool, panelsOpen);
        QFETCH(bool, rowColors);
        QFETCH(bool, colorUsers);
        WindowFixture fx;
        fx.writeSettings(lines);
        fMain& w = fx.start();
        QVERIFY(fx.messages.isEmpty());
        QCOMPARE(bool(w.windowState() & Qt::WindowMaximized), maximized);
        QCOMPARE(item(w, "mStartupMaximize")->isChecked(), maximized);
        QCOMPARE(item(w, "mViewConnectionPanel")->isChecked(), panelsOpen);
        QCOMPARE(item(w, "mViewLeftPanel")->isChecked(), panelsOpen);
        auto* frame = w.findChild<QGroupBox*>(QStringLiteral("Frame1"));
        QCOMPARE(frame->title().left(3),
                 panelsOpen ? QStringLiteral("[-]") : QStringLiteral("[+]"));
        QCOMPARE(ov::pixelsToTwips(frame->height()), panelsOpen ? 1575 : 225);
        QCOMPARE(w.findChild<QWidget*>(QStringLiteral("log"))->isVisible(), panelsOpen);
        QCOMPARE(item(w, "mRowColors")->isChecked(), rowColors);
        QCOMPARE(item(w, "mColorUsers")->isChecked(), colorUsers);
    }

    // The client area as designed under the menu bar; maximised, the whole screen's free area.
    void opensAtTheDesignedSize_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("maximized");
        QTest::newRow("designed") << QStringList{"startupmaximize=0"} << false;
        QTest::newRow("maximised") << QStringList{"startupmaximize=1"} << true;
    }
    void opensAtTheDesignedSize() {
        QFETCH(QStringList, lines);
        QFETCH(bool, maximized);
        WindowFixture fx;
        fx.writeSettings(lines);
        fMain& w = fx.start();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QWidget* client = w.centralWidget();
        if (maximized) {
            QTRY_COMPARE(w.frameGeometry(), w.screen()->availableGeometry());
        } else {
            QCOMPARE(ov::pixelsToTwips(client->width()), 10200);
            QCOMPARE(ov::pixelsToTwips(client->height()), 6885);
            QCOMPARE(client->y(), w.menuBar()->height());
            QCOMPARE(w.height(), client->height() + w.menuBar()->height());
        }
    }

    void togglingAnOptionWritesItAtOnce() {
        WindowFixture fx;
        fx.writeSettings({});
        fMain& w = fx.start();
        const QString ini = QDir(fx.folder()).filePath(QStringLiteral("ovclient.ini"));
        auto read = [&] {
            QFile f(ini);
            return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
        };
        item(w, "mViewConnectionPanel")->trigger();
        QVERIFY(read().contains(QLatin1String("viewconnectionpanel=0")));
        QVERIFY(w.findChild<QGroupBox*>(QStringLiteral("Frame1"))->title().startsWith("[+]"));
        item(w, "mViewConnectionPanel")->trigger();
        QVERIFY(read().contains(QLatin1String("viewconnectionpanel=1")));
        QVERIFY(item(w, "mViewConnectionPanel")->isChecked());
        item(w, "mStartupMaximize")->trigger();
        QVERIFY(read().contains(QLatin1String("startupmaximize=1")));
        QVERIFY(!(w.windowState() & Qt::WindowMaximized));
    }

    void connectSwitchAloneDoesNothing() {
        WindowFixture fx;
        fx.writeSettings({});
        fMain& w = fx.start(QStringLiteral("-c"), 1);
        QCOMPARE(w.wsock()->State(), qint32(CSocketMaster::sckClosed));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("status"))->text(),
                 QStringLiteral("Desconectado"));
    }

    void profileAndConnectSwitchesConnectBeforeTheFlagsLoad() {
        WindowFixture fx;
        fx.writeSettings({});
        servicetest::ServiceProcess service({QStringLiteral("--allow"), fx.folder(),
                                             QStringLiteral("--greeting"),
                                             QStringLiteral("Servicio de pruebas")});
        QVERIFY(service.Started());
        fx.writeFile(QStringLiteral("my profile.ovp"),
                     "[main]\r\nip=127.0.0.1\r\nnumbytes=4096\r\nlogpath=/nowhere\r\nview=2\r\n");
        const QString profile = QDir(fx.folder()).filePath(QStringLiteral("my profile.ovp"));

        fMain w(fx.folder());
        w.setServicePort(service.Port());
        qint32 stateWhenFlagsLoad = -1;
        connect(&w, &fMain::FlagsLoading, this, [&] { stateWhenFlagsLoad = w.wsock()->State(); });
        w.Form_Load(QStringLiteral("/I \"%1\" -c").arg(profile));
        QVERIFY(stateWhenFlagsLoad == CSocketMaster::sckConnecting ||
                stateWhenFlagsLoad == CSocketMaster::sckConnected);
        QCOMPARE(w.findChild<QLineEdit*>(QStringLiteral("tLogPath"))->text(),
                 QStringLiteral("/nowhere"));
        QCOMPARE(w.findChild<ctlTabs*>(QStringLiteral("tabs"))->SelectedTab(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(w.findChild<QLabel*>(QStringLiteral("status"))->text(),
                                  QStringLiteral("Conectado"), 10000);
    }

    void flagsLoadWhereFilesExist() {
        WindowFixture fx;
        fx.writeSettings({});
        QDir(fx.folder()).mkpath(QStringLiteral("geodata/flags"));
        for (const char* code : {"af", "zw", "gb"})
            QFile::copy(QStringLiteral("/usr/share/flags/countries/16x11/%1.gif").arg(code),
                        QDir(fx.folder())
                            .filePath(QStringLiteral("geodata/flags/%1.gif")
                                          .arg(QString::fromLatin1(code).toUpper())));
        fMain& w = fx.start();
        const auto& flags = w.FlagDC();
        QCOMPARE(int(flags.size()), 250);
        QVERIFY(flags[1] && flags[1]->Width() == 16 && flags[1]->Height() == 11);  // AF
        QVERIFY(!flags[2]);                                                        // AL missing
        QVERIFY(flags[239] && flags[243] && flags[239].get() != flags[243].get()); // ZW twice
        QVERIFY(flags[225] && !flags[240]);                                        // GB, no UK
    }

    // F1 opens the reference beside the program; without it the operator is told which file is
    // missing instead of getting an editor that may not say so.
    void reference_data() {
        QTest::addColumn<bool>("present");
        QTest::newRow("present") << true;
        QTest::newRow("missing") << false;
    }
    void reference() {
        QFETCH(bool, present);
        WindowFixture fx;
        fx.writeSettings({});
        if (present) fx.writeFile(QStringLiteral("reference.txt"), "Referencia\r\n");
        fMain& w = fx.start();
        const QString path = QDir(fx.folder()).filePath(QStringLiteral("reference.txt"));
        item(w, "mReference")->trigger();
        if (present) {
            QCOMPARE(fx.openedUrls, QStringList{QUrl::fromLocalFile(path).toString()});
            QVERIFY(fx.messages.isEmpty());
        } else {
            QVERIFY(fx.openedUrls.isEmpty());
            QCOMPARE(fx.messages,
                     QStringList{QStringLiteral("Referencia: No se encuentra la referencia del "
                                                "operador:\n") +
                                 QDir::toNativeSeparators(path)});
        }
        QCOMPARE(item(w, "mReference")->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(item(w, "mAbout")->shortcut(), QKeySequence(Qt::Key_F2));
    }

    // Qt's own words, such as a text box's context menu and the dialogs' buttons, in Spanish.
    void qtWordsInSpanish() {
        QVERIFY(ov::ui::installQtSpanish());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                 QStringLiteral("Cancelar"));
        WindowFixture fx;
        fx.writeSettings({});
        fMain& w = fx.start();
        const std::unique_ptr<QMenu> menu(
            w.findChild<QLineEdit*>(QStringLiteral("tIP"))->createStandardContextMenu());
        QCOMPARE(menu->actions().constFirst()->text().section(u'\t', 0, 0),
                 QStringLiteral("&Deshacer"));
    }

    // The real desktop, not the tests' stand-in: a message box, and a dialog whose caller names no
    // window, stand over the owner window.
    void dialogsStandOverTheOwner_data() {
        QTest::addColumn<bool>("fileDialog");
        QTest::newRow("message box") << false;
        QTest::newRow("file dialog") << true;
    }
    void dialogsStandOverTheOwner() {
        QFETCH(bool, fileDialog);
        WindowFixture fx;
        fx.writeSettings({});
        fMain& w = fx.start();
        const ov::ui::Handler fixture = ov::ui::setHandler({});
        ov::ui::setOwner(&w);
        QPointer<QWidget> parent;
        QString title;
        QTimer closer; // looks for the dialog at every pass of its event loop
        connect(&closer, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            parent = dialog->parentWidget();
            title = dialog->windowTitle();
            dialog->reject();
        });
        closer.start(0);
        if (fileDialog) {
            ov::ui::FileDialogRequest request;
            request.title = QStringLiteral("Título");
            request.initialDir = fx.folder();
            ov::ui::fileDialog(request);
        } else {
            ov::ui::messageBox(QStringLiteral("texto"), QStringLiteral("Título"));
        }
        closer.stop();
        ov::ui::setOwner(nullptr);
        ov::ui::setHandler(fixture);
        QCOMPARE(parent.data(), static_cast<QWidget*>(&w));
        QCOMPARE(title, QStringLiteral("Título"));
    }

    void profileSavedAndReopenedThroughTheMenus() {
        WindowFixture fx;
        fx.writeSettings({});
        fMain& w = fx.start();
        const QString path = QDir(fx.folder()).filePath(QStringLiteral("saved.ovp"));
        QList<ov::ui::FileDialogRequest> asked;
        const ov::ui::Handler previous =
            ov::ui::setHandler({[&](const QString& text, const QString& title, ov::ui::Icon) {
                                    fx.messages << title + QStringLiteral(": ") + text;
                                },
                                [&](const ov::ui::FileDialogRequest& request) {
                                    asked << request;
                                    return path;
                                },
                                {},
                                {}});
        w.findChild<QLineEdit*>(QStringLiteral("tIP"))->setText(QStringLiteral("10.1.2.3"));
        w.findChild<QLineEdit*>(QStringLiteral("tLogPath"))->setText(QStringLiteral("/var/log/x"));
        auto* tabs = w.findChild<ctlTabs*>(QStringLiteral("tabs"));
        QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(200, 12));
        item(w, "mSaveConfig")->trigger();
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QString text = QString::fromLatin1(saved.readAll());
        QVERIFY(text.contains(QLatin1String("view=3")));
        QVERIFY(text.contains(QLatin1String("ip=10.1.2.3")));
        QVERIFY(text.contains(QLatin1String("numbytes=2000")));

        // Change everything, then open the profile again: fields and view come back.
        w.findChild<QLineEdit*>(QStringLiteral("tIP"))->clear();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(40, 12));
        item(w, "mOpenConfig")->trigger();
        ov::ui::setHandler(previous);
        QCOMPARE(asked.size(), 2);
        QVERIFY(asked[0].save && asked[0].overwritePrompt && asked[0].defaultExt == "ovp");
        QVERIFY(!asked[1].save && asked[1].mustExist);
        QCOMPARE(asked[0].title, QStringLiteral("Guardar configuración"));
        QCOMPARE(asked[1].title, QStringLiteral("Abrir configuración"));
        QCOMPARE(asked[0].owner, static_cast<QWidget*>(&w));
        QCOMPARE(asked[1].owner, static_cast<QWidget*>(&w));
        QCOMPARE(w.findChild<QLineEdit*>(QStringLiteral("tIP"))->text(),
                 QStringLiteral("10.1.2.3"));
        QCOMPARE(tabs->SelectedTab(), 3);
        QVERIFY(w.findChild<QWidget*>(QStringLiteral("pic"))->isVisible());
        QVERIFY(!w.findChild<QWidget*>(QStringLiteral("logf"))->isVisible());
    }

    void menusStandInOrder() {
        WindowFixture fx;
        fx.writeSettings({});
        fMain& w = fx.start();
        QStringList captions;
        for (QAction* menu : w.menuBar()->actions()) {
            captions << menu->text();
            for (QAction* a : menu->menu()->actions())
                captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        QCOMPARE(captions,
                 (QStringList{"Archivo", "Abrir configuración", "Guardar configuración", "-",
                              "Salir", "Opciones", "Maximizar al inicio", "Alternar color de tabla",
                              "Colorear usuarios", "Mostrar ancho de banda (en diagrama)", "Ver",
                              "Panel de conexión", "Panel de operaciones (izquierdo)", "-",
                              "Diagrama simple", "Diagrama extendido (información geográfica)",
                              "Ayuda", "Referencia", "Acerca de Orvalen (Cliente)"}));
        QCOMPARE(w.windowTitle(), QStringLiteral("Cliente de Orvalen"));
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
