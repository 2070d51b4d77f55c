// The raw log view (see RawLogView.h).
#include "views/RawLogView.h"

#include "core/ansi.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = 3;              // pixels left of the first column
constexpr std::size_t kMaxUndo = 10000; // steps kept; the oldest go first
constexpr int kAutoScrollMs = 50;       // while a drag selection is held outside the view
constexpr QByteArrayView kBreak = "\r\n";

// Bytes with no glyph (controls, and the five the code page leaves undefined) show as blank
// cells marked with a dot, so that every byte keeps its column.
bool isBlankByte(unsigned char b) {
    return b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

bool isWordByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_' ||
           b >= 0xC0;
}

QString shownText(QByteArrayView bytes) {
    QString text = ov::fromAnsi(bytes);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (isBlankByte(static_cast<unsigned char>(bytes[i]))) text[i] = u' ';
    return text;
}

// Clipboard text uses the platform's line ends; the log's are CR LF.
QByteArray fromClipboard(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return ov::toAnsi(text);
}
QString toClipboard(QByteArrayView bytes) {
    return ov::fromAnsi(bytes).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

} // namespace

RawLogView::RawLogView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    verticalScrollBar()->setSingleStep(1);
    fontChanged();
    updateScrollBars();
}

// ---------------------------------------------------------------------------------------------
// The text

void RawLogView::SetLogText(LogText text) {
    text_ = std::move(text);
    caret_ = anchor_ = {};
    goalColumn_ = -1;
    undo_.clear();
    redo_.clear();
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

void RawLogView::AppendLogText(QByteArrayView bytes) {
    QScrollBar* vertical = verticalScrollBar();
    const bool followEnd = vertical->value() == vertical->maximum();
    text_.Append(bytes);
    undo_.clear();
    redo_.clear();
    updateScrollBars();
    if (followEnd) vertical->setValue(vertical->maximum());
    viewport()->update();
}

QString RawLogView::Text() const {
    return ov::fromAnsi(text_.Bytes());
}

void RawLogView::setText(const QString& text) {
    SetLogText(LogText(ov::toAnsi(text)));
}

QByteArray RawLogView::SelectedBytes() const {
    return text_.Slice(anchor_, caret_);
}

void RawLogView::Select(TextPos anchor, TextPos caret) {
    anchor_ = text_.Clamp(anchor);
    caret_ = text_.Clamp(caret);
    goalColumn_ = -1;
    ensureCaretVisible();
    restartBlink();
    viewport()->update();
}

// ---------------------------------------------------------------------------------------------
// Editing

void RawLogView::replaceSelection(QByteArrayView bytes, bool typing) {
    if (!HasSelection() && bytes.isEmpty()) return;
    Step step;
    step.anchorBefore = anchor_;
    step.caretBefore = caret_;
    step.typing = typing && !HasSelection();
    step.caretAfter = text_.Replace(anchor_, caret_, bytes, &step.edit);

    // Characters typed one after another on one line are undone together.
    Step* last = undo_.empty() ? nullptr : &undo_.back();
    const bool oneLine = step.edit.removed.size() == 1 && step.edit.inserted.size() == 1;
    if (step.typing && oneLine && last && last->typing && last->caretAfter == step.caretBefore &&
        last->edit.inserted.size() == 1 && last->edit.first == step.edit.first) {
        last->edit.inserted = std::move(step.edit.inserted);
        last->caretAfter = step.caretAfter;
    } else {
        undo_.push_back(std::move(step));
        if (undo_.size() > kMaxUndo) undo_.erase(undo_.begin());
    }
    redo_.clear();
    caret_ = anchor_ = undo_.back().caretAfter;
    goalColumn_ = -1;
    edited();
}

void RawLogView::Insert(QByteArrayView bytes) {
    replaceSelection(bytes, bytes.size() == 1);
}

void RawLogView::DeleteSelection() {
    replaceSelection({}, false);
}

void RawLogView::Copy() const {
    if (HasSelection()) QApplication::clipboard()->setText(toClipboard(SelectedBytes()));
}

void RawLogView::Cut() {
    if (!HasSelection()) return;
    Copy();
    DeleteSelection();
}

void RawLogView::Paste() {
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty()) replaceSelection(fromClipboard(text), false);
}

