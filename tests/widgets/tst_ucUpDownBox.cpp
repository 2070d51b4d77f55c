// The numeric box as the connection panel uses it (0..2100000000, 2000 at start): typing, pasting,
// the arrow keys, the scroll bar and the conversion applied when owner code sets its text.
#include "widgets/ucUpDownBox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTestEventList>
#include <memory>

namespace {

constexpr qint32 kMax = 2100000000;

struct Box {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    ucUpDownBox* box = new ucUpDownBox(window.get());
    QLineEdit* text = box->findChild<QLineEdit*>(QStringLiteral("txtValue"));
    QScrollBar* bar = box->findChild<QScrollBar*>(QStringLiteral("ucBar"));

    explicit Box(qint32 min = 0, qint32 max = kMax, qint32 value = 2000) {
        box->setMin(min);
        box->setMax(max);
        box->setValue(value);
        box->setGeometry(10, 10, 81, 21);
        window->resize(200, 60);
        window->show();
    }
};

} // namespace

class tst_ucUpDownBox : public QObject {
    Q_OBJECT

private slots:
    void parts();
    void setTextConverts_data();
    void setTextConverts();
    void typing_data();
    void typing();
    void pasting_data();
    void pasting();
    void arrowKeys_data();
    void arrowKeys();
    void barArrowSteps();
    void limitsKeepValueInRange();
};

void tst_ucUpDownBox::parts() {
    Box b;
    QVERIFY(b.text);
    QVERIFY(b.bar);
    QCOMPARE(b.bar->orientation(), Qt::Vertical);
    QCOMPARE(b.box->Text(), QStringLiteral("2000"));
    QCOMPARE(b.box->property("Value").toInt(), 2000);
    // The bar stands right of the text box, inside the control.
    QVERIFY(b.bar->geometry().left() >= b.text->geometry().right());
    QVERIFY(b.box->rect().contains(b.bar->geometry()));
}

void tst_ucUpDownBox::setTextConverts_data() {
    QTest::addColumn<qint32>("min");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("expected");

    QTest::newRow("letters") << 0 << "abc" << 0;
    QTest::newRow("empty") << 0 << "" << 0;
    QTest::newRow("just above max") << 0 << "2100000001" << kMax;
    QTest::newRow("largest 32-bit") << 0 << "2147483647" << kMax;
    QTest::newRow("beyond 32-bit") << 0 << "2147483648" << 0;
    QTest::newRow("far beyond 32-bit") << 0 << "99999999999999999999" << 0;
    QTest::newRow("below 32-bit") << 0 << "-2147483649" << 0;
    QTest::newRow("negative held at min") << 0 << "-5" << 0;
    QTest::newRow("fraction up") << 0 << "12.6" << 13;
    QTest::newRow("fraction down") << 0 << "12.4" << 12;
    QTest::newRow("spaces around") << 0 << " 7 " << 7;
    QTest::newRow("exponent") << 0 << "1e3" << 1000;
    QTest::newRow("infinity") << 0 << "inf" << 0;
    QTest::newRow("two signs") << 0 << "--5" << 0;
    QTest::newRow("empty with min 10") << 10 << "" << 10;
    QTest::newRow("letters with min 10") << 10 << "x1" << 10;
    QTest::newRow("in range with min 10") << 10 << "11" << 11;
}

void tst_ucUpDownBox::setTextConverts() {
    QFETCH(qint32, min);
    QFETCH(QString, text);
    QFETCH(qint32, expected);
    Box b(min);
    b.box->setText(text);
    QCOMPARE(b.box->Value(), expected);
    QCOMPARE(b.box->Text(), QString::number(expected));
    // Through the property system, as a profile loader might set it.
    Box viaProperty(min);
    QVERIFY(viaProperty.box->setProperty("Text", text));
    QCOMPARE(viaProperty.box->property("Value").toInt(), expected);
}

void tst_ucUpDownBox::typing_data() {
    QTest::addColumn<qint32>("min");
    QTest::addColumn<bool>("selectAll");
    QTest::addColumn<QTestEventList>("keys");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<qint32>("expectedValue");
    QTest::addColumn<int>("expectedChanges");
    QTest::addColumn<QString>("expectedSelection");

    QTestEventList letters;
    letters.addKeyClicks("abc x+.");
    QTest::newRow("letters are discarded") << 0 << false << letters << "2000" << 2000 << 0 << "";

    QTestEventList beyond;
    beyond.addKeyClicks("2100000001");
    QTest::newRow("above max becomes max")
        << 0 << true << beyond << "2100000000" << kMax << 10 << "";

    QTestEventList digits;
    digits.addKeyClicks("1234");
    QTest::newRow("digits") << 0 << true << digits << "1234" << 1234 << 4 << "";

    QTestEventList minus;
    minus.addKeyClicks("-");
    QTest::newRow("lone minus is not a number") << 0 << true << minus << "0" << 0 << 0 << "0";

    QTestEventList erase;
    for (int i = 0; i < 4; ++i)
        erase.addKeyClick(Qt::Key_Backspace);
    QTest::newRow("erasing everything") << 0 << false << erase << "0" << 0 << 3 << "0";

    QTestEventList small;
    small.addKeyClicks("5");
    QTest::newRow("below min becomes min") << 10 << true << small << "10" << 10 << 1 << "10";

    QTestEventList mixed;
    mixed.addKeyClicks("7a8");
    QTest::newRow("letters among digits") << 0 << true << mixed << "78" << 78 << 2 << "";
}

