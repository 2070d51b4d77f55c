// The list view control: settings passed to the inner table and its model, the operations on
// items and columns, image lists, and the desktop-style events raised from the table's input.
#include "widgets/ucListView.h"

#include "core/twips.h"
#include "views/modColor.h"
#include "widgets/ListViewModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QUrl>
#include <algorithm>

namespace {

enum ImageListKind { SmallList, LargeList, HeaderList };

// The owner's colours of a cell about to be painted; false leaves the list's own.
using AskColors = std::function<bool(int Item, int SubItem, SubItemColors* colors)>;

// Paints each cell in the colours its owner answers at that moment, draws the first cell of an
// indented item further right, and lets the owner refuse an edit before it starts. The colours
// are asked here and nowhere else, so that only painting a cell asks for them (the view also
// reads the model's roles for size hints and the like).
class ListViewDelegate : public QStyledItemDelegate {
public:
    ListViewDelegate(ucListView* list, std::function<int()> indentWidth, AskColors askColors)
        : QStyledItemDelegate(list), m_list(list), m_indentWidth(std::move(indentWidth)),
          m_askColors(std::move(askColors)) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        SubItemColors colors{};
        if (m_askColors(index.row(), index.column(), &colors)) {
            cell.backgroundBrush = ToQColor(colors.BackColor);
            cell.palette.setColor(QPalette::Text, ToQColor(colors.TextColor));
        }
        if (index.column() == 0) {
            const int indent = index.data(ucListView::IndentRole).toInt();
            if (indent > 0) cell.rect.setLeft(cell.rect.left() + indent * m_indentWidth());
        }
        const QWidget* widget = cell.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        int cancel = 0;
        emit m_list->BeforeLabelEdit(&cancel);
        if (cancel != 0) return nullptr;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

private:
    ucListView* m_list;
    std::function<int()> m_indentWidth;
    AskColors m_askColors;
};

// The desktop's virtual-key number of a key, 0 for keys without one here.
int virtualKey(int key) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key; // the same numbers as the capitals and digits
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return 0;
    }
}

