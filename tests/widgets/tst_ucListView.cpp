// The list view as the "Tabla" view drives it: its four columns, rows added and filled item by
// item, a million virtual rows, the cell colours answered by the owner, and the smaller
// operations on items (find, select, sort, remove) and the events of the user's clicks.
#include "widgets/ucListView.h"

#include "views/LogTable.h"
#include "views/modColor.h"
#include "views/modUserColor.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <memory>

namespace {

struct Column {
    const char* text;
    int width;
};
constexpr Column kTableColumns[] = {
    {"Archivo", 200}, {"Tamaño", 80}, {"Host", 150}, {"Agente", 400}};

// A shown list set up as the table view sets it up.
struct List {
    std::unique_ptr<ucListView> lv = std::make_unique<ucListView>();
    QTableView* table = lv->findChild<QTableView*>();

    List() {
        lv->Initialize();
        lv->setViewMode(1);
        lv->setBorderStyle(2);
        lv->setGridLines(true);
        lv->setFullRowSelect(true);
        for (int c = 0; c < 4; ++c)
            lv->ColumnAdd(c, QString::fromUtf8(kTableColumns[c].text), kTableColumns[c].width);
        lv->resize(700, 300);
        lv->show();
    }

    // Rows of "r<i>c<j>" texts.
    void fill(int rows) {
        for (int i = 0; i < rows; ++i) {
            lv->ItemAdd(i, QStringLiteral("r%1c0").arg(i), 0, 0);
            for (int j = 1; j < 4; ++j)
                lv->setSubItemText(i, j, QStringLiteral("r%1c%2").arg(i).arg(j));
        }
    }

