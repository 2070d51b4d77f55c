#pragma once
// The list view: a table of items (rows) with sub-items (columns) under a header, as the
// console's "Tabla" uses it. Inside is a QTableView over ListViewModel, which keeps texts column
// by column, or, in virtual mode, asks the owner for each visible cell, so that a million rows
// cost nothing until they are shown. Items and columns are numbered from 0; sub-item 0 is the
// item's own text. Every operation answers true on success; numbers out of range do nothing.
#include <QWidget>
#include <functional>

class QIcon;
class QImage;
class QTableView;
class ListViewModel;

// The colours of one cell about to be painted. The owner's OnSubItemPrePaint handler finds them
// preset to the list's BackColor and ForeColor, may change them, and sets Handled to have them
// used (left false, the list paints the cell in its own colours).
struct SubItemColors {
    qint32 BackColor;
    qint32 TextColor;
    bool Handled;
};

class ucListView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qint32 BackColor READ BackColor WRITE setBackColor)
    // 0 none, 1 a single line, 2 a sunken edge.
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(bool CheckBoxes READ CheckBoxes WRITE setCheckBoxes)
    Q_PROPERTY(int Count READ Count)
    Q_PROPERTY(int ColumnCount READ ColumnCount)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(qint32 ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(bool FullRowSelect READ FullRowSelect WRITE setFullRowSelect)
    Q_PROPERTY(bool GridLines READ GridLines WRITE setGridLines)
    Q_PROPERTY(bool HeaderDragDrop READ HeaderDragDrop WRITE setHeaderDragDrop)
    Q_PROPERTY(bool HeaderFixedWidth READ HeaderFixedWidth WRITE setHeaderFixedWidth)
    // A flat header has no buttons: its columns cannot be clicked.
    Q_PROPERTY(bool HeaderFlat READ HeaderFlat WRITE setHeaderFlat)
    Q_PROPERTY(bool HeaderHide READ HeaderHide WRITE setHeaderHide)
    // True: the selection is not shown while the list has no focus.
    Q_PROPERTY(bool HideSelection READ HideSelection WRITE setHideSelection)
    Q_PROPERTY(bool LabelEdit READ LabelEdit WRITE setLabelEdit)
    Q_PROPERTY(bool LabelTips READ LabelTips WRITE setLabelTips)
    Q_PROPERTY(bool MultiSelect READ MultiSelect WRITE setMultiSelect)
    // A pointing hand over the items, as for links.
    Q_PROPERTY(bool OneClickActivate READ OneClickActivate WRITE setOneClickActivate)
    // Units of the mouse events' and ItemHitTest's coordinates: 1 twips, anything else pixels.
    Q_PROPERTY(int ScaleMode READ ScaleMode WRITE setScaleMode)
    // Kept for the owner; the platform's scroll bars have no flat form.
    Q_PROPERTY(bool ScrollBarFlat READ ScrollBarFlat WRITE setScrollBarFlat)
    Q_PROPERTY(int SelectedCount READ SelectedCount)
    Q_PROPERTY(bool SubItemImages READ SubItemImages WRITE setSubItemImages)
    // The item under the mouse is selected as the mouse moves.
    Q_PROPERTY(bool TrackSelect READ TrackSelect WRITE setTrackSelect)
    // The item under the mouse is underlined.
    Q_PROPERTY(bool UnderlineHot READ UnderlineHot WRITE setUnderlineHot)
    // 1 report (header and all columns); 0 large icons, 2 small icons and 3 list show the items'
    // own texts only, without header.
    Q_PROPERTY(int ViewMode READ ViewMode WRITE setViewMode)
    Q_PROPERTY(bool RaiseSubItemPrePaint READ RaiseSubItemPrePaint WRITE setRaiseSubItemPrePaint)

public:
    using SubItemColors = ::SubItemColors;
    // Model role carrying an item's indent (in image widths) to the drawing of its first cell.
    static constexpr int IndentRole = Qt::UserRole + 1;

    explicit ucListView(QWidget* parent = nullptr);
    ~ucListView() override;

    // Operations.
    bool Initialize();
    bool InitializeImageListSmall(int ImageWidth = 16, int ImageHeight = 16);
    bool InitializeImageListLarge(int ImageWidth = 32, int ImageHeight = 32);
    bool InitializeImageListHeader(int ImageWidth = 16, int ImageHeight = 16);
    bool Refresh();
    // A picture as wide as several images adds them all, left to right; pixels of MaskColor
    // (-1 for none) become transparent.
    bool ImageListSmall_AddBitmap(const QImage& hBitmap, qint32 MaskColor = -1);
    bool ImageListSmall_AddIcon(const QIcon& hIcon);
    bool ImageListLarge_AddBitmap(const QImage& hBitmap, qint32 MaskColor = -1);
    bool ImageListLarge_AddIcon(const QIcon& hIcon);
    bool ImageListHeader_AddBitmap(const QImage& hBitmap, qint32 MaskColor = -1);
    bool ImageListHeader_AddIcon(const QIcon& hIcon);
    // Removes every item (and leaves virtual mode).
    bool Clear();
    // SortOrder 0 ascending, 1 descending; SortType 0 text ignoring case, 1 leading number.
    bool Sort(int Column, int SortOrder = 0, int SortType = 0);
    // A picture file (path or file: URL) tiled behind the items; "" removes it.
    bool BackgroundPictureSet(const QString& URL);
    // Width in pixels; Align 0 left, 1 right, 2 centre; Icon indexes the header image list.
    bool ColumnAdd(int Column, const QString& Text, int Width, int Align = 0, int Icon = 0);
    bool ColumnRemove(int Column);
    // AutosizeType 0 fits the items' texts, 1 the header's, 2 the wider of both.
    bool ColumnAutosize(int Column, int AutosizeType = 0);
    // Item beyond the last (or negative) appends. Icon indexes the small image list.
    bool ItemAdd(int Item, const QString& Text, int Indent = 0, int Icon = 0);
    bool ItemRemove(int Item);
    // Scrolls Item into view; -1 or a number out of range does nothing (answers false).
    bool ItemEnsureVisible(int Item);
    // The first item after StartItem whose text equals Text (Coincidence 0) or begins with it
    // (1), ignoring case; -1 when none.
    int ItemFindText(const QString& Text, int StartItem = -1, int Coincidence = 0) const;
    // The first item after StartItem having every state bit of State (1 focused, 2 selected,
    // 4 ghosted); -1 when none.
    int ItemFindState(int StartItem, int State) const;
    // The item at (X, Y) in the control's ScaleMode, or -1.
    int ItemHitTest(int X, int Y) const;
    bool SubItemSet(int Item, int SubItem, const QString& Text, int Icon = -1);
    // There is no window handle on this platform: 0.
    qint64 GetHWND() const { return 0; }

    // Virtual rows: count items whose texts the owner answers on demand. Replaces all items;
    // Clear (or a count of 0) ends it. Items of a virtual list are read-only here.
    void SetVirtualItems(int count, std::function<QString(int Item, int SubItem)> cellText);
    bool IsVirtual() const;

    // Indexed properties.
    QString ColumnText(int Column) const;
    void setColumnText(int Column, const QString& Text);
    int ColumnWidth(int Column) const; // pixels; -1 for no such column
    void setColumnWidth(int Column, int Width);
    int ColumnAlign(int Column) const;
    void setColumnAlign(int Column, int Align);
    int ColumnIcon(int Column) const;
    void setColumnIcon(int Column, int Icon);
    QString ItemText(int Item) const;
    void setItemText(int Item, const QString& Text);
    int ItemIcon(int Item) const;
    void setItemIcon(int Item, int Icon);
    int ItemIndent(int Item) const;
    void setItemIndent(int Item, int Indent);
    bool ItemSelected(int Item) const;
    void setItemSelected(int Item, bool Selected);
    bool ItemFocused(int Item) const;
    void setItemFocused(int Item, bool Focused);
    bool ItemChecked(int Item) const;
    void setItemChecked(int Item, bool Checked);
    bool ItemGhosted(int Item) const;
    void setItemGhosted(int Item, bool Ghosted);
    QString SubItemText(int Item, int SubItem) const;
    void setSubItemText(int Item, int SubItem, const QString& Text);
    int SubItemIcon(int Item, int SubItem) const;
    void setSubItemIcon(int Item, int SubItem, int Icon);

    // Plain properties.
    qint32 BackColor() const { return m_backColor; }
    void setBackColor(qint32 color);
    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style);
    bool CheckBoxes() const { return m_checkBoxes; }
    void setCheckBoxes(bool on);
    int Count() const;
    int ColumnCount() const;
    qint32 ForeColor() const { return m_foreColor; }
    void setForeColor(qint32 color);
    bool FullRowSelect() const { return m_fullRowSelect; }
    void setFullRowSelect(bool on);
    bool GridLines() const { return m_gridLines; }
    void setGridLines(bool on);
    bool HeaderDragDrop() const { return m_headerDragDrop; }
    void setHeaderDragDrop(bool on);
    bool HeaderFixedWidth() const { return m_headerFixedWidth; }
    void setHeaderFixedWidth(bool on);
    bool HeaderFlat() const { return m_headerFlat; }
    void setHeaderFlat(bool on);
    bool HeaderHide() const { return m_headerHide; }
    void setHeaderHide(bool on);
    bool HideSelection() const { return m_hideSelection; }
    void setHideSelection(bool on);
    bool LabelEdit() const { return m_labelEdit; }
    void setLabelEdit(bool on);
    bool LabelTips() const { return m_labelTips; }
    void setLabelTips(bool on);
    bool MultiSelect() const { return m_multiSelect; }
    void setMultiSelect(bool on);
    bool OneClickActivate() const { return m_oneClickActivate; }
    void setOneClickActivate(bool on);
    int ScaleMode() const { return m_scaleMode; }
    void setScaleMode(int mode) { m_scaleMode = mode; }
    bool ScrollBarFlat() const { return m_scrollBarFlat; }
    void setScrollBarFlat(bool on) { m_scrollBarFlat = on; }
    int SelectedCount() const;
    bool SubItemImages() const { return m_subItemImages; }
    void setSubItemImages(bool on);
    bool TrackSelect() const { return m_trackSelect; }
    void setTrackSelect(bool on);
    bool UnderlineHot() const { return m_underlineHot; }
    void setUnderlineHot(bool on);
    int ViewMode() const { return m_viewMode; }
    void setViewMode(int mode);
    bool RaiseSubItemPrePaint() const { return m_raiseSubItemPrePaint; }
    void setRaiseSubItemPrePaint(bool on);

    // The table inside (objectName "lvTable"), for owners that need the view itself.
    QTableView* Table() const;