int shiftState(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

int buttonState(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

} // namespace

// The table inside the list. While the owner chooses the colours, every paint asks for all the
// rows on screen, row by row from the top, however small the part to redraw: a part painted
// alone would ask for its rows in an order of its own. The painter keeps the drawing to that
// part, and the rows around it were drawn in the same order before. Scrolling, which moves rows
// drawn in another order, repaints the whole screen. The table follows the row under the pointer
// only for the hover effects; otherwise moving the pointer repaints nothing.
class ucListView::InnerTable : public QTableView {
public:
    using QTableView::QTableView;

    bool paintWhole = false;
    bool hoverTracking = false;

protected:
    void paintEvent(QPaintEvent* event) override {
        const QRect all = viewport()->rect();
        if (!paintWhole || (QRegion(all) - event->region()).isEmpty())
            return QTableView::paintEvent(event);
        QPaintEvent whole(all);
        QTableView::paintEvent(&whole);
    }

    void scrollContentsBy(int dx, int dy) override {
        QTableView::scrollContentsBy(dx, dy);
        if (paintWhole) viewport()->update();
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (!hoverTracking && event->buttons() == Qt::NoButton) return;
        QTableView::mouseMoveEvent(event);
    }

    bool viewportEvent(QEvent* event) override {
        switch (event->type()) {
        case QEvent::HoverEnter:
        case QEvent::HoverMove:
        case QEvent::HoverLeave:
            if (!hoverTracking) return false;
            break;
        default:
            break;
        }
        return QTableView::viewportEvent(event);
    }
};

ucListView::ucListView(QWidget* parent)
    : QWidget(parent), m_table(new InnerTable(this)), m_model(new ListViewModel(this)),
      m_backColor(SystemColor(5)), m_foreColor(SystemColor(8)) {
    m_table->setObjectName(QStringLiteral("lvTable"));
    m_table->setModel(m_model);
    m_table->setItemDelegate(new ListViewDelegate(
        this, [this] { return m_model->smallImages().size.width(); },
        [this](int item, int sub, SubItemColors* colors) { return askColors(item, sub, colors); }));
    m_table->setWordWrap(false);
    m_table->setCornerButtonEnabled(false);
    m_table->setShowGrid(false);
    m_table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_table->setMouseTracking(true);

    // Every row has the same height and the rows are never measured one by one.
    QHeaderView* rows = m_table->verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setSectionResizeMode(QHeaderView::Fixed);

    QHeaderView* header = m_table->horizontalHeader();
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionsClickable(true);
    header->setMinimumSectionSize(0);
    header->viewport()->installEventFilter(this);
    m_table->viewport()->installEventFilter(this);
    m_table->installEventFilter(this);
    setFocusProxy(m_table);

    connect(header, &QHeaderView::sectionClicked, this, &ucListView::ColumnClick);
    connect(m_table, &QTableView::clicked, this,
            [this](const QModelIndex& index) { emit ItemClick(index.row()); });
    connect(m_model, &ListViewModel::itemCheckToggled, this, &ucListView::ItemCheck);
    m_model->acceptLabelEdit = [this](int, QString* text) {
        int cancel = 0;
        emit AfterLabelEdit(&cancel, text);
        return cancel == 0;
    };

    setBorderStyle(m_borderStyle);
    applyColors();
    applyRowHeight();
}

ucListView::~ucListView() = default;

QTableView* ucListView::Table() const {
    return m_table;
}

// ---- operations -------------------------------------------------------------------------------

bool ucListView::Initialize() {
    return true;
}

bool ucListView::InitializeImageListSmall(int ImageWidth, int ImageHeight) {
    auto& list = m_model->smallImages();
    list.size = QSize(qMax(1, ImageWidth), qMax(1, ImageHeight));
    list.images.clear();
    applyViewMode();
    m_model->imagesChanged();
    applyRowHeight();
    return true;
}

bool ucListView::InitializeImageListLarge(int ImageWidth, int ImageHeight) {
    auto& list = m_model->largeImages();
    list.size = QSize(qMax(1, ImageWidth), qMax(1, ImageHeight));
    list.images.clear();
    applyViewMode();
    m_model->imagesChanged();
    return true;
}

bool ucListView::InitializeImageListHeader(int ImageWidth, int ImageHeight) {
    auto& list = m_model->headerImages();
    list.size = QSize(qMax(1, ImageWidth), qMax(1, ImageHeight));
    list.images.clear();
    m_model->imagesChanged();
    return true;
}

bool ucListView::Refresh() {
    m_table->viewport()->update();
    m_table->horizontalHeader()->viewport()->update();
    return true;
}

bool ucListView::addImages(int kind, const QImage& bitmap, qint32 maskColor) {
    if (bitmap.isNull()) return false;
    auto& list = kind == SmallList   ? m_model->smallImages()
                 : kind == LargeList ? m_model->largeImages()
                                     : m_model->headerImages();
    QImage image = bitmap.convertToFormat(QImage::Format_ARGB32);
    if (maskColor != -1) {
        const QRgb mask = ToQColor(maskColor).rgb() & 0xFFFFFF;
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if ((line[x] & 0xFFFFFF) == mask) line[x] = 0;
            }
        }
    }
    const int w = list.size.width();
    const int pieces = (image.width() >= 2 * w && image.width() % w == 0) ? image.width() / w : 1;
    for (int i = 0; i < pieces; ++i) {
        QImage piece = pieces > 1 ? image.copy(i * w, 0, w, image.height()) : image;
        if (piece.size() != list.size)
            piece = piece.scaled(list.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        list.images.push_back(QPixmap::fromImage(piece));
    }
    m_model->imagesChanged();
    applyRowHeight();
    return true;
}

bool ucListView::addIcon(int kind, const QIcon& icon) {
    if (icon.isNull()) return false;
    auto& list = kind == SmallList   ? m_model->smallImages()
                 : kind == LargeList ? m_model->largeImages()
                                     : m_model->headerImages();
    list.images.push_back(icon.pixmap(list.size));
    m_model->imagesChanged();
    applyRowHeight();
    return true;
}

bool ucListView::ImageListSmall_AddBitmap(const QImage& hBitmap, qint32 MaskColor) {
    return addImages(SmallList, hBitmap, MaskColor);
}
bool ucListView::ImageListSmall_AddIcon(const QIcon& hIcon) {
    return addIcon(SmallList, hIcon);
}
bool ucListView::ImageListLarge_AddBitmap(const QImage& hBitmap, qint32 MaskColor) {
    return addImages(LargeList, hBitmap, MaskColor);
}
bool ucListView::ImageListLarge_AddIcon(const QIcon& hIcon) {
    return addIcon(LargeList, hIcon);
}
bool ucListView::ImageListHeader_AddBitmap(const QImage& hBitmap, qint32 MaskColor) {
    return addImages(HeaderList, hBitmap, MaskColor);
}
bool ucListView::ImageListHeader_AddIcon(const QIcon& hIcon) {
    return addIcon(HeaderList, hIcon);
}