void RawLogView::applyStep(const Step& step, bool backward) {
    text_.Apply(step.edit, backward);
    anchor_ = backward ? step.anchorBefore : step.caretAfter;
    caret_ = backward ? step.caretBefore : step.caretAfter;
    goalColumn_ = -1;
    edited();
}

void RawLogView::Undo() {
    if (undo_.empty()) return;
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
    applyStep(redo_.back(), true);
}

void RawLogView::Redo() {
    if (redo_.empty()) return;
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    applyStep(undo_.back(), false);
}

void RawLogView::SelectAll() {
    Select({0, 0}, text_.End());
}

void RawLogView::edited() {
    updateScrollBars();
    ensureCaretVisible();
    restartBlink();
    viewport()->update();
    emit textEdited();
}

QMenu* RawLogView::CreateContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    const bool selection = HasSelection();
    const auto add = [&](const QString& text, const QKeySequence& keys, bool enabled, auto slot) {
        QAction* action = menu->addAction(text, this, slot);
        action->setShortcut(keys);
        action->setEnabled(enabled);
        return action;
    };
    add(QStringLiteral("&Deshacer"), QKeySequence::Undo, CanUndo(), [this] { Undo(); });
    add(QStringLiteral("&Rehacer"), QKeySequence::Redo, CanRedo(), [this] { Redo(); });
    menu->addSeparator();
    add(QStringLiteral("Cor&tar"), QKeySequence::Cut, selection, [this] { Cut(); });
    add(QStringLiteral("&Copiar"), QKeySequence::Copy, selection, [this] { Copy(); });
    add(QStringLiteral("&Pegar"), QKeySequence::Paste, !QApplication::clipboard()->text().isEmpty(),
        [this] { Paste(); });
    add(QStringLiteral("&Eliminar"), QKeySequence(), selection, [this] { DeleteSelection(); });
    menu->addSeparator();
    add(QStringLiteral("&Seleccionar todo"), QKeySequence::SelectAll, !text_.IsEmpty(),
        [this] { SelectAll(); });
    return menu;
}

void RawLogView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = CreateContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// ---------------------------------------------------------------------------------------------
// Keyboard

bool RawLogView::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Editing keys belong to the text box, not to the window's shortcuts.
        if (isEditingShortcut(static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress) {
        // Tab is typed, not used to leave the box.
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ControlModifier)) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

namespace {

struct MotionKey {
    QKeySequence::StandardKey move;
    QKeySequence::StandardKey select;
    int motion;
};

// Which keys move the caret, and which extend the selection the same way; in the order of
// RawLogView::Motion.
constexpr MotionKey kMotionKeys[] = {
    {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, 0},
    {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, 1},
    {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, 2},
    {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, 3},
    {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, 4},
    {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, 5},
    {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, 6},
    {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, 7},
    {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, 8},
    {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, 9},
    {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, 10},
    {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, 11},
};

constexpr QKeySequence::StandardKey kEditKeys[] = {
    QKeySequence::Undo,
    QKeySequence::Redo,
    QKeySequence::Copy,
    QKeySequence::Cut,
    QKeySequence::Paste,
    QKeySequence::SelectAll,
    QKeySequence::Delete,
    QKeySequence::DeleteStartOfWord,
    QKeySequence::DeleteEndOfWord,
};

bool isTyped(const QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

} // namespace

bool RawLogView::isEditingShortcut(QKeyEvent* event) const {
    for (const MotionKey& key : kMotionKeys)
        if (event->matches(key.move) || event->matches(key.select)) return true;
    for (const QKeySequence::StandardKey key : kEditKeys)
        if (event->matches(key)) return true;
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return isTyped(event);
    }
}