signals:
    void Click();
    void DblClick();
    void ItemClick(int Item);
    void ItemCheck(int Item, bool Checked);
    void ColumnClick(int Column);
    void ColumnRightClick(int Column);
    // KeyCode in the desktop's virtual-key numbers (letters and digits as their capitals'
    // codes, Left 37, Up 38, Right 39, Down 40, ...); Shift: 1 shift, 2 control, 4 alt.
    void KeyDown(int KeyCode, int Shift);
    // The character typed; set *KeyAscii to 0 to discard the key.
    void KeyPress(int* KeyAscii);
    void KeyUp(int KeyCode, int Shift);
    // Button: 1 left, 2 right, 4 middle; X and Y in the control's ScaleMode.
    void MouseDown(int Button, int Shift, int X, int Y);
    void MouseMove(int Button, int Shift, int X, int Y);
    void MouseUp(int Button, int Shift, int X, int Y);
    void MouseEnter();
    void MouseLeave();
    // Set *Cancel to non-zero to refuse the edit (before) or the new text (after); the handler
    // may also change *NewString.
    void BeforeLabelEdit(int* Cancel);
    void AfterLabelEdit(int* Cancel, QString* NewString);
    void Resize();
    // Raised, directly, for every cell about to be painted while RaiseSubItemPrePaint is true,
    // and only then. Each paint asks for every cell on screen, row by row from the top, so that
    // colours that depend on the order they are asked in (the table's user colours start again
    // at row 0) agree all over the screen.
    void OnSubItemPrePaint(int Item, int SubItem, SubItemColors* colors);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class InnerTable;

    bool askColors(int Item, int SubItem, SubItemColors* colors);
    void applyHoverTracking();
    bool addImages(int list, const QImage& bitmap, qint32 maskColor);
    bool addIcon(int list, const QIcon& icon);
    void applyColors();
    void applyViewMode();
    void applyRowHeight();
    int toScale(int pixels) const;
    int fromScale(int units) const;
    bool mouseEvent(QEvent* event);
    bool keyEvent(QEvent* event);

    InnerTable* m_table;
    ListViewModel* m_model;
    qint32 m_backColor;
    qint32 m_foreColor;
    int m_borderStyle = 1;
    bool m_checkBoxes = false;
    bool m_fullRowSelect = false;
    bool m_gridLines = false;
    bool m_headerDragDrop = false;
    bool m_headerFixedWidth = false;
    bool m_headerFlat = false;
    bool m_headerHide = false;
    bool m_hideSelection = true;
    bool m_labelEdit = false;
    bool m_labelTips = false;
    bool m_multiSelect = false;
    bool m_oneClickActivate = false;
    int m_scaleMode = 3;
    bool m_scrollBarFlat = false;
    bool m_subItemImages = false;
    bool m_trackSelect = false;
    bool m_underlineHot = false;
    int m_viewMode = 1;
    bool m_raiseSubItemPrePaint = false;
};