bool ucListView::Clear() {
    m_model->clear();
    return true;
}

bool ucListView::Sort(int Column, int SortOrder, int SortType) {
    return m_model->sortRows(Column, SortOrder == 1 ? Qt::DescendingOrder : Qt::AscendingOrder,
                             SortType);
}

bool ucListView::BackgroundPictureSet(const QString& URL) {
    QWidget* viewport = m_table->viewport();
    if (URL.isEmpty()) {
        viewport->setPalette(QPalette());
        return true;
    }
    const QUrl url(URL);
    const QString path = url.isLocalFile() ? url.toLocalFile() : URL;
    const QImage picture(path);
    if (picture.isNull()) return false;
    QPalette pal = viewport->palette();
    pal.setBrush(QPalette::Base, QBrush(picture));
    viewport->setPalette(pal);
    return true;
}

bool ucListView::ColumnAdd(int Column, const QString& Text, int Width, int Align, int Icon) {
    const int column = m_model->insertColumnAt(Column, Text, Align, Icon);
    m_table->horizontalHeader()->resizeSection(column, qMax(0, Width));
    applyViewMode();
    return true;
}

bool ucListView::ColumnRemove(int Column) {
    const bool removed = m_model->removeColumnAt(Column);
    if (removed) applyViewMode();
    return removed;
}

bool ucListView::ColumnAutosize(int Column, int AutosizeType) {
    if (Column < 0 || Column >= ColumnCount()) return false;
    QHeaderView* header = m_table->horizontalHeader();
    const int items = static_cast<const QAbstractItemView*>(m_table)->sizeHintForColumn(Column);
    const int title = header->sectionSizeHint(Column);
    int width = items;
    if (AutosizeType == 1)
        width = title;
    else if (AutosizeType == 2)
        width = qMax(items, title);
    header->resizeSection(Column, qMax(0, width));
    return true;
}

bool ucListView::ItemAdd(int Item, const QString& Text, int Indent, int Icon) {
    return m_model->insertItem(Item, Text, Indent, Icon) >= 0;
}

bool ucListView::ItemRemove(int Item) {
    return m_model->removeItem(Item);
}

bool ucListView::ItemEnsureVisible(int Item) {
    if (!m_model->validItem(Item) || ColumnCount() == 0) return false;
    // Only the rows scroll; the columns stay where the user left them.
    int column = m_table->columnAt(0);
    if (column < 0) column = 0;
    // Rows just added have not reached the scroll bars yet (the view lays them out later).
    m_table->doItemsLayout();
    m_table->scrollTo(m_model->index(Item, column), QAbstractItemView::EnsureVisible);
    return true;
}

int ucListView::ItemFindText(const QString& Text, int StartItem, int Coincidence) const {
    const int count = Count();
    for (int item = qMax(0, StartItem + 1); item < count; ++item) {
        const QString text = m_model->cellText(item, 0);
        const bool found = Coincidence == 1 ? text.startsWith(Text, Qt::CaseInsensitive)
                                            : text.compare(Text, Qt::CaseInsensitive) == 0;
        if (found) return item;
    }
    return -1;
}

int ucListView::ItemFindState(int StartItem, int State) const {
    const int count = Count();
    for (int item = qMax(0, StartItem + 1); item < count; ++item) {
        int state = 0;
        if (ItemFocused(item)) state |= 1;
        if (ItemSelected(item)) state |= 2;
        if (ItemGhosted(item)) state |= 4;
        if ((state & State) == State) return item;
    }
    return -1;
}

int ucListView::ItemHitTest(int X, int Y) const {
    const QPoint inViewport =
        m_table->viewport()->mapFrom(this, QPoint(fromScale(X), fromScale(Y)));
    const QModelIndex index = m_table->indexAt(inViewport);
    return index.isValid() ? index.row() : -1;
}

bool ucListView::SubItemSet(int Item, int SubItem, const QString& Text, int Icon) {
    if (!m_model->setCellText(Item, SubItem, Text)) return false;
    if (Icon >= 0) m_model->setCellIcon(Item, SubItem, Icon);
    return true;
}