void RawLogView::keyPressEvent(QKeyEvent* event) {
    if (handleMotionKey(event) || handleEditKey(event)) {
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

bool RawLogView::handleMotionKey(QKeyEvent* event) {
    for (const MotionKey& key : kMotionKeys) {
        const bool extend = event->matches(key.select);
        if (!extend && !event->matches(key.move)) continue;
        const auto motion = static_cast<Motion>(key.motion);
        // An arrow without Shift first drops the selection at its own end.
        if (!extend && HasSelection() && (motion == Motion::Left || motion == Motion::Right)) {
            const TextPos end =
                motion == Motion::Left ? std::min(anchor_, caret_) : std::max(anchor_, caret_);
            moveCaret(end, false);
            return true;
        }
        const bool vertical = motion == Motion::Up || motion == Motion::Down ||
                              motion == Motion::PageUp || motion == Motion::PageDown;
        const qsizetype goal = vertical && goalColumn_ >= 0 ? goalColumn_ : caret_.column;
        if (motion == Motion::PageUp || motion == Motion::PageDown) {
            QScrollBar* bar = verticalScrollBar();
            bar->setValue(bar->value() + (motion == Motion::PageUp ? -1 : 1) * bar->pageStep());
        }
        TextPos target = moved(caret_, motion);
        if (vertical) target = text_.Clamp({target.line, goal});
        moveCaret(target, extend);
        if (vertical) goalColumn_ = goal; // kept through shorter lines
        return true;
    }
    return false;
}

bool RawLogView::handleEditKey(QKeyEvent* event) {
    if (event->matches(QKeySequence::Undo)) {
        Undo();
    } else if (event->matches(QKeySequence::Redo)) {
        Redo();
    } else if (event->matches(QKeySequence::Copy)) {
        Copy();
    } else if (event->matches(QKeySequence::Cut)) {
        Cut();
    } else if (event->matches(QKeySequence::Paste)) {
        Paste();
    } else if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
    } else if (event->key() == Qt::Key_Backspace || event->matches(QKeySequence::Delete) ||
               event->matches(QKeySequence::DeleteStartOfWord) ||
               event->matches(QKeySequence::DeleteEndOfWord)) {
        if (!HasSelection()) {
            const bool back = event->key() == Qt::Key_Backspace ||
                              event->matches(QKeySequence::DeleteStartOfWord);
            const bool word = event->matches(QKeySequence::DeleteStartOfWord) ||
                              event->matches(QKeySequence::DeleteEndOfWord);
            anchor_ = moved(caret_, word ? (back ? Motion::WordLeft : Motion::WordRight)
                                         : (back ? Motion::Left : Motion::Right));
        }
        DeleteSelection();
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Insert(kBreak);
    } else if (event->key() == Qt::Key_Tab) {
        Insert("\t");
    } else if (isTyped(event)) {
        Insert(ov::toAnsi(event->text()));
    } else {
        return false;
    }
    return true;
}

TextPos RawLogView::moved(TextPos from, Motion motion) const {
    const qsizetype lines = text_.LineCount();
    const QByteArrayView line = text_.Line(from.line);
    switch (motion) {
    case Motion::Left:
        if (from.column > 0) return {from.line, from.column - 1};
        return from.line > 0 ? TextPos{from.line - 1, text_.Line(from.line - 1).size()} : from;
    case Motion::Right:
        if (from.column < line.size()) return {from.line, from.column + 1};
        return from.line + 1 < lines ? TextPos{from.line + 1, 0} : from;
    case Motion::WordLeft: {
        if (from.column == 0) return moved(from, Motion::Left);
        qsizetype c = from.column;
        while (c > 0 && !isWordByte(line[c - 1]))
            --c;
        while (c > 0 && isWordByte(line[c - 1]))
            --c;
        return {from.line, c};
    }
    case Motion::WordRight: {
        if (from.column == line.size()) return moved(from, Motion::Right);
        qsizetype c = from.column;
        while (c < line.size() && isWordByte(line[c]))
            ++c;
        while (c < line.size() && !isWordByte(line[c]))
            ++c;
        return {from.line, c};
    }
    case Motion::Up:
        return text_.Clamp({from.line - 1, from.column});
    case Motion::Down:
        return text_.Clamp({from.line + 1, from.column});
    case Motion::PageUp:
        return text_.Clamp({from.line - std::max(1, visibleRows() - 1), from.column});
    case Motion::PageDown:
        return text_.Clamp({from.line + std::max(1, visibleRows() - 1), from.column});
    case Motion::Home:
        return {from.line, 0};
    case Motion::End:
        return {from.line, line.size()};
    case Motion::Top:
        return {0, 0};
    case Motion::Bottom:
        return text_.End();
    }
    return from;
}

void RawLogView::moveCaret(TextPos caret, bool extend) {
    caret_ = text_.Clamp(caret);
    if (!extend) anchor_ = caret_;
    goalColumn_ = -1;
    ensureCaretVisible();
    restartBlink();
    viewport()->update();
}

void RawLogView::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty()) replaceSelection(ov::toAnsi(event->commitString()), true);
    event->accept();
}

