#pragma once
// The raw log view `logf`: the received log as text, in a fixed-pitch font, editable like any
// multi-line text box (caret, selection by mouse and keyboard, copy, cut, paste, typing, undo and
// redo, the usual context menu). It is a view of a LogText: it lays out and paints only the lines
// on screen, one byte one character cell, so a log of a million lines shows at once, and an edit
// changes only the lines it touches. The table and the diagram read the same LogText, edits
// included.
//
// The vertical scroll bar counts lines and the horizontal one character columns, so that even
// the longest line a transfer may bring stays within a scroll bar's range.
#include "views/LogText.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QString>
#include <vector>

class QMenu;

class RawLogView : public QAbstractScrollArea {
    Q_OBJECT
    // The whole text with CR LF between lines, as characters of the console's code page.
    Q_PROPERTY(QString Text READ Text WRITE setText)

public:
    explicit RawLogView(QWidget* parent = nullptr);

    // The text shown, to be read by the table and the diagram (a copy shares its bytes).
    const LogText& logText() const { return text_; }
    // Replaces the whole text: caret at the start, scrolled to the top, nothing to undo.
    void SetLogText(LogText text);
    // Adds new lines after the end. The caret, the selection and the place on screen stay, but a
    // view that showed the end goes on showing it. What was typed before can no longer be undone
    // (the lines it touched may have grown).
    void AppendLogText(QByteArrayView bytes);

    QString Text() const;
    void setText(const QString& text);

    TextPos Caret() const { return caret_; }
    TextPos Anchor() const { return anchor_; }
    // Selects from anchor to caret (the caret end is where typing goes) and scrolls to the caret.
    void Select(TextPos anchor, TextPos caret);
    QByteArray SelectedBytes() const;
    bool HasSelection() const { return anchor_ != caret_; }

    // The place under a point of the viewport.
    TextPos PosAt(QPoint point) const;
    // The top-left corner of a character cell in the viewport.
    QPoint PointOf(TextPos pos) const;
    // The first line on screen.
    qsizetype TopLine() const;

    // The operator's editing, also reached from the keyboard and the context menu.
    void Insert(QByteArrayView bytes);
    void DeleteSelection();
    void Copy() const;
    void Cut();
    void Paste();
    void Undo();
    void Redo();
    void SelectAll();
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }

    // The context menu as it is offered at the caret (Spanish, like the rest of the console).
    QMenu* CreateContextMenu(QWidget* parent);

signals:
    // The operator changed the text (typing, a paste, an undo...), not SetLogText.
    void textEdited();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;

private:
    // One step of the undo history: the edit, and where the caret and selection were around it.
    struct Step {
        LogText::Edit edit;
        TextPos anchorBefore, caretBefore, caretAfter;
        bool typing = false;
    };
    enum class Motion {
        Left,
        Right,
        WordLeft,
        WordRight,
        Up,
        Down,
        PageUp,
        PageDown,
        Home,
        End,
        Top,
        Bottom
    };

    bool handleEditKey(QKeyEvent* event);
    bool handleMotionKey(QKeyEvent* event);
    bool isEditingShortcut(QKeyEvent* event) const;
    TextPos moved(TextPos from, Motion motion) const;
    void moveCaret(TextPos caret, bool extend);
    void replaceSelection(QByteArrayView bytes, bool typing);
    void applyStep(const Step& step, bool backward);
    void edited();
    void fontChanged();
    void updateScrollBars();
    void ensureCaretVisible();
    int visibleRows() const;
    int visibleColumns() const;
    void restartBlink();
    void autoScroll();

    LogText text_;
    TextPos caret_, anchor_;
    // The column the caret keeps to while it moves up and down through shorter lines.
    qsizetype goalColumn_ = -1;
    std::vector<Step> undo_, redo_;

    qreal cellWidth_ = 1;
    int lineHeight_ = 1;
    int ascent_ = 0;

    bool caretShown_ = true;
    bool selecting_ = false;
    QPoint lastMouse_;
    QBasicTimer blinkTimer_;
    QBasicTimer scrollTimer_;
};