void ucListView::SetVirtualItems(int count, std::function<QString(int, int)> cellText) {
    m_model->setVirtualItems(count, std::move(cellText));
}

bool ucListView::IsVirtual() const {
    return m_model->isVirtual();
}

// ---- indexed properties -----------------------------------------------------------------------

QString ucListView::ColumnText(int Column) const {
    return m_model->columnText(Column);
}
void ucListView::setColumnText(int Column, const QString& Text) {
    m_model->setColumnText(Column, Text);
}

int ucListView::ColumnWidth(int Column) const {
    if (Column < 0 || Column >= ColumnCount()) return -1;
    return m_table->horizontalHeader()->sectionSize(Column);
}

void ucListView::setColumnWidth(int Column, int Width) {
    if (Column < 0 || Column >= ColumnCount()) return;
    m_table->horizontalHeader()->resizeSection(Column, qMax(0, Width));
}

int ucListView::ColumnAlign(int Column) const {
    return m_model->columnAlign(Column);
}
void ucListView::setColumnAlign(int Column, int Align) {
    m_model->setColumnAlign(Column, Align);
}
int ucListView::ColumnIcon(int Column) const {
    return m_model->columnIcon(Column);
}
void ucListView::setColumnIcon(int Column, int Icon) {
    m_model->setColumnIcon(Column, Icon);
}
QString ucListView::ItemText(int Item) const {
    return m_model->cellText(Item, 0);
}
void ucListView::setItemText(int Item, const QString& Text) {
    m_model->setCellText(Item, 0, Text);
}
int ucListView::ItemIcon(int Item) const {
    return m_model->cellIcon(Item, 0);
}
void ucListView::setItemIcon(int Item, int Icon) {
    m_model->setCellIcon(Item, 0, Icon);
}
int ucListView::ItemIndent(int Item) const {
    return m_model->itemIndent(Item);
}
void ucListView::setItemIndent(int Item, int Indent) {
    m_model->setItemIndent(Item, Indent);
}

bool ucListView::ItemSelected(int Item) const {
    return m_model->validItem(Item) &&
           m_table->selectionModel()->rowIntersectsSelection(Item, QModelIndex());
}

void ucListView::setItemSelected(int Item, bool Selected) {
    if (!m_model->validItem(Item) || ColumnCount() == 0) return;
    const QItemSelection row(m_model->index(Item, 0), m_model->index(Item, ColumnCount() - 1));
    QItemSelectionModel::SelectionFlags how = QItemSelectionModel::Deselect;
    if (Selected)
        how = m_multiSelect ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect;
    m_table->selectionModel()->select(row, how);
}

bool ucListView::ItemFocused(int Item) const {
    return m_model->validItem(Item) && m_table->currentIndex().row() == Item;
}