    QString shown(int row, int column) const {
        return table->model()->index(row, column).data(Qt::DisplayRole).toString();
    }
};

// The regions the viewport is painted in.
class PaintedRegions : public QObject {
public:
    explicit PaintedRegions(QWidget* viewport) : QObject(viewport) {
        viewport->installEventFilter(this);
    }
    QRegion region;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

// The corpus from its 21st line on, where hosts take turns, as rows of the table.
LogTable corpusTable(int lines) {
    QFile file(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return LogTable(LogText(file.readAll().split('\n').mid(20, lines).join("\r\n")));
}

} // namespace

class tst_ucListView : public QObject {
    Q_OBJECT

private slots:
    void columnsOfTheTable();
    void columnInsertedInFront();
    void itemsAndSubItems();
    void itemAddPositions_data();
    void itemAddPositions();
    void outOfRangeCells_data();
    void outOfRangeCells();
    void clearEmpties();
    void millionVirtualRows();
    void virtualModeEnds();
    void prePaintColours_data();
    void prePaintColours();
    void prePaintAskedOnlyWhenPainting();
    void hostColoursHoldOnScreen();
    void hoverRepaintsOnlyWithAHoverEffect_data();
    void hoverRepaintsOnlyWithAHoverEffect();
    void ensureVisibleOutOfRange_data();
    void ensureVisibleOutOfRange();
    void ensureVisibleScrolls();
    void findText_data();
    void findText();
    void selection();
    void sort_data();
    void sort();
    void itemRemove();
    void clicks();
    void checkBoxes();
    void imageStripsAndIcons();
    void labelEdit_data();
    void labelEdit();
};

void tst_ucListView::columnsOfTheTable() {
    List l;
    QCOMPARE(l.lv->ColumnCount(), 4);
    QHeaderView* header = l.table->horizontalHeader();
    QVERIFY(header->isVisible());
    for (int c = 0; c < 4; ++c) {
        const QString text = QString::fromUtf8(kTableColumns[c].text);
        QCOMPARE(l.table->model()->headerData(c, Qt::Horizontal).toString(), text);
        QCOMPARE(l.lv->ColumnText(c), text);
        QCOMPARE(header->sectionSize(c), kTableColumns[c].width);
        QCOMPARE(l.lv->ColumnWidth(c), kTableColumns[c].width);
    }
    QCOMPARE(l.lv->ColumnWidth(4), -1);
    QVERIFY(l.table->showGrid());
    QCOMPARE(l.table->selectionBehavior(), QAbstractItemView::SelectRows);
}

void tst_ucListView::columnInsertedInFront() {
    List l;
    l.fill(2);
    QVERIFY(l.lv->ColumnAdd(1, QStringLiteral("Nueva"), 33, 1));
    QCOMPARE(l.lv->ColumnCount(), 5);
    QCOMPARE(l.lv->ColumnText(1), QStringLiteral("Nueva"));
    QCOMPARE(l.lv->ColumnText(2), QStringLiteral("Tamaño"));
    QCOMPARE(l.lv->ColumnWidth(1), 33);
    QCOMPARE(l.lv->ColumnWidth(2), 80);
    QCOMPARE(l.lv->SubItemText(1, 1), QString());
    QCOMPARE(l.lv->SubItemText(1, 2), QStringLiteral("r1c1"));
    const auto align =
        l.table->model()->index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
    QVERIFY(align & Qt::AlignRight);
    QVERIFY(l.lv->ColumnRemove(1));
    QCOMPARE(l.lv->SubItemText(1, 1), QStringLiteral("r1c1"));
    QVERIFY(!l.lv->ColumnRemove(7));
}

void tst_ucListView::itemsAndSubItems() {
    List l;
    l.fill(3);
    QCOMPARE(l.lv->Count(), 3);
    QCOMPARE(l.lv->property("Count").toInt(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(l.lv->ItemText(i), QStringLiteral("r%1c0").arg(i));
        for (int j = 0; j < 4; ++j) {
            const QString expected = QStringLiteral("r%1c%2").arg(i).arg(j);
            QCOMPARE(l.lv->SubItemText(i, j), expected);
            QCOMPARE(l.shown(i, j), expected);
        }
    }
    l.lv->setItemText(1, QStringLiteral("-"));
    QCOMPARE(l.shown(1, 0), QStringLiteral("-"));
    QVERIFY(l.lv->SubItemSet(2, 3, QStringLiteral("Mozilla/5.0")));
    QCOMPARE(l.shown(2, 3), QStringLiteral("Mozilla/5.0"));
}

void tst_ucListView::itemAddPositions_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("expectedRow");
    QTest::newRow("at the end") << 3 << 3;
    QTest::newRow("beyond the end") << 40 << 3;
    QTest::newRow("minus one") << -1 << 3;
    QTest::newRow("in front") << 0 << 0;
    QTest::newRow("in the middle") << 2 << 2;
}

void tst_ucListView::itemAddPositions() {
    QFETCH(int, position);
    QFETCH(int, expectedRow);
    List l;
    l.fill(3);
    QVERIFY(l.lv->ItemAdd(position, QStringLiteral("new"), 0, 0));
    QCOMPARE(l.lv->Count(), 4);
    QCOMPARE(l.lv->ItemText(expectedRow), QStringLiteral("new"));
    QCOMPARE(l.lv->SubItemText(expectedRow, 2), QString());
    // The rows that were there keep their sub-items, in order.
    int old = 0;
    for (int i = 0; i < 4; ++i) {
        if (i == expectedRow) continue;
        QCOMPARE(l.lv->SubItemText(i, 2), QStringLiteral("r%1c2").arg(old));
        ++old;
    }
}

void tst_ucListView::outOfRangeCells_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<int>("subItem");
    QTest::newRow("item -1") << -1 << 0;
    QTest::newRow("item past the end") << 2 << 1;
    QTest::newRow("sub-item -1") << 0 << -1;
    QTest::newRow("sub-item past the columns") << 0 << 4;
}

void tst_ucListView::outOfRangeCells() {
    QFETCH(int, item);
    QFETCH(int, subItem);
    List l;
    l.fill(2);
    l.lv->setSubItemText(item, subItem, QStringLiteral("x"));
    QCOMPARE(l.lv->SubItemText(item, subItem), QString());
    QVERIFY(!l.lv->SubItemSet(item, subItem, QStringLiteral("x")));
    QCOMPARE(l.lv->Count(), 2);
    QCOMPARE(l.lv->ItemText(1), QStringLiteral("r1c0"));
}

void tst_ucListView::clearEmpties() {
    List l;
    l.fill(5);
    QVERIFY(l.lv->Clear());
    QCOMPARE(l.lv->Count(), 0);
    QCOMPARE(l.table->model()->rowCount(), 0);
    QCOMPARE(l.lv->ColumnCount(), 4); // the columns stay
    l.fill(1);
    QCOMPARE(l.shown(0, 3), QStringLiteral("r0c3"));
}

void tst_ucListView::millionVirtualRows() {
    List l;
    constexpr int kRows = 1000000;
    int asked = 0;
    l.lv->SetVirtualItems(kRows, [&asked](int item, int sub) {
        ++asked;
        return QStringLiteral("%1/%2").arg(item).arg(sub);
    });
    QCOMPARE(l.lv->Count(), kRows);
    QVERIFY(l.lv->IsVirtual());
    QCOMPARE(l.lv->SubItemText(765432, 2), QStringLiteral("765432/2"));
    QCOMPARE(l.shown(999999, 3), QStringLiteral("999999/3"));

    asked = 0;
    QVERIFY(l.lv->ItemEnsureVisible(kRows - 1));
    QApplication::processEvents();
    l.lv->grab();
    // Only what is shown is asked for: a screenful of cells, not a million rows.
    QVERIFY2(asked > 0 && asked < 2000, qPrintable(QString::number(asked)));
    const int y = l.table->rowViewportPosition(kRows - 1);
    QVERIFY(y >= 0 && y + l.table->rowHeight(kRows - 1) <= l.table->viewport()->height());
    QCOMPARE(l.table->rowHeight(0), l.table->rowHeight(kRows - 1));

    // Scrolling through the middle asks for the rows shown there.
    asked = 0;
    l.table->verticalScrollBar()->setValue(l.table->verticalScrollBar()->maximum() / 2);
    l.lv->grab();
    QVERIFY(asked > 0 && asked < 2000);
    const int top = l.table->rowAt(0);
    QVERIFY(top > kRows / 2 - 100 && top < kRows / 2 + 100);
}

void tst_ucListView::virtualModeEnds() {
    List l;
    l.lv->SetVirtualItems(10, [](int, int) { return QStringLiteral("v"); });
    QVERIFY(!l.lv->ItemAdd(0, QStringLiteral("real"), 0, 0)); // virtual rows are the owner's
    l.lv->setSubItemText(0, 1, QStringLiteral("x"));
    QCOMPARE(l.lv->SubItemText(0, 1), QStringLiteral("v"));
    QVERIFY(l.lv->Clear());
    QVERIFY(!l.lv->IsVirtual());
    QVERIFY(l.lv->ItemAdd(0, QStringLiteral("real"), 0, 0));
    QCOMPARE(l.lv->Count(), 1);
    l.lv->SetVirtualItems(5, nullptr); // no answers: no rows
    QCOMPARE(l.lv->Count(), 0);
}

void tst_ucListView::prePaintColours_data() {
    QTest::addColumn<bool>("raise");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("coloured");
    QTest::newRow("even row coloured") << true << 0 << true;
    QTest::newRow("odd row left alone") << true << 1 << false;
    QTest::newRow("even row, event off") << false << 2 << false;
}

// A handler in the manner of the table's: even rows get a background and a text colour of their
// own. The cells are empty but for the first, so that the background shows clear of text.
void tst_ucListView::prePaintColours() {
    QFETCH(bool, raise);
    QFETCH(int, row);
    QFETCH(bool, coloured);
    List l;
    l.lv->setGridLines(false);
    for (int i = 0; i < 4; ++i)
        l.lv->ItemAdd(i, QStringLiteral("MMMMMMMM"), 0, 0);
    l.lv->setRaiseSubItemPrePaint(raise);
    QList<QPoint> asked;
    connect(l.lv.get(), &ucListView::OnSubItemPrePaint, l.lv.get(),
            [&](int item, int sub, SubItemColors* colors) {
                asked.append({item, sub});
                QCOMPARE(colors->BackColor, l.lv->BackColor());
                QCOMPARE(colors->TextColor, l.lv->ForeColor());
                if (item % 2 == 0) {
                    colors->BackColor = RGBColor(250, 250, 0);
                    colors->TextColor = RGBColor(0, 0, 255);
                    colors->Handled = true;
                }
            });
    const QImage image = l.table->viewport()->grab().toImage();
    const int top = l.table->rowViewportPosition(row);
    const QColor back(image.pixel(l.table->columnViewportPosition(2) + 20, top + 3));
    QCOMPARE(back, coloured ? QColor(250, 250, 0) : ToQColor(l.lv->BackColor()));
    bool blueText = false;
    for (int x = 0; x < l.table->columnWidth(0); ++x) {
        for (int y = top; y < top + l.table->rowHeight(row); ++y) {
            const QColor c(image.pixel(x, y));
            blueText = blueText || (c.blue() > 200 && c.red() < 60 && c.green() < 60);
        }
    }
    QCOMPARE(blueText, coloured);
    for (int column = 0; column < 4; ++column)
        QCOMPARE(asked.count(QPoint(row, column)), raise ? 1 : 0);
}

// The view reads the model's roles for size hints, tool tips and the like; only painting a cell
// asks its owner for colours.
void tst_ucListView::prePaintAskedOnlyWhenPainting() {
    List l;
    l.fill(3);
    l.lv->setRaiseSubItemPrePaint(true);
    int asked = 0;
    connect(l.lv.get(), &ucListView::OnSubItemPrePaint, l.lv.get(),
            [&](int, int, SubItemColors* colors) {
                ++asked;
                colors->Handled = true;
            });
    QCoreApplication::processEvents();
    asked = 0;
    const QModelIndex cell = l.table->model()->index(1, 2);
    for (const int role : {int(Qt::DisplayRole), int(Qt::BackgroundRole), int(Qt::ForegroundRole),
                           int(Qt::FontRole), int(Qt::SizeHintRole)})
        cell.data(role);
    l.table->itemDelegate()->sizeHint(QStyleOptionViewItem(), cell);
    l.lv->ColumnAutosize(2, 0);
    QCOMPARE(asked, 0);
    l.table->viewport()->grab();
    QCOMPARE(asked, 3 * 4);
}

// With user colours on, painting row 0 empties the registry of user colours, and hosts take turns
// on screen. However the list got to its first screen, whatever the pointer crosses and wherever
// the focus goes, every row on screen must show its host's one colour.
void tst_ucListView::hostColoursHoldOnScreen() {
    InitUserColors();
    const LogTable table = corpusTable(200);
    QCOMPARE(table.Count(), 200);
    List l;
    l.lv->setRaiseSubItemPrePaint(true);
    connect(l.lv.get(), &ucListView::OnSubItemPrePaint, l.lv.get(),
            [&](int item, int, SubItemColors* colors) {
                const CellColors c = table.PrePaint(item, true, false,
                                                    {colors->BackColor, colors->TextColor, false});
                *colors = {c.BackColor, c.TextColor, c.Handled};
            });
    // Filled as the table fills it: the last row shown, then the list made larger.
    l.lv->SetVirtualItems(table.Count(), [&](int item, int sub) { return table.Cell(item, sub); });
    l.lv->ItemEnsureVisible(table.Count() - 1);
    QVERIFY(QTest::qWaitForWindowExposed(l.lv.get()));

    QWidget* viewport = l.table->viewport();
    auto centre = [&](int row) {
        return l.table->rowViewportPosition(row) + l.table->rowHeight(row) / 2;
    };
    auto lastShown = [&] {
        const int row = l.table->rowAt(viewport->height() - 1);
        return centre(row) < viewport->height() ? row : row - 1;
    };
    // Down over every row on screen, then back to the first and to others further down.
    auto crossRows = [&] {
        const int last = lastShown();
        QList<int> path;
        for (int row = 0; row <= last; ++row)
            path << row;
        path << 0 << last / 2 << 0 << last << 1;
        for (const int row : path) {
            QTest::mouseMove(viewport, QPoint(50, centre(row)));
            QCoreApplication::processEvents();
        }
    };
    l.lv->resize(720, 420);
    QCoreApplication::processEvents();
    // Back to the top a few pixels at a time, as the wheel scrolls.
    QScrollBar* bar = l.table->verticalScrollBar();
    while (bar->value() > 0) {
        bar->setValue(bar->value() - 7);
        QCoreApplication::processEvents();
    }
    crossRows();
    // Choosing a row, then row 0, repaints those two rows only.
    for (const int row : {9, 0}) {
        l.lv->setItemSelected(row, true);
        QCoreApplication::processEvents();
    }

    // What the screen shows, not a new paint: the window's backing store. The rows of a host
    // after its first must show its first row's colour.
    const int x = l.table->columnViewportPosition(1) + l.table->columnWidth(1) - 4; // past the size
    int repeated = 0;
    auto mismatches = [&] {
        const QImage shot = l.lv->screen()->grabWindow(l.lv->winId()).toImage();
        QHash<QString, QColor> colourOfHost;
        QStringList wrong;
        repeated = 0;
        for (int row = 1; row <= lastShown(); ++row) { // row 0 shows the selection's colour
            const QString host = table.Cell(row, 2);
            const QColor shown(shot.pixel(viewport->mapTo(l.lv.get(), QPoint(x, centre(row)))));
            const auto first = colourOfHost.constFind(host);
            if (first == colourOfHost.constEnd()) {
                colourOfHost.insert(host, shown);
                continue;
            }
            ++repeated;
            if (shown != *first)
                wrong << QStringLiteral("row %1 (%2): %3, not %4")
                             .arg(row)
                             .arg(host, shown.name(), first->name());
        }
        return wrong;
    };
    QTRY_COMPARE(mismatches(), QStringList());
    QVERIFY(repeated >= 10); // hosts do come back on screen
}

void tst_ucListView::hoverRepaintsOnlyWithAHoverEffect_data() {
    QTest::addColumn<QString>("effect");
    QTest::addColumn<bool>("repaints");
    QTest::newRow("none") << QString() << false;
    QTest::newRow("UnderlineHot") << QStringLiteral("UnderlineHot") << true;
    QTest::newRow("TrackSelect") << QStringLiteral("TrackSelect") << true;
}

void tst_ucListView::hoverRepaintsOnlyWithAHoverEffect() {
    QFETCH(QString, effect);
    QFETCH(bool, repaints);
    List l;
    l.fill(10);
    if (!effect.isEmpty()) l.lv->setProperty(effect.toLatin1(), true);
    QVERIFY(QTest::qWaitForWindowExposed(l.lv.get()));
    QWidget* viewport = l.table->viewport();
    const auto* painted = new PaintedRegions(viewport);
    const QRect row5(0, l.table->rowViewportPosition(5), viewport->width(), l.table->rowHeight(5));
    QTest::mouseMove(viewport, QPoint(50, l.table->rowViewportPosition(2) + 3));
    QTest::mouseMove(viewport, row5.center());
    // Updates asked for so far are painted together with this one.
    const QRect corner(viewport->width() - 1, viewport->height() - 1, 1, 1);
    viewport->update(corner);
    QTRY_VERIFY(painted->region.contains(corner));
    QCOMPARE(painted->region.intersects(row5), repaints);
}

void tst_ucListView::ensureVisibleOutOfRange_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("item");
    QTest::newRow("empty list, -1") << 0 << -1;
    QTest::newRow("empty list, 0") << 0 << 0;
    QTest::newRow("past the end") << 5 << 5;
    QTest::newRow("far negative") << 5 << -40000;
}