QVariant RawLogView::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImCursorRectangle:
        return QRect(PointOf(caret_), QSize(1, lineHeight_));
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return int(caret_.column);
    case Qt::ImSurroundingText:
        return ov::fromAnsi(text_.Line(caret_.line));
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// ---------------------------------------------------------------------------------------------
// Mouse

TextPos RawLogView::PosAt(QPoint point) const {
    const qsizetype line = TopLine() + std::max(0, point.y()) / lineHeight_;
    const qreal x = std::max(0, point.x() - kMargin) / cellWidth_;
    const qsizetype column = horizontalScrollBar()->value() + qsizetype(std::lround(x));
    return text_.Clamp({line, column});
}

QPoint RawLogView::PointOf(TextPos pos) const {
    const qreal x = kMargin + (pos.column - horizontalScrollBar()->value()) * cellWidth_;
    return QPoint(int(std::floor(x)), int((pos.line - TopLine()) * lineHeight_));
}

qsizetype RawLogView::TopLine() const {
    return verticalScrollBar()->value();
}

void RawLogView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    lastMouse_ = event->position().toPoint();
    moveCaret(PosAt(lastMouse_), event->modifiers() & Qt::ShiftModifier);
    selecting_ = true;
}

void RawLogView::mouseMoveEvent(QMouseEvent* event) {
    if (!selecting_) return;
    lastMouse_ = event->position().toPoint();
    moveCaret(PosAt(lastMouse_), true);
    // Held above or below the view, the selection goes on growing.
    if (viewport()->rect().contains(lastMouse_))
        scrollTimer_.stop();
    else if (!scrollTimer_.isActive())
        scrollTimer_.start(kAutoScrollMs, this);
}

void RawLogView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    selecting_ = false;
    scrollTimer_.stop();
    QClipboard* clipboard = QApplication::clipboard();
    if (HasSelection() && clipboard->supportsSelection())
        clipboard->setText(toClipboard(SelectedBytes()), QClipboard::Selection);
}

void RawLogView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const TextPos at = PosAt(event->position().toPoint());
    const QByteArrayView line = text_.Line(at.line);
    qsizetype begin = at.column, end = at.column;
    while (begin > 0 && isWordByte(line[begin - 1]))
        --begin;
    while (end < line.size() && isWordByte(line[end]))
        ++end;
    Select({at.line, begin}, {at.line, end});
}

void RawLogView::autoScroll() {
    const QRect area = viewport()->rect();
    QScrollBar* bar = verticalScrollBar();
    if (lastMouse_.y() < area.top()) bar->setValue(bar->value() - 1);
    if (lastMouse_.y() > area.bottom()) bar->setValue(bar->value() + 1);
    QPoint inside = lastMouse_;
    inside.setY(std::clamp(inside.y(), area.top(), area.bottom()));
    moveCaret(PosAt(inside), true);
}

// ---------------------------------------------------------------------------------------------
// Caret, focus and scrolling

void RawLogView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == blinkTimer_.timerId()) {
        caretShown_ = !caretShown_;
        viewport()->update(QRect(PointOf(caret_), QSize(2, lineHeight_)));
    } else if (event->timerId() == scrollTimer_.timerId()) {
        autoScroll();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void RawLogView::restartBlink() {
    caretShown_ = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        blinkTimer_.start(flash / 2, this);
    else
        blinkTimer_.stop();
}

void RawLogView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
}

void RawLogView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blinkTimer_.stop();
    viewport()->update();
}

void RawLogView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        fontChanged();
        updateScrollBars();
        viewport()->update();
    }
}

void RawLogView::fontChanged() {
    const QFontMetricsF metrics(font());
    cellWidth_ = std::max<qreal>(1, metrics.horizontalAdvance(QLatin1Char('0')));
    lineHeight_ = std::max(1, int(std::ceil(metrics.lineSpacing())));
    ascent_ = int(std::ceil(metrics.ascent()));
}

int RawLogView::visibleRows() const {
    return std::max(1, viewport()->height() / lineHeight_);
}

int RawLogView::visibleColumns() const {
    return std::max(1, int((viewport()->width() - kMargin) / cellWidth_));
}

