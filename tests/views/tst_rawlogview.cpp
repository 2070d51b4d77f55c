// The raw log view and the store behind it: lines split at CR LF only, edits that touch only their
// lines (checked against the same edits made on one flat buffer), copies that keep their text
// while the original is edited, and the text box as the operator drives it with keys, the mouse,
// the clipboard and the context menu.
#include "views/RawLogView.h"

#include "core/ansi.h"

#include <QAction>
#include <QClipboard>
#include <QMenu>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QtTest>

namespace {

QStringList linesOf(const LogText& text) {
    QStringList lines;
    for (qsizetype i = 0; i < text.LineCount(); ++i)
        lines << QString::fromLatin1(text.Line(i));
    return lines;
}

// The same edit on one flat buffer, as the joined text would take it.
qsizetype flatOffset(const QByteArray& text, TextPos pos) {
    qsizetype offset = 0;
    for (qsizetype line = 0; line < pos.line; ++line)
        offset = text.indexOf("\r\n", offset) + 2;
    return offset + pos.column;
}

} // namespace

class tst_RawLogView : public QObject {
    Q_OBJECT

    RawLogView* view = nullptr;
    QWidget* window = nullptr;

    void show(const QByteArray& text) {
        view->SetLogText(LogText(text));
        view->setFocus();
    }

private slots:
    void init() {
        window = new QWidget;
        view = new RawLogView(window);
        view->resize(400, 200);
        window->resize(400, 200);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    void cleanup() { delete window; }

    void lines_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty: no rows, one line to type in")
            << QByteArray() << 0 << QStringList{""};
        QTest::newRow("one line") << QByteArray("abc") << 1 << QStringList{"abc"};
        QTest::newRow("final CR LF: empty last line")
            << QByteArray("a\r\nb\r\n") << 3 << QStringList{"a", "b", ""};
        QTest::newRow("lone CR and LF stay in their line")
            << QByteArray("a\rb\nc\r\nd") << 2 << QStringList{"a\rb\nc", "d"};
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << 2 << QStringList{"a\r", "b"};
    }
    void lines() {
        QFETCH(QByteArray, text);
        QFETCH(int, rows);
        QFETCH(QStringList, lines);
        const LogText log(text);
        QCOMPARE(log.RowCount(), rows);
        QCOMPARE(linesOf(log), lines);
        QCOMPARE(log.Size(), text.size());
        QCOMPARE(log.Bytes(), text);
    }