void tst_ucListView::ensureVisibleOutOfRange() {
    QFETCH(int, rows);
    QFETCH(int, item);
    List l;
    l.fill(rows);
    const int before = l.table->verticalScrollBar()->value();
    QVERIFY(!l.lv->ItemEnsureVisible(item));
    QCOMPARE(l.table->verticalScrollBar()->value(), before);
    QCOMPARE(l.lv->Count(), rows);
}

void tst_ucListView::ensureVisibleScrolls() {
    List l;
    l.fill(300);
    QVERIFY(l.lv->ItemEnsureVisible(l.lv->Count() - 1));
    QApplication::processEvents();
    const int y = l.table->rowViewportPosition(299);
    QVERIFY(y >= 0 && y < l.table->viewport()->height());
    QVERIFY(l.table->rowAt(0) > 0);
}

void tst_ucListView::findText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("coincidence");
    QTest::addColumn<int>("expected");
    QTest::newRow("whole text") << "r2c0" << -1 << 0 << 2;
    QTest::newRow("ignores case") << "R3C0" << -1 << 0 << 3;
    QTest::newRow("start is skipped") << "r2c0" << 2 << 0 << -1;
    QTest::newRow("prefix needs partial") << "r1" << -1 << 0 << -1;
    QTest::newRow("partial") << "r1" << -1 << 1 << 1;
    QTest::newRow("partial after start") << "r1" << 1 << 1 << 10;
    QTest::newRow("absent") << "zz" << -1 << 1 << -1;
}