void ucListView::setItemFocused(int Item, bool Focused) {
    if (!m_model->validItem(Item) || ColumnCount() == 0) return;
    if (Focused) {
        m_table->selectionModel()->setCurrentIndex(m_model->index(Item, 0),
                                                   QItemSelectionModel::NoUpdate);
    } else if (ItemFocused(Item)) {
        m_table->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
}

bool ucListView::ItemChecked(int Item) const {
    return m_model->itemChecked(Item);
}
void ucListView::setItemChecked(int Item, bool Checked) {
    m_model->setItemChecked(Item, Checked);
}
bool ucListView::ItemGhosted(int Item) const {
    return m_model->itemGhosted(Item);
}
void ucListView::setItemGhosted(int Item, bool Ghosted) {
    m_model->setItemGhosted(Item, Ghosted);
}
QString ucListView::SubItemText(int Item, int SubItem) const {
    return m_model->cellText(Item, SubItem);
}
void ucListView::setSubItemText(int Item, int SubItem, const QString& Text) {
    m_model->setCellText(Item, SubItem, Text);
}
int ucListView::SubItemIcon(int Item, int SubItem) const {
    return m_model->cellIcon(Item, SubItem);
}
void ucListView::setSubItemIcon(int Item, int SubItem, int Icon) {
    m_model->setCellIcon(Item, SubItem, Icon);
}

// ---- plain properties -------------------------------------------------------------------------

void ucListView::setBackColor(qint32 color) {
    m_backColor = color;
    applyColors();
}

void ucListView::setForeColor(qint32 color) {
    m_foreColor = color;
    applyColors();
}

void ucListView::setBorderStyle(int style) {
    m_borderStyle = style;
    switch (style) {
    case 0:
        m_table->setFrameStyle(QFrame::NoFrame);
        break;
    case 1:
        m_table->setFrameStyle(QFrame::Box | QFrame::Plain);
        m_table->setLineWidth(1);
        break;
    default:
        m_table->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        break;
    }
}

void ucListView::setCheckBoxes(bool on) {
    m_checkBoxes = on;
    m_model->setCheckBoxes(on);
}

int ucListView::Count() const {
    return m_model->rowCount();
}
int ucListView::ColumnCount() const {
    return m_model->columnCount();
}

void ucListView::setFullRowSelect(bool on) {
    m_fullRowSelect = on;
    m_table->setSelectionBehavior(on ? QAbstractItemView::SelectRows
                                     : QAbstractItemView::SelectItems);
}

void ucListView::setGridLines(bool on) {
    m_gridLines = on;
    m_table->setShowGrid(on);
}

void ucListView::setHeaderDragDrop(bool on) {
    m_headerDragDrop = on;
    m_table->horizontalHeader()->setSectionsMovable(on);
}

void ucListView::setHeaderFixedWidth(bool on) {
    m_headerFixedWidth = on;
    m_table->horizontalHeader()->setSectionResizeMode(on ? QHeaderView::Fixed
                                                         : QHeaderView::Interactive);
}

void ucListView::setHeaderFlat(bool on) {
    m_headerFlat = on;
    m_table->horizontalHeader()->setSectionsClickable(!on);
}

void ucListView::setHeaderHide(bool on) {
    m_headerHide = on;
    applyViewMode();
}

void ucListView::setHideSelection(bool on) {
    m_hideSelection = on;
    applyColors();
}

void ucListView::setLabelEdit(bool on) {
    m_labelEdit = on;
    m_model->setLabelEdit(on);
    m_table->setEditTriggers(on ? QAbstractItemView::EditKeyPressed |
                                      QAbstractItemView::SelectedClicked
                                : QAbstractItemView::NoEditTriggers);
}

void ucListView::setLabelTips(bool on) {
    m_labelTips = on;
    m_model->setLabelTips(on);
}

void ucListView::setMultiSelect(bool on) {
    m_multiSelect = on;
    m_table->setSelectionMode(on ? QAbstractItemView::ExtendedSelection
                                 : QAbstractItemView::SingleSelection);
}

void ucListView::setOneClickActivate(bool on) {
    m_oneClickActivate = on;
    if (!on) m_table->viewport()->unsetCursor();
}

int ucListView::SelectedCount() const {
    // Rows of the selection ranges, each row counted once however many of its cells are chosen.
    std::vector<std::pair<int, int>> spans;
    for (const QItemSelectionRange& range : m_table->selectionModel()->selection())
        spans.emplace_back(range.top(), range.bottom());
    std::sort(spans.begin(), spans.end());
    int count = 0;
    int reached = -1;
    for (const auto& [top, bottom] : spans) {
        const int from = qMax(top, reached + 1);
        if (bottom >= from) count += bottom - from + 1;
        reached = qMax(reached, bottom);
    }
    return count;
}

void ucListView::setSubItemImages(bool on) {
    m_subItemImages = on;
    m_model->setSubItemImages(on);
}

void ucListView::setTrackSelect(bool on) {
    m_trackSelect = on;
    applyHoverTracking();
}

void ucListView::setUnderlineHot(bool on) {
    m_underlineHot = on;
    m_model->setUnderlineHot(on);
    applyHoverTracking();
}

void ucListView::applyHoverTracking() {
    m_table->hoverTracking = m_trackSelect || m_underlineHot;
}

void ucListView::setViewMode(int mode) {
    m_viewMode = mode;
    applyViewMode();
}

void ucListView::setRaiseSubItemPrePaint(bool on) {
    m_raiseSubItemPrePaint = on;
    m_table->paintWhole = on;
    m_table->viewport()->update();
}

bool ucListView::askColors(int Item, int SubItem, SubItemColors* colors) {
    if (!m_raiseSubItemPrePaint) return false;
    *colors = SubItemColors{m_backColor, m_foreColor, false};
    emit OnSubItemPrePaint(Item, SubItem, colors);
    return colors->Handled;
}

// ---- presentation -----------------------------------------------------------------------------

void ucListView::applyColors() {
    const QColor back = ToQColor(m_backColor);
    const QColor fore = ToQColor(m_foreColor);
    QPalette pal = m_table->palette();
    pal.setColor(QPalette::Base, back);
    pal.setColor(QPalette::Text, fore);
    const QPalette app = QApplication::palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 m_hideSelection ? back : app.color(QPalette::Inactive, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 m_hideSelection ? fore : app.color(QPalette::Inactive, QPalette::HighlightedText));
    m_table->setPalette(pal);
}

void ucListView::applyViewMode() {
    const bool report = m_viewMode == 1;
    QHeaderView* header = m_table->horizontalHeader();
    header->setVisible(report && !m_headerHide);
    header->setStretchLastSection(!report);
    for (int column = 1; column < ColumnCount(); ++column)
        m_table->setColumnHidden(column, !report);
    m_model->setLargeIcons(m_viewMode == 0);
    m_table->setIconSize(m_viewMode == 0 ? m_model->largeImages().size
                                         : m_model->smallImages().size);
    applyRowHeight();
}

void ucListView::applyRowHeight() {
    int height = fontMetrics().height() + 4;
    const auto& images = m_viewMode == 0 ? m_model->largeImages() : m_model->smallImages();
    if (!images.images.empty()) height = qMax(height, images.size.height() + 2);
    if (m_table->verticalHeader()->defaultSectionSize() != height)
        m_table->verticalHeader()->setDefaultSectionSize(height);
}

int ucListView::toScale(int pixels) const {
    return m_scaleMode == 1 ? ov::pixelsToTwips(pixels) : pixels;
}

int ucListView::fromScale(int units) const {
    return m_scaleMode == 1 ? ov::twipsToPixels(units) : units;
}

// ---- events -----------------------------------------------------------------------------------

void ucListView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_table->setGeometry(rect());
    emit Resize();
}

