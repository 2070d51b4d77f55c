// Find on the raw view and on the table, as the operator drives it with Ctrl+F, typing, F3,
// Shift+F3 and Esc: which match is shown, the count, wrap-around, letter case and no match.
#include "WindowFixture.h"

#include "views/RawLogView.h"
#include "widgets/ctlTabs.h"
#include "widgets/ucListView.h"
#include "window/fMain.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

namespace {

const QString kLog =
    QStringLiteral("1.1.1.1 - - [x] \"GET /uno HTTP/1.0\" 200 5 \"-\" \"Agente\"\r\n"
                   "2.2.2.2 - - [x] \"GET /dos HTTP/1.0\" 200 5 \"-\" \"agente\"\r\n"
                   "3.3.3.3 - - [x] \"GET /tres HTTP/1.0\" 200 5 \"-\" \"otro\"\r\n"
                   "4.4.4.4 - - [x] \"GET /cuatro HTTP/1.0\" 200 5 \"-\" \"AGENTE final\"");

} // namespace

class tst_Find : public QObject {
    Q_OBJECT

    WindowFixture* fx = nullptr;
    fMain* w = nullptr;
    RawLogView* logf = nullptr;

    template <class T> T* child(const char* name) {
        return w->findChild<T*>(QString::fromLatin1(name));
    }
    QString count() { return child<QLabel>("lblFindCount")->text(); }
    void key(int key, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), mods);
    }
    void find(const QString& text) {
        key(Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(child<QLineEdit>("tFind"), text);
    }

private slots:
    void init() {
        fx = new WindowFixture;
        fx->writeSettings({});
        w = &fx->start();
        w->activateWindow();
        logf = child<RawLogView>("logf");
        logf->setText(kLog);
        logf->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(w));
    }
    void cleanup() { delete fx; }

    // Typing finds from the caret; F3 and Shift+F3 go round the matches in either case.
    void rawView() {
        logf->Select({1, 0}, {1, 0});
        find(QStringLiteral("agente"));
        QTRY_COMPARE(count(), QStringLiteral("2 de 3"));
        QCOMPARE(logf->Anchor().line, 1);
        QCOMPARE(logf->SelectedBytes(), QByteArray("agente"));
        key(Qt::Key_F3);
        QCOMPARE(count(), QStringLiteral("3 de 3"));
        QCOMPARE(logf->SelectedBytes(), QByteArray("AGENTE")); // in the last line
        key(Qt::Key_F3);
        QCOMPARE(count(), QStringLiteral("1 de 3")); // round to the first
        QCOMPARE(logf->Anchor().line, 0);
        key(Qt::Key_F3, Qt::ShiftModifier); // and back round to the last
        QCOMPARE(count(), QStringLiteral("3 de 3"));
        key(Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(count(), QStringLiteral("2 de 3"));

        child<QCheckBox>("chkFindCase")->setChecked(true);
        QTRY_COMPARE(count(), QStringLiteral("1 de 1"));
        QCOMPARE(logf->Anchor().line, 1);
        QTest::keyClicks(child<QLineEdit>("tFind"), QStringLiteral("z"));
        QTRY_COMPARE(count(), QStringLiteral("Sin coincidencias"));

        auto* bar = child<QWidget>("findBar");
        const int before = logf->height();
        key(Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QVERIFY(logf->height() > before); // the view takes back the bar's room
        QCOMPARE(QApplication::focusWidget(), logf);
    }

    // On the table a match selects its row and shows it; the diagram has no find bar.
    void table() {
        auto* tabs = child<ctlTabs>("tabs");
        auto* lv = child<ucListView>("lv");
        QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(120, 12));
        lv->setFocus();
        find(QStringLiteral("/tres"));
        QTRY_COMPARE(count(), QStringLiteral("1 de 1"));
        QVERIFY(lv->ItemSelected(2) && !lv->ItemSelected(0));
        child<QLineEdit>("tFind")->clear();
        QTest::keyClicks(child<QLineEdit>("tFind"), QStringLiteral("4.4"));
        QTRY_COMPARE(count(), QStringLiteral("1 de 1")); // a row counts once
        QVERIFY(lv->ItemSelected(3));
        QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(200, 12));
        QVERIFY(!child<QWidget>("findBar")->isVisible());
    }
};

QTEST_MAIN(tst_Find)
#include "tst_find.moc"