void tst_ucUpDownBox::typing() {
    QFETCH(qint32, min);
    QFETCH(bool, selectAll);
    QFETCH(QTestEventList, keys);
    QFETCH(QString, expectedText);
    QFETCH(qint32, expectedValue);
    QFETCH(int, expectedChanges);
    QFETCH(QString, expectedSelection);

    Box b(min, kMax, 2000);
    b.text->setFocus();
    if (selectAll)
        b.text->selectAll();
    else
        b.text->setCursorPosition(b.text->text().size());
    QSignalSpy changes(b.box, &ucUpDownBox::Change);
    keys.simulate(b.text);

    QCOMPARE(b.box->Text(), expectedText);
    QCOMPARE(b.box->Value(), expectedValue);
    QCOMPARE(changes.count(), expectedChanges);
    QCOMPARE(b.text->selectedText(), expectedSelection);
    if (expectedValue == kMax) QCOMPARE(b.text->cursorPosition(), expectedText.size());
}

void tst_ucUpDownBox::pasting_data() {
    QTest::addColumn<bool>("selectAll");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<qint32>("expectedValue");
    QTest::addColumn<int>("expectedChanges");

    QTest::newRow("letters over all") << true << "abc"
                                      << "0" << 0 << 0;
    QTest::newRow("letters after digits") << false << "abc"
                                          << "0" << 0 << 0;
    QTest::newRow("number over all") << true << "500"
                                     << "500" << 500 << 1;
    QTest::newRow("digits appended") << false << "5"
                                     << "20005" << 20005 << 1;
    QTest::newRow("too large") << true << "99999999999"
                               << "2100000000" << kMax << 1;
    QTest::newRow("negative") << true << "-3"
                              << "0" << 0 << 1;
    QTest::newRow("fraction kept as typed") << true << "12.6"
                                            << "12.6" << 13 << 1;
}

void tst_ucUpDownBox::pasting() {
    QFETCH(bool, selectAll);
    QFETCH(QString, clipboard);
    QFETCH(QString, expectedText);
    QFETCH(qint32, expectedValue);
    QFETCH(int, expectedChanges);

    Box b;
    b.text->setFocus();
    if (selectAll)
        b.text->selectAll();
    else
        b.text->setCursorPosition(b.text->text().size());
    QGuiApplication::clipboard()->setText(clipboard);
    QSignalSpy changes(b.box, &ucUpDownBox::Change);
    QTest::keySequence(b.text, QKeySequence::Paste);

    QCOMPARE(b.box->Text(), expectedText);
    QCOMPARE(b.box->Value(), expectedValue);
    QCOMPARE(changes.count(), expectedChanges);
}

void tst_ucUpDownBox::arrowKeys_data() {
    QTest::addColumn<qint32>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("presses");
    QTest::addColumn<qint32>("expected");

    QTest::newRow("up steps up") << 2000 << int(Qt::Key_Up) << 3 << 2003;
    QTest::newRow("down steps down") << 2000 << int(Qt::Key_Down) << 2 << 1998;
    QTest::newRow("down stops at min") << 1 << int(Qt::Key_Down) << 3 << 0;
    QTest::newRow("up stops at max") << kMax - 1 << int(Qt::Key_Up) << 3 << kMax;
}

void tst_ucUpDownBox::arrowKeys() {
    QFETCH(qint32, start);
    QFETCH(int, key);
    QFETCH(int, presses);
    QFETCH(qint32, expected);

    Box b(0, kMax, start);
    b.text->setFocus();
    b.text->setCursorPosition(1);
    QSignalSpy changes(b.box, &ucUpDownBox::Change);
    for (int i = 0; i < presses; ++i)
        QTest::keyClick(b.text, Qt::Key(key));

    QCOMPARE(b.box->Value(), expected);
    QCOMPARE(b.box->Text(), QString::number(expected));
    QCOMPARE(changes.count(), int(qAbs(qint64(expected) - start)));
}

void tst_ucUpDownBox::barArrowSteps() {
    Box b(0, kMax, 2000);
    QSignalSpy changes(b.box, &ucUpDownBox::Change);
    // The upper arrow of the bar raises the number, the lower one lowers it.
    QTest::mouseClick(b.bar, Qt::LeftButton, {}, QPoint(b.bar->width() / 2, 2));
    QTRY_COMPARE_WITH_TIMEOUT(b.box->Value(), 2001, 5000);
    QTest::mouseClick(b.bar, Qt::LeftButton, {}, QPoint(b.bar->width() / 2, b.bar->height() - 3));
    QTRY_COMPARE_WITH_TIMEOUT(b.box->Value(), 2000, 5000);
    QCOMPARE(b.box->Text(), QStringLiteral("2000"));
    QVERIFY(changes.count() >= 2);
}

void tst_ucUpDownBox::limitsKeepValueInRange() {
    Box b(0, kMax, 2000);
    QSignalSpy changes(b.box, &ucUpDownBox::Change);
    b.box->setMax(1500);
    QCOMPARE(b.box->Value(), 1500);
    QCOMPARE(b.box->Text(), QStringLiteral("1500"));
    QCOMPARE(changes.count(), 1);
    b.box->setMin(3000); // past Max: Max follows
    QCOMPARE(b.box->Max(), 3000);
    QCOMPARE(b.box->Value(), 3000);
    b.box->setValue(-7);
    QCOMPARE(b.box->Value(), 3000);
}

QTEST_MAIN(tst_ucUpDownBox)
#include "tst_ucUpDownBox.moc"