void tst_ucListView::findText() {
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, coincidence);
    QFETCH(int, expected);
    List l;
    l.fill(12);
    QCOMPARE(l.lv->ItemFindText(text, start, coincidence), expected);
}

void tst_ucListView::selection() {
    List l;
    l.fill(6);
    l.lv->setMultiSelect(true);
    l.lv->setItemSelected(1, true);
    l.lv->setItemSelected(4, true);
    l.lv->setItemFocused(4, true);
    QVERIFY(l.lv->ItemSelected(1));
    QVERIFY(!l.lv->ItemSelected(2));
    QCOMPARE(l.lv->SelectedCount(), 2);
    QCOMPARE(l.lv->ItemFindState(-1, 2), 1);
    QCOMPARE(l.lv->ItemFindState(1, 2), 4);
    QCOMPARE(l.lv->ItemFindState(-1, 1 | 2), 4);
    l.lv->setItemSelected(1, false);
    QCOMPARE(l.lv->SelectedCount(), 1);
    l.lv->setMultiSelect(false);
    l.lv->setItemSelected(2, true);
    QCOMPARE(l.lv->SelectedCount(), 1);
    QVERIFY(l.lv->ItemSelected(2));
}

void tst_ucListView::sort_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("order");
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("text ascending")
        << QStringList{"b", "C", "a"} << 0 << 0 << QStringList{"a", "b", "C"};
    QTest::newRow("text descending")
        << QStringList{"b", "C", "a"} << 1 << 0 << QStringList{"C", "b", "a"};
    QTest::newRow("numbers") << QStringList{"10 KB", "9 bytes", "100 MB"} << 0 << 1
                             << QStringList{"9 bytes", "10 KB", "100 MB"};
}