    void replace_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("fromLine");
        QTest::addColumn<int>("fromColumn");
        QTest::addColumn<int>("toLine");
        QTest::addColumn<int>("toColumn");
        QTest::addColumn<QByteArray>("insert");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("caretLine");
        QTest::addColumn<int>("caretColumn");
        QTest::newRow("type in a line") << QByteArray("ac") << 0 << 1 << 0 << 1 << QByteArray("b")
                                        << QByteArray("abc") << 0 << 2;
        QTest::newRow("break a line") << QByteArray("ab") << 0 << 1 << 0 << 1 << QByteArray("\r\n")
                                      << QByteArray("a\r\nb") << 1 << 0;
        QTest::newRow("join two lines") << QByteArray("a\r\nb") << 0 << 1 << 1 << 0 << QByteArray()
                                        << QByteArray("ab") << 0 << 1;
        QTest::newRow("across three lines, backwards")
            << QByteArray("ab\r\ncd\r\nef") << 2 << 1 << 0 << 1 << QByteArray("X\r\nY")
            << QByteArray("aX\r\nYf") << 1 << 1;
        QTest::newRow("a CR before meets an LF typed")
            << QByteArray("ab\r") << 0 << 3 << 0 << 3 << QByteArray("\n") << QByteArray("ab\r\n")
            << 1 << 0;
        QTest::newRow("everything away")
            << QByteArray("a\r\nb") << 0 << 0 << 1 << 1 << QByteArray() << QByteArray() << 0 << 0;
        QTest::newRow("places beyond the text are clamped")
            << QByteArray("ab\r\nc") << 7 << 9 << 7 << 9 << QByteArray("!")
            << QByteArray("ab\r\nc!") << 1 << 2;
    }
    void replace() {
        QFETCH(QByteArray, text);
        QFETCH(int, fromLine);
        QFETCH(int, fromColumn);
        QFETCH(int, toLine);
        QFETCH(int, toColumn);
        QFETCH(QByteArray, insert);
        QFETCH(QByteArray, expected);
        QFETCH(int, caretLine);
        QFETCH(int, caretColumn);
        LogText log(text);
        const LogText before = log;
        LogText::Edit edit;
        const TextPos caret =
            log.Replace({fromLine, fromColumn}, {toLine, toColumn}, insert, &edit);
        QCOMPARE(log.Bytes(), expected);
        QCOMPARE(log.Size(), expected.size());
        QCOMPARE(caret, (TextPos{caretLine, caretColumn}));
        QCOMPARE(linesOf(log), linesOf(LogText(expected)));
        QVERIFY(log.Revision() != before.Revision());
        QCOMPARE(before.Bytes(), text); // a copy keeps the text it had
        log.Apply(edit, true);
        QCOMPARE(log.Bytes(), text);
        log.Apply(edit, false);
        QCOMPARE(log.Bytes(), expected);
    }

    // Lines added at the end: the text is the joined one, and it knows which lines are new.
    void append_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("added");
        QTest::addColumn<int>("firstNew");
        QTest::newRow("after a final line break")
            << QByteArray("a\r\nb\r\n") << QByteArray("c\r\nd\r\n") << 2;
        QTest::newRow("a half line completed") << QByteArray("a\r\nb") << QByteArray("c\r\n") << 1;
        QTest::newRow("to an empty text") << QByteArray() << QByteArray("x\r\n") << 0;
        QTest::newRow("a CR meets its LF") << QByteArray("a\r") << QByteArray("\nb") << 0;
    }
    void append() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, added);
        QFETCH(int, firstNew);
        LogText log(text);
        const quint64 base = log.Revision();
        log.Append(added.left(1));
        log.Append(added.mid(1)); // a run of appends still grew from the first text
        QCOMPARE(log.Bytes(), text + added);
        QCOMPARE(linesOf(log), linesOf(LogText(text + added)));
        qsizetype first = -1;
        QVERIFY(log.GrewFrom(base, &first));
        QCOMPARE(first, firstNew);
        log.Replace({0, 0}, {0, 0}, "!");
        QVERIFY(!log.GrewFrom(base, &first)); // an edit is no growth
    }

    // New lines keep the operator's place, and a view at the end follows the end.
    void appendKeepsThePlace() {
        show(QByteArray("line\r\n").repeated(100));
        view->Select({3, 1}, {3, 2});
        view->AppendLogText(QByteArray("new\r\n").repeated(50));
        QCOMPARE(view->TopLine(), 0);
        QCOMPARE(view->SelectedBytes(), QByteArray("i"));
        QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
        const int bottom = view->verticalScrollBar()->value();
        view->AppendLogText(QByteArray("more\r\n").repeated(50));
        QCOMPARE(view->verticalScrollBar()->value(), bottom + 50);
        QCOMPARE(view->logText().RowCount(), 201);
    }

    // Many random edits, each undone and redone now and then, against a flat buffer.
    void randomEditsMatchAFlatBuffer() {
        QRandomGenerator random(2024);
        const QByteArray alphabet("ab\r\n\r\nxyz\xE9");
        QByteArray flat("first\r\nsecond\r\nthird");
        LogText log(flat);
        std::vector<LogText> snapshots;
        std::vector<QByteArray> snapshotBytes;
        for (int i = 0; i < 3000; ++i) {
            const auto pick = [&] {
                const qsizetype line = random.bounded(int(log.LineCount()));
                return TextPos{line, random.bounded(int(log.Line(line).size()) + 1)};
            };
            TextPos from = pick(), to = pick();
            if (to < from) std::swap(from, to);
            QByteArray insert;
            for (int n = random.bounded(4); n > 0; --n)
                insert += alphabet[random.bounded(int(alphabet.size()))];
            const qsizetype a = flatOffset(flat, from), b = flatOffset(flat, to);
            flat.replace(a, b - a, insert);
            LogText::Edit edit;
            log.Replace(from, to, insert, &edit);
            QCOMPARE(log.Bytes(), flat);
            QCOMPARE(log.Size(), flat.size());
            if (i % 7 == 0) {
                log.Apply(edit, true);
                log.Apply(edit, false);
                QCOMPARE(log.Bytes(), flat);
            }
            if (i % 500 == 0) {
                snapshots.push_back(log);
                snapshotBytes.push_back(flat);
            }
        }
        for (size_t i = 0; i < snapshots.size(); ++i)
            QCOMPARE(snapshots[i].Bytes(), snapshotBytes[i]);
    }

    void keys_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("keys"); // one key per character, see below
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QByteArray>("selected");
        // Letters are typed; < > ^ v arrows; { } Home End; [ ] Ctrl+Home Ctrl+End; B Backspace;
        // D Delete; E Enter; S Shift+Right; s Shift+Left; A Ctrl+A; U Ctrl+Z; R Ctrl+Y;
        // W Shift+Down.
        QTest::newRow("typing at the start")
            << QByteArray("abc") << "xy" << QByteArray("xyabc") << QByteArray();
        QTest::newRow("end of line, Enter, type")
            << QByteArray("ab\r\ncd") << "}Ez" << QByteArray("ab\r\nz\r\ncd") << QByteArray();
        QTest::newRow("Backspace joins lines")
            << QByteArray("ab\r\ncd") << "vB" << QByteArray("abcd") << QByteArray();
        QTest::newRow("Delete at the end of a line joins")
            << QByteArray("ab\r\ncd") << "}D" << QByteArray("abcd") << QByteArray();
        QTest::newRow("Shift+Right selects, typing replaces")
            << QByteArray("abcd") << ">SSq" << QByteArray("aqd") << QByteArray();
        QTest::newRow("selection over a line break")
            << QByteArray("ab\r\ncd") << "}SS" << QByteArray("ab\r\ncd") << QByteArray("\r\nc");
        QTest::newRow("Shift+Down keeps the column")
            << QByteArray("abc\r\ndef") << ">W" << QByteArray("abc\r\ndef")
            << QByteArray("bc\r\nd");
        QTest::newRow("Ctrl+A, then Backspace")
            << QByteArray("a\r\nb") << "AB" << QByteArray() << QByteArray();
        QTest::newRow("Ctrl+End types after the last line")
            << QByteArray("a\r\nb\r\n") << "]z" << QByteArray("a\r\nb\r\nz") << QByteArray();
        QTest::newRow("typing undone as one step, then redone")
            << QByteArray("a") << "]xyzU" << QByteArray("a") << QByteArray();
        QTest::newRow("undo and redo")
            << QByteArray("a") << "]xyzUR" << QByteArray("axyz") << QByteArray();
        QTest::newRow("Backspace at the very start does nothing")
            << QByteArray("ab") << "[B" << QByteArray("ab") << QByteArray();
        QTest::newRow("a high character typed as one byte")
            << QByteArray("a") << "]é" << QByteArray("a\xE9") << QByteArray();
    }
    void keys() {
        QFETCH(QByteArray, text);
        QFETCH(QString, keys);
        QFETCH(QByteArray, expected);
        QFETCH(QByteArray, selected);
        show(text);
        const QMap<QChar, QPair<Qt::Key, Qt::KeyboardModifiers>> special = {
            {'<', {Qt::Key_Left, {}}},
            {'>', {Qt::Key_Right, {}}},
            {'^', {Qt::Key_Up, {}}},
            {'v', {Qt::Key_Down, {}}},
            {'{', {Qt::Key_Home, {}}},
            {'}', {Qt::Key_End, {}}},
            {'[', {Qt::Key_Home, Qt::ControlModifier}},
            {']', {Qt::Key_End, Qt::ControlModifier}},
            {'B', {Qt::Key_Backspace, {}}},
            {'D', {Qt::Key_Delete, {}}},
            {'E', {Qt::Key_Return, {}}},
            {'S', {Qt::Key_Right, Qt::ShiftModifier}},
            {'s', {Qt::Key_Left, Qt::ShiftModifier}},
            {'W', {Qt::Key_Down, Qt::ShiftModifier}},
            {'A', {Qt::Key_A, Qt::ControlModifier}},
            {'U', {Qt::Key_Z, Qt::ControlModifier}},
            {'R', {Qt::Key_Y, Qt::ControlModifier}},
        };
        for (const QChar key : keys) {
            if (special.contains(key))
                QTest::keyClick(view, special[key].first, special[key].second);
            else
                QTest::sendKeyEvent(QTest::Click, view, Qt::Key_unknown, QString(key), {});
        }
        QCOMPARE(view->logText().Bytes(), expected);
        QCOMPARE(view->SelectedBytes(), selected);
        QCOMPARE(view->Text(), ov::fromAnsi(expected));
    }

    void clipboardRoundTrip() {
        show("alpha\r\nbeta\r\ngamma");
        view->Select({0, 2}, {2, 3});
        view->Copy();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("pha\nbeta\ngam"));
        view->Cut();
        QCOMPARE(view->logText().Bytes(), QByteArray("alma"));
        view->Select({0, 4}, {0, 4});
        view->Paste();
        QCOMPARE(view->logText().Bytes(), QByteArray("almapha\r\nbeta\r\ngam"));
        view->Undo();
        view->Undo();
        QCOMPARE(view->logText().Bytes(), QByteArray("alpha\r\nbeta\r\ngamma"));
        QCOMPARE(view->SelectedBytes(), QByteArray("pha\r\nbeta\r\ngam"));
    }

    void mouseSelects() {
        show("first line\r\nsecond line\r\nthird");
        const QPoint start = view->PointOf({0, 6}) + QPoint(1, 3);
        const QPoint end = view->PointOf({1, 6}) + QPoint(1, 3);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, start);
        QMouseEvent move(QEvent::MouseMove, end, view->viewport()->mapToGlobal(end), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(view->viewport(), &move);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, end);
        QCOMPARE(view->SelectedBytes(), QByteArray("line\r\nsecond"));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          view->PointOf({2, 3}) + QPoint(1, 3));
        QCOMPARE(view->SelectedBytes(), QByteArray("line\r\nsecond line\r\nthi"));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                           view->PointOf({1, 2}) + QPoint(1, 3));
        QCOMPARE(view->SelectedBytes(), QByteArray("second"));
    }

    void contextMenuInSpanish() {
        show("abc");
        view->Select({0, 0}, {0, 1});
        std::unique_ptr<QMenu> menu(view->CreateContextMenu(nullptr));
        QStringList enabled, disabled;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) continue;
            (action->isEnabled() ? enabled : disabled) << action->text().remove(u'&');
        }
        QCOMPARE(disabled, (QStringList{"Deshacer", "Rehacer"}));
        QCOMPARE(enabled.mid(0, 2), (QStringList{"Cortar", "Copiar"}));
        QVERIFY(enabled.contains("Eliminar") && enabled.contains("Seleccionar todo"));
        menu->actions().at(3)->trigger(); // Cortar
        QCOMPARE(view->logText().Bytes(), QByteArray("bc"));
    }

    // A line of a megabyte scrolls sideways to its caret, and the rows count every line.
    void longLinesAndManyLines() {
        QByteArray text(1 << 20, 'x');
        text += "\r\n";
        text += QByteArray("line\r\n").repeated(100000);
        show(text);
        QCOMPARE(view->verticalScrollBar()->maximum() + view->verticalScrollBar()->pageStep() - 1,
                 100001);
        QTest::keyClick(view, Qt::Key_End);
        QVERIFY(view->horizontalScrollBar()->value() > (1 << 20) - 200);
        QTest::keyClicks(view, "!");
        QCOMPARE(view->logText().Line(0).size(), (1 << 20) + 1);
        QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view->TopLine(), 100002 - view->verticalScrollBar()->pageStep());
    }
};

QTEST_MAIN(tst_RawLogView)
#include "tst_rawlogview.moc"