void ucListView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) applyRowHeight();
    if (event->type() == QEvent::PaletteChange) applyColors();
    QWidget::changeEvent(event);
}

bool ucListView::mouseEvent(QEvent* event) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint viewportPoint = mouse->position().toPoint();
    const QPoint p = m_table->viewport()->mapTo(this, viewportPoint);
    const int shift = shiftState(mouse->modifiers());
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        emit MouseDown(buttonState(mouse->button()), shift, toScale(p.x()), toScale(p.y()));
        break;
    case QEvent::MouseButtonRelease:
        emit MouseUp(buttonState(mouse->button()), shift, toScale(p.x()), toScale(p.y()));
        emit Click();
        break;
    case QEvent::MouseButtonDblClick:
        emit DblClick();
        break;
    case QEvent::MouseMove: {
        emit MouseMove(buttonState(mouse->buttons()), shift, toScale(p.x()), toScale(p.y()));
        const QModelIndex under = m_table->indexAt(viewportPoint);
        if (m_underlineHot) m_model->setHotItem(under.isValid() ? under.row() : -1);
        if (m_oneClickActivate) {
            if (under.isValid())
                m_table->viewport()->setCursor(Qt::PointingHandCursor);
            else
                m_table->viewport()->unsetCursor();
        }
        if (m_trackSelect && under.isValid() && mouse->buttons() == Qt::NoButton) {
            setItemSelected(under.row(), true);
            setItemFocused(under.row(), true);
        }
        break;
    }
    default:
        break;
    }
    return false;
}

bool ucListView::keyEvent(QEvent* event) {
    auto* key = static_cast<QKeyEvent*>(event);
    const int shift = shiftState(key->modifiers());
    if (event->type() == QEvent::KeyRelease) {
        emit KeyUp(virtualKey(key->key()), shift);
        return false;
    }
    emit KeyDown(virtualKey(key->key()), shift);
    const QString text = key->text();
    if (text.size() == 1 && text.at(0).unicode() < 256 && text.at(0).unicode() != 0) {
        int ascii = text.at(0).unicode();
        emit KeyPress(&ascii);
        if (ascii == 0) return true;
    }
    return false;
}

bool ucListView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            return mouseEvent(event);
        case QEvent::Enter:
            emit MouseEnter();
            break;
        case QEvent::Leave:
            m_model->setHotItem(-1);
            emit MouseLeave();
            break;
        default:
            break;
        }
    } else if (watched == m_table) {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
            return keyEvent(event);
    } else if (watched == m_table->horizontalHeader()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::RightButton) {
                const int column =
                    m_table->horizontalHeader()->logicalIndexAt(mouse->position().toPoint());
                if (column >= 0) emit ColumnRightClick(column);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