void tst_ucListView::sort() {
    QFETCH(QStringList, texts);
    QFETCH(int, order);
    QFETCH(int, type);
    QFETCH(QStringList, expected);
    List l;
    for (int i = 0; i < texts.size(); ++i) {
        l.lv->ItemAdd(i, QStringLiteral("item%1").arg(i), 0, 0);
        l.lv->setSubItemText(i, 1, texts[i]);
    }
    QVERIFY(l.lv->Sort(1, order, type));
    QStringList sorted;
    for (int i = 0; i < texts.size(); ++i) {
        sorted << l.lv->SubItemText(i, 1);
        // Each row's other texts travel with it.
        QCOMPARE(l.lv->ItemText(i), QStringLiteral("item%1").arg(texts.indexOf(sorted.last())));
    }
    QCOMPARE(sorted, expected);
}

void tst_ucListView::itemRemove() {
    List l;
    l.fill(3);
    QVERIFY(l.lv->ItemRemove(1));
    QCOMPARE(l.lv->Count(), 2);
    QCOMPARE(l.lv->SubItemText(1, 3), QStringLiteral("r2c3"));
    QVERIFY(!l.lv->ItemRemove(2));
    QVERIFY(!l.lv->ItemRemove(-1));
}

void tst_ucListView::clicks() {
    List l;
    l.fill(5);
    QSignalSpy columnClicks(l.lv.get(), &ucListView::ColumnClick);
    QSignalSpy itemClicks(l.lv.get(), &ucListView::ItemClick);
    QSignalSpy mouseDowns(l.lv.get(), &ucListView::MouseDown);
    QHeaderView* header = l.table->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 20, header->height() / 2));
    QCOMPARE(columnClicks.count(), 1);
    QCOMPARE(columnClicks.at(0).at(0).toInt(), 2);

    const QPoint cell(l.table->columnViewportPosition(1) + 10, l.table->rowViewportPosition(3) + 3);
    QTest::mouseClick(l.table->viewport(), Qt::LeftButton, {}, cell);
    QCOMPARE(itemClicks.count(), 1);
    QCOMPARE(itemClicks.at(0).at(0).toInt(), 3);
    QVERIFY(l.lv->ItemSelected(3));
    QCOMPARE(mouseDowns.count(), 1);
    QCOMPARE(mouseDowns.at(0).at(0).toInt(), 1); // left button
    const QPoint inControl = l.table->viewport()->mapTo(l.lv.get(), cell);
    QCOMPARE(mouseDowns.at(0).at(2).toInt(), inControl.x());
    QCOMPARE(mouseDowns.at(0).at(3).toInt(), inControl.y());
    QCOMPARE(l.lv->ItemHitTest(inControl.x(), inControl.y()), 3);
    QCOMPARE(l.lv->ItemHitTest(inControl.x(), 5000), -1);
}