void RawLogView::updateScrollBars() {
    const auto clampInt = [](qsizetype n) { return int(std::clamp<qsizetype>(n, 0, INT_MAX)); };
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, clampInt(text_.LineCount() - visibleRows()));
    vertical->setPageStep(visibleRows());
    QScrollBar* horizontal = horizontalScrollBar();
    // One column more than the longest line, for the caret after its last character.
    horizontal->setRange(0, clampInt(text_.LongestLine() + 1 - visibleColumns()));
    horizontal->setPageStep(visibleColumns());
    horizontal->setSingleStep(1);
}

void RawLogView::ensureCaretVisible() {
    QScrollBar* vertical = verticalScrollBar();
    if (caret_.line < vertical->value())
        vertical->setValue(int(caret_.line));
    else if (caret_.line >= vertical->value() + visibleRows())
        vertical->setValue(int(caret_.line - visibleRows() + 1));
    QScrollBar* horizontal = horizontalScrollBar();
    const int columns = visibleColumns();
    // A jump of a quarter of the view, so that typing near the edge does not scroll each time.
    if (caret_.column < horizontal->value())
        horizontal->setValue(int(std::max<qsizetype>(0, caret_.column - columns / 4)));
    else if (caret_.column >= horizontal->value() + columns)
        horizontal->setValue(int(caret_.column - columns + 1 + columns / 4));
}

void RawLogView::scrollContentsBy(int, int) {
    viewport()->update();
}

void RawLogView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

// ---------------------------------------------------------------------------------------------
// Painting: only the lines and the columns on screen.

void RawLogView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QPalette& pal = palette();
    painter.fillRect(event->rect(), pal.base());
    painter.setFont(font());

    const qsizetype top = TopLine();
    const qsizetype firstColumn = horizontalScrollBar()->value();
    const qsizetype columns = visibleColumns() + 2;
    const qsizetype rows = viewport()->height() / lineHeight_ + 1;
    const TextPos selFrom = std::min(anchor_, caret_);
    const TextPos selTo = std::max(anchor_, caret_);
    const QColor blankMark = pal.color(QPalette::PlaceholderText);

    for (qsizetype row = 0; row < rows && top + row < text_.LineCount(); ++row) {
        const qsizetype index = top + row;
        const QByteArrayView line = text_.Line(index);
        const qsizetype begin = std::min(firstColumn, line.size());
        const QByteArrayView bytes = line.sliced(begin, std::min(columns, line.size() - begin));
        const int y = int(row * lineHeight_);
        const QPointF baseline(kMargin, y + ascent_);
        const QString shown = shownText(bytes);

        // The selection on this line; a selected line break shows as one cell after the text.
        QRectF selected;
        if (HasSelection() && index >= selFrom.line && index <= selTo.line) {
            const qsizetype from = index == selFrom.line ? selFrom.column : 0;
            const qsizetype to = index == selTo.line ? selTo.column : line.size() + 1;
            const qreal left = kMargin + (from - firstColumn) * cellWidth_;
            const qreal right = kMargin + (to - firstColumn) * cellWidth_;
            selected = QRectF(QPointF(std::max<qreal>(left, 0), y),
                              QPointF(std::max<qreal>(right, 0), y + lineHeight_));
        }
        painter.setPen(pal.color(QPalette::Text));
        painter.drawText(baseline, shown);
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (!isBlankByte(static_cast<unsigned char>(bytes[i]))) continue;
            const QPointF centre(kMargin + (i + 0.5) * cellWidth_, y + lineHeight_ / 2.0);
            painter.fillRect(QRectF(centre - QPointF(1, 1), QSizeF(2, 2)), blankMark);
        }
        if (!selected.isEmpty()) {
            painter.fillRect(selected, pal.brush(QPalette::Highlight));
            painter.save();
            painter.setClipRect(selected);
            painter.setPen(pal.color(QPalette::HighlightedText));
            painter.drawText(baseline, shown);
            painter.restore();
        }
    }

    if (hasFocus() && caretShown_ && caret_.line >= top && caret_.line < top + rows) {
        const QPoint at = PointOf(caret_);
        painter.fillRect(QRect(at, QSize(1, lineHeight_)), pal.color(QPalette::Text));
    }
}
