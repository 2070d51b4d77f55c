#pragma once
// The rows and columns behind ucListView. Cell texts are kept column by column (one vector of
// texts per column), so a row costs a few strings and no object of its own; in virtual mode the
// owner answers every cell on demand and nothing per row is kept at all. Cell colours are not
// the model's: the list asks its owner for them as it paints each cell.
#include <QAbstractTableModel>
#include <QPixmap>
#include <QSize>
#include <functional>
#include <vector>

class ListViewModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using CellText = std::function<QString(int Item, int SubItem)>;

    struct ImageList {
        QSize size;
        std::vector<QPixmap> images;
    };

    explicit ListViewModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Columns. Numbers outside 0..count insert at the end.
    int insertColumnAt(int column, const QString& text, int align, int icon);
    bool removeColumnAt(int column);
    QString columnText(int column) const;
    bool setColumnText(int column, const QString& text);
    int columnAlign(int column) const;
    bool setColumnAlign(int column, int align);
    int columnIcon(int column) const;
    bool setColumnIcon(int column, int icon);

    // Rows. Numbers outside 0..count insert at the end; the answer is the row's number or -1.
    int insertItem(int item, const QString& text, int indent, int icon);
    bool removeItem(int item);
    void clear();
    bool isVirtual() const { return static_cast<bool>(m_cellText); }
    void setVirtualItems(int count, CellText cellText);
    bool validItem(int item) const { return item >= 0 && item < rowCount(); }
    bool validCell(int item, int sub) const {
        return validItem(item) && sub >= 0 && sub < columnCount();
    }

    QString cellText(int item, int sub) const;
    bool setCellText(int item, int sub, const QString& text);
    int cellIcon(int item, int sub) const;
    bool setCellIcon(int item, int sub, int icon);
    int itemIndent(int item) const;
    bool setItemIndent(int item, int indent);
    bool itemChecked(int item) const;
    bool setItemChecked(int item, bool checked);
    bool itemGhosted(int item) const;
    bool setItemGhosted(int item, bool ghosted);

    // Orders the rows by the texts of one column; type 0 compares text (ignoring case), 1 the
    // leading number. Virtual rows are the owner's and are not sorted.
    bool sortRows(int column, Qt::SortOrder order, int type);

    // Presentation settings the control passes down.
    void setCheckBoxes(bool on);
    void setLabelEdit(bool on);
    void setLabelTips(bool on) { m_labelTips = on; }
    void setSubItemImages(bool on);
    // Rows with a hot (hovered) look get an underlined font while UnderlineHot is on.
    void setHotItem(int item);
    void setUnderlineHot(bool on);
    ImageList& smallImages() { return m_small; }
    ImageList& headerImages() { return m_header; }
    ImageList& largeImages() { return m_large; }
    void setLargeIcons(bool on) { m_largeIcons = on; }
    void imagesChanged();

    // The text the user typed while editing an item; the control decides whether it is kept.
    std::function<bool(int Item, QString* text)> acceptLabelEdit;

signals:
    // The user ticked or cleared an item's check box.
    void itemCheckToggled(int item, bool checked);

private:
    struct ColumnInfo {
        QString text;
        int align = 0;
        int icon = -1;
    };
    // Per-row attributes that are not texts, kept in their own compact vector.
    struct RowInfo {
        qint16 indent = 0;
        qint16 icon = -1;
        bool checked = false;
        bool ghosted = false;
    };

    QVariant decoration(int item, int sub) const;

    std::vector<ColumnInfo> m_columns;
    std::vector<std::vector<QString>> m_cells;   // [column][row]
    std::vector<std::vector<qint16>> m_subIcons; // [column][row], empty until used
    std::vector<RowInfo> m_rows;                 // real rows only
    int m_virtualCount = 0;
    CellText m_cellText;
    std::vector<bool> m_virtualChecked; // check boxes of virtual rows

    bool m_checkBoxes = false;
    bool m_labelEdit = false;
    bool m_labelTips = false;
    bool m_subItemImages = false;
    bool m_underlineHot = false;
    bool m_largeIcons = false;
    int m_hotItem = -1;
    ImageList m_small;
    ImageList m_large;
    ImageList m_header;
};