void tst_ucListView::checkBoxes() {
    List l;
    l.fill(3);
    l.lv->setCheckBoxes(true);
    QSignalSpy checks(l.lv.get(), &ucListView::ItemCheck);
    QVERIFY(!l.lv->ItemChecked(1));
    QVERIFY(
        l.table->model()->setData(l.table->model()->index(1, 0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(l.lv->ItemChecked(1));
    QCOMPARE(checks.count(), 1);
    QCOMPARE(checks.at(0).at(0).toInt(), 1);
    QCOMPARE(checks.at(0).at(1).toBool(), true);
    l.lv->setItemChecked(2, true); // from code: no event
    QCOMPARE(checks.count(), 1);
    QCOMPARE(l.table->model()->index(2, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
}

void tst_ucListView::imageStripsAndIcons() {
    List l;
    l.lv->InitializeImageListSmall(16, 16);
    QImage strip(48, 16, QImage::Format_RGB32); // three images side by side
    strip.fill(QColor(255, 0, 255));
    strip.setPixel(20, 5, qRgb(0, 0, 0));
    QVERIFY(l.lv->ImageListSmall_AddBitmap(strip, RGBColor(255, 0, 255)));
    QVERIFY(!l.lv->ImageListSmall_AddBitmap(QImage()));
    l.fill(2);
    l.lv->setItemIcon(0, 1);
    l.lv->setItemIcon(1, 7); // no such image
    const QImage icon =
        l.table->model()->index(0, 0).data(Qt::DecorationRole).value<QPixmap>().toImage();
    QCOMPARE(icon.size(), QSize(16, 16));
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0); // the mask colour is transparent
    QCOMPARE(QColor(icon.pixel(4, 5)), QColor(0, 0, 0));
    QVERIFY(!l.table->model()->index(1, 0).data(Qt::DecorationRole).isValid());
    QVERIFY(l.table->verticalHeader()->defaultSectionSize() >= 18);
}

void tst_ucListView::labelEdit_data() {
    QTest::addColumn<int>("cancelBefore");
    QTest::addColumn<int>("cancelAfter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("accepted, handler changes it") << 0 << 0 << "NEW";
    QTest::newRow("refused afterwards") << 0 << 1 << "r1c0";
    QTest::newRow("refused before") << 1 << 0 << "r1c0";
}

void tst_ucListView::labelEdit() {
    QFETCH(int, cancelBefore);
    QFETCH(int, cancelAfter);
    QFETCH(QString, expected);
    List l;
    l.fill(3);
    l.lv->setLabelEdit(true);
    connect(l.lv.get(), &ucListView::BeforeLabelEdit, l.lv.get(),
            [&](int* cancel) { *cancel = cancelBefore; });
    connect(l.lv.get(), &ucListView::AfterLabelEdit, l.lv.get(), [&](int* cancel, QString* text) {
        *text = text->toUpper();
        *cancel = cancelAfter;
    });
    const QModelIndex cell = l.table->model()->index(1, 0);
    l.table->setCurrentIndex(cell);
    l.table->edit(cell);
    auto* editor = l.table->viewport()->findChild<QLineEdit*>();
    QCOMPARE(editor != nullptr, cancelBefore == 0);
    if (editor) {
        editor->setText(QStringLiteral("new"));
        QTest::keyClick(editor, Qt::Key_Return);
        // The view commits the edit once the key has been handled.
        QTRY_VERIFY_WITH_TIMEOUT(!l.table->viewport()->findChild<QLineEdit*>(), 5000);
    }
    QCOMPARE(l.lv->ItemText(1), expected);
}

QTEST_MAIN(tst_ucListView)
#include "tst_ucListView.moc"
