// The open and save dialog wrapper, driven through the desktop seam: the filter the dialog is
// given, the options it is asked for, and what the by-reference arguments hold after a choice or
// a cancel.
#include "settings/cCommonDialog.h"

#include "core/ui_seam.h"

#include <QTest>

namespace {

const QString kProfileFilter = QStringLiteral("Perfil de configuración (OVP)|*.ovp");

// The arguments of one call, as the menu commands pass them unless a row says otherwise.
struct DialogCall {
    bool save = false;
    bool option = true; // FileMustExist (open) or OverWritePrompt (save)
    bool multiSelect = false;
    bool readOnly = false;
    bool hideReadOnly = false;
    QString filename;
    QString filter = kProfileFilter;
    qint32 filterIndex = 1;
    QString initDir;
    qint32 flags = 0;
    QString fileTitle = QStringLiteral("sin usar");
    bool result = false;

    void run() {
        cCommonDialog cd;
        result = save ? cd.VBGetSaveFileName(filename, fileTitle, option, filter, filterIndex,
                                             initDir, "Guardar", "ovp", -1, flags)
                      : cd.VBGetOpenFileName(filename, fileTitle, option, multiSelect, readOnly,
                                             hideReadOnly, filter, filterIndex, initDir, "Abrir",
                                             "ovp", -1, flags);
    }
};

} // namespace
Q_DECLARE_METATYPE(DialogCall)

class TestCommonDialog : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { ov::ui::setHandler(std::move(m_previous)); }
    void filterConversion_data();
    void filterConversion();
    void cancelled_data();
    void cancelled();
    void chosen_data();
    void chosen();

private:
    QString m_answer; // the dialog's answer; "" cancels
    QList<ov::ui::FileDialogRequest> m_requests;
    ov::ui::Handler m_previous;
};

void TestCommonDialog::init() {
    m_requests.clear();
    ov::ui::Handler handler;
    handler.fileDialog = [this](const ov::ui::FileDialogRequest& request) {
        m_requests << request;
        return m_answer;
    };
    m_previous = ov::ui::setHandler(std::move(handler));
}

void TestCommonDialog::filterConversion_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("qtFilter");
    QTest::newRow("profile filter") << kProfileFilter << "Perfil de configuración (OVP) (*.ovp)";
    QTest::newRow("two pairs") << "Logs|*.log|Todos|*.*"
                               << "Logs (*.log);;Todos (*.*)";
    QTest::newRow("several patterns") << "Texto|*.txt;*.log; *.csv"
                                      << "Texto (*.txt *.log *.csv)";
    QTest::newRow("colon separates too") << "Logs:*.log|Todos:*.*"
                                         << "Logs (*.log);;Todos (*.*)";
    QTest::newRow("description without pattern") << "Logs|*.log|Huérfano"
                                                 << "Logs (*.log)";
    QTest::newRow("empty item ends the list") << "Logs|*.log||Todos|*.*"
                                              << "Logs (*.log)";
    QTest::newRow("empty filter") << ""
                                  << "";
}

void TestCommonDialog::filterConversion() {
    QFETCH(QString, filter);
    QFETCH(QString, qtFilter);
    m_answer.clear();
    for (const bool save : {false, true}) {
        DialogCall call;
        call.save = save;
        call.filter = filter;
        call.run();
    }
    QCOMPARE(m_requests.size(), 2);
    QCOMPARE(m_requests[0].filter, qtFilter);
    QCOMPARE(m_requests[1].filter, qtFilter);
}

void TestCommonDialog::cancelled_data() {
    QTest::addColumn<bool>("save");
    QTest::newRow("open") << false;
    QTest::newRow("save") << true;
}

void TestCommonDialog::cancelled() {
    QFETCH(bool, save);
    m_answer.clear();
    DialogCall call;
    call.save = save;
    call.filename = "previo.ovp";
    call.flags = 0x8;
    call.run();
    QVERIFY(!call.result);
    QCOMPARE(m_requests.size(), 1);
    QCOMPARE(call.filename, QString());
    QCOMPARE(call.fileTitle, QString());
    QCOMPARE(call.filter, QString());
    QCOMPARE(call.flags, 0);
    QCOMPARE(call.filterIndex, -1);
}

void TestCommonDialog::chosen_data() {
    QTest::addColumn<DialogCall>("call");
    QTest::addColumn<qint32>("flagsOut");
    QTest::addColumn<QString>("filterOut");
    QTest::addColumn<qint32>("indexOut");
    QTest::addColumn<QString>("startPath");
    const QString nul(QChar(0));
    DialogCall open;
    QTest::newRow("open as the menu does")
        << open << 0x1000 << "Perfil de configuración (OVP)" + nul + "*.ovp" << 1 << "";
    DialogCall all = open;
    all.multiSelect = all.readOnly = all.hideReadOnly = true;
    all.filter = "Perfil|*.ovp|Todos|*.*";
    all.filterIndex = 2;
    QTest::newRow("open, every option")
        << all << (0x1000 | 0x200 | 0x1 | 0x4) << "Todos" + nul + "*.*" << 2 << "";
    DialogCall hooks = open;
    hooks.option = false;
    hooks.flags = 0x20 | 0x40 | 0x800;
    hooks.filterIndex = 7;
    QTest::newRow("hook bits cleared, index past the list")
        << hooks << 0x800 << "Perfil de configuración (OVP)" + nul + "*.ovp" << 1 << "";
    DialogCall save;
    save.save = true;
    QTest::newRow("save as the menu does")
        << save << (0x2 | 0x4) << "Perfil de configuración (OVP)" + nul + "*.ovp" << 1 << "";
    DialogCall proposed = save;
    proposed.option = false;
    proposed.filename = "nuevo.ovp";
    proposed.initDir = "/srv";
    proposed.filter.clear();
    QTest::newRow("save, no prompt, proposed name, no filter")
        << proposed << 0x4 << "" << 0 << "/srv/nuevo.ovp";
}

void TestCommonDialog::chosen() {
    QFETCH(DialogCall, call);
    QFETCH(qint32, flagsOut);
    QFETCH(QString, filterOut);
    QFETCH(qint32, indexOut);
    QFETCH(QString, startPath);
    m_answer = "/home/op/perfiles/web 1.ovp";
    const DialogCall before = call;
    call.run();
    QVERIFY(call.result);
    QCOMPARE(call.filename, m_answer);
    QCOMPARE(call.fileTitle, QString("web 1.ovp"));
    QCOMPARE(call.flags, flagsOut);
    QCOMPARE(call.filter, filterOut);
    QCOMPARE(call.filterIndex, indexOut);
    if (!call.save) QCOMPARE(call.readOnly, bool(flagsOut & 0x1));

    QCOMPARE(m_requests.size(), 1);
    const ov::ui::FileDialogRequest& request = m_requests.constFirst();
    QCOMPARE(request.save, call.save);
    QCOMPARE(request.mustExist, !call.save && before.option);
    QCOMPARE(request.overwritePrompt, call.save && before.option);
    QCOMPARE(request.defaultExt, QString("ovp"));
    QCOMPARE(request.initialDir, startPath);
    QCOMPARE(request.title, call.save ? QString("Guardar") : QString("Abrir"));
}

QTEST_MAIN(TestCommonDialog)
#include "tst_commondialog.moc"
