// The list view's rows and columns: column-wise text storage, virtual rows answered by the
// owner, and the roles through which the view learns texts, icons, check marks and colours.
#include "widgets/ListViewModel.h"

#include "widgets/ucListView.h"

#include <QFont>
#include <QPainter>
#include <algorithm>
#include <numeric>

namespace {

Qt::Alignment alignmentOf(int align) {
    switch (align) {
    case 1:
        return Qt::AlignRight | Qt::AlignVCenter;
    case 2:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// The number a text starts with ("12 KB" -> 12); texts without one sort first.
double leadingNumber(const QString& text) {
    const QString t = text.trimmed();
    qsizetype end = 0;
    while (end < t.size() && (t[end].isDigit() || t[end] == u'.' || (end == 0 && t[end] == u'-')))
        ++end;
    bool ok = false;
    const double d = t.left(end).toDouble(&ok);
    return ok ? d : -std::numeric_limits<double>::infinity();
}

QPixmap faded(const QPixmap& source) {
    QPixmap out(source.size());
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setOpacity(0.5);
    painter.drawPixmap(0, 0, source);
    return out;
}

} // namespace

ListViewModel::ListViewModel(QObject* parent)
    : QAbstractTableModel(parent), m_cells(1), m_subIcons(1) {}

int ListViewModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return isVirtual() ? m_virtualCount : int(m_rows.size());
}

int ListViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ListViewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !validCell(index.row(), index.column())) return {};
    const int item = index.row();
    const int sub = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cellText(item, sub);
    case Qt::ToolTipRole:
        return m_labelTips ? QVariant(cellText(item, sub)) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(alignmentOf(m_columns[sub].align));
    case Qt::DecorationRole:
        return decoration(item, sub);
    case Qt::CheckStateRole:
        if (!m_checkBoxes || sub != 0) return {};
        return itemChecked(item) ? Qt::Checked : Qt::Unchecked;
    case Qt::FontRole:
        if (m_underlineHot && item == m_hotItem) {
            QFont underlined;
            underlined.setUnderline(true);
            return underlined;
        }
        return {};
    case ucListView::IndentRole:
        return isVirtual() ? 0 : int(m_rows[item].indent);
    default:
        return {};
    }
}

QVariant ListViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    const ColumnInfo& column = m_columns[section];
    switch (role) {
    case Qt::DisplayRole:
        return column.text;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(alignmentOf(column.align));
    case Qt::DecorationRole:
        if (column.icon >= 0 && column.icon < int(m_header.images.size()))
            return m_header.images[column.icon];
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags ListViewModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0 && m_checkBoxes) f |= Qt::ItemIsUserCheckable;
    if (index.column() == 0 && m_labelEdit && !isVirtual()) f |= Qt::ItemIsEditable;
    return f;
}

bool ListViewModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || !validItem(index.row())) return false;
    if (role == Qt::CheckStateRole && m_checkBoxes) {
        const bool checked = value.toInt() == Qt::Checked;
        if (!setItemChecked(index.row(), checked)) return false;
        emit itemCheckToggled(index.row(), checked);
        return true;
    }
    if (role == Qt::EditRole && m_labelEdit && !isVirtual()) {
        QString text = value.toString();
        if (acceptLabelEdit && !acceptLabelEdit(index.row(), &text)) return false;
        return setCellText(index.row(), 0, text);
    }
    return false;
}

int ListViewModel::insertColumnAt(int column, const QString& text, int align, int icon) {
    const int count = columnCount();
    if (column < 0 || column > count) column = count;
    beginInsertColumns(QModelIndex(), column, column);
    m_columns.insert(m_columns.begin() + column, ColumnInfo{text, align, icon});
    // The first column takes over the item texts kept while there were no columns.
    if (count > 0) {
        m_cells.insert(m_cells.begin() + column, std::vector<QString>(m_rows.size()));
        m_subIcons.insert(m_subIcons.begin() + column, std::vector<qint16>());
    }
    endInsertColumns();
    return column;
}

bool ListViewModel::removeColumnAt(int column) {
    if (column < 0 || column >= columnCount()) return false;
    beginRemoveColumns(QModelIndex(), column, column);
    m_columns.erase(m_columns.begin() + column);
    if (m_cells.size() > 1) {
        m_cells.erase(m_cells.begin() + column);
        m_subIcons.erase(m_subIcons.begin() + column);
    } else {
        m_cells[0].assign(m_rows.size(), QString());
        m_subIcons[0].clear();
    }
    endRemoveColumns();
    return true;
}

QString ListViewModel::columnText(int column) const {
    return column >= 0 && column < columnCount() ? m_columns[column].text : QString();
}

bool ListViewModel::setColumnText(int column, const QString& text) {
    if (column < 0 || column >= columnCount()) return false;
    m_columns[column].text = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
    return true;
}

int ListViewModel::columnAlign(int column) const {
    return column >= 0 && column < columnCount() ? m_columns[column].align : 0;
}

bool ListViewModel::setColumnAlign(int column, int align) {
    if (column < 0 || column >= columnCount()) return false;
    m_columns[column].align = align;
    emit headerDataChanged(Qt::Horizontal, column, column);
    if (rowCount() > 0)
        emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::TextAlignmentRole});
    return true;
}

int ListViewModel::columnIcon(int column) const {
    return column >= 0 && column < columnCount() ? m_columns[column].icon : -1;
}

bool ListViewModel::setColumnIcon(int column, int icon) {
    if (column < 0 || column >= columnCount()) return false;
    m_columns[column].icon = icon;
    emit headerDataChanged(Qt::Horizontal, column, column);
    return true;
}

int ListViewModel::insertItem(int item, const QString& text, int indent, int icon) {
    if (isVirtual()) return -1;
    const int count = rowCount();
    if (item < 0 || item > count) item = count;
    beginInsertRows(QModelIndex(), item, item);
    m_rows.insert(m_rows.begin() + item,
                  RowInfo{qint16(qBound(0, indent, 32767)), qint16(qBound(-1, icon, 32767))});
    for (size_t c = 0; c < m_cells.size(); ++c) {
        m_cells[c].insert(m_cells[c].begin() + item, c == 0 ? text : QString());
        if (!m_subIcons[c].empty()) m_subIcons[c].insert(m_subIcons[c].begin() + item, -1);
    }
    endInsertRows();
    return item;
}

bool ListViewModel::removeItem(int item) {
    if (isVirtual() || !validItem(item)) return false;
    beginRemoveRows(QModelIndex(), item, item);
    m_rows.erase(m_rows.begin() + item);
    for (size_t c = 0; c < m_cells.size(); ++c) {
        m_cells[c].erase(m_cells[c].begin() + item);
        if (!m_subIcons[c].empty()) m_subIcons[c].erase(m_subIcons[c].begin() + item);
    }
    endRemoveRows();
    return true;
}

void ListViewModel::clear() {
    beginResetModel();
    m_rows.clear();
    for (auto& column : m_cells)
        column.clear();
    for (auto& column : m_subIcons)
        column.clear();
    m_virtualCount = 0;
    m_cellText = nullptr;
    m_virtualChecked.clear();
    m_hotItem = -1;
    endResetModel();
}

void ListViewModel::setVirtualItems(int count, CellText cellText) {
    beginResetModel();
    m_rows.clear();
    for (auto& column : m_cells)
        column.clear();
    for (auto& column : m_subIcons)
        column.clear();
    m_virtualChecked.clear();
    m_hotItem = -1;
    m_cellText = cellText ? std::move(cellText) : nullptr;
    m_virtualCount = m_cellText ? qMax(0, count) : 0;
    endResetModel();
}

QString ListViewModel::cellText(int item, int sub) const {
    if (!validItem(item) || sub < 0) return {};
    if (isVirtual()) return sub < qMax(1, columnCount()) ? m_cellText(item, sub) : QString();
    return sub < int(m_cells.size()) ? m_cells[sub][item] : QString();
}

bool ListViewModel::setCellText(int item, int sub, const QString& text) {
    if (isVirtual() || !validItem(item) || sub < 0 || sub >= int(m_cells.size())) return false;
    m_cells[sub][item] = text;
    if (sub < columnCount()) {
        const QModelIndex cell = index(item, sub);
        emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole, Qt::ToolTipRole});
    }
    return true;
}

int ListViewModel::cellIcon(int item, int sub) const {
    if (isVirtual() || !validItem(item) || sub < 0 || sub >= int(m_cells.size())) return -1;
    if (sub == 0) return m_rows[item].icon;
    return m_subIcons[sub].empty() ? -1 : m_subIcons[sub][item];
}

bool ListViewModel::setCellIcon(int item, int sub, int icon) {
    if (isVirtual() || !validItem(item) || sub < 0 || sub >= int(m_cells.size())) return false;
    const auto value = qint16(qBound(-1, icon, 32767));
    if (sub == 0) {
        m_rows[item].icon = value;
    } else {
        if (m_subIcons[sub].empty()) m_subIcons[sub].assign(m_rows.size(), -1);
        m_subIcons[sub][item] = value;
    }
    if (sub < columnCount()) {
        const QModelIndex cell = index(item, sub);
        emit dataChanged(cell, cell, {Qt::DecorationRole});
    }
    return true;
}

int ListViewModel::itemIndent(int item) const {
    return !isVirtual() && validItem(item) ? m_rows[item].indent : 0;
}

bool ListViewModel::setItemIndent(int item, int indent) {
    if (isVirtual() || !validItem(item)) return false;
    m_rows[item].indent = qint16(qBound(0, indent, 32767));
    if (columnCount() > 0) emit dataChanged(index(item, 0), index(item, 0));
    return true;
}

bool ListViewModel::itemChecked(int item) const {
    if (!validItem(item)) return false;
    if (isVirtual()) return size_t(item) < m_virtualChecked.size() && m_virtualChecked[item];
    return m_rows[item].checked;
}

bool ListViewModel::setItemChecked(int item, bool checked) {
    if (!validItem(item)) return false;
    if (isVirtual()) {
        if (m_virtualChecked.size() <= size_t(item)) m_virtualChecked.resize(m_virtualCount);
        m_virtualChecked[item] = checked;
    } else {
        m_rows[item].checked = checked;
    }
    if (columnCount() > 0) emit dataChanged(index(item, 0), index(item, 0), {Qt::CheckStateRole});
    return true;
}

bool ListViewModel::itemGhosted(int item) const {
    return !isVirtual() && validItem(item) && m_rows[item].ghosted;
}

bool ListViewModel::setItemGhosted(int item, bool ghosted) {
    if (isVirtual() || !validItem(item)) return false;
    m_rows[item].ghosted = ghosted;
    if (columnCount() > 0) emit dataChanged(index(item, 0), index(item, 0), {Qt::DecorationRole});
    return true;
}

bool ListViewModel::sortRows(int column, Qt::SortOrder order, int type) {
    if (isVirtual() || column < 0 || column >= int(m_cells.size())) return false;
    const std::vector<QString>& key = m_cells[column];
    std::vector<int> perm(m_rows.size());
    std::iota(perm.begin(), perm.end(), 0);
    auto less = [&](int a, int b) {
        if (type == 1) return leadingNumber(key[a]) < leadingNumber(key[b]);
        return QString::compare(key[a], key[b], Qt::CaseInsensitive) < 0;
    };
    if (order == Qt::AscendingOrder)
        std::stable_sort(perm.begin(), perm.end(), less);
    else
        std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) { return less(b, a); });

    beginResetModel();
    auto permute = [&perm](auto& v) {
        if (v.empty()) return;
        std::remove_reference_t<decltype(v)> out;
        out.reserve(v.size());
        for (int i : perm)
            out.push_back(std::move(v[i]));
        v = std::move(out);
    };
    permute(m_rows);
    for (auto& c : m_cells)
        permute(c);
    for (auto& c : m_subIcons)
        permute(c);
    m_hotItem = -1;
    endResetModel();
    return true;
}

void ListViewModel::setCheckBoxes(bool on) {
    beginResetModel();
    m_checkBoxes = on;
    endResetModel();
}

void ListViewModel::setLabelEdit(bool on) {
    m_labelEdit = on;
}

void ListViewModel::setSubItemImages(bool on) {
    m_subItemImages = on;
    imagesChanged();
}

void ListViewModel::setUnderlineHot(bool on) {
    m_underlineHot = on;
    if (!on) setHotItem(-1);
}

void ListViewModel::setHotItem(int item) {
    if (item == m_hotItem) return;
    const int old = m_hotItem;
    m_hotItem = item;
    if (columnCount() == 0) return;
    for (int row : {old, item}) {
        if (validItem(row))
            emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::FontRole});
    }
}

void ListViewModel::imagesChanged() {
    if (columnCount() == 0) return;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::DecorationRole});
}

QVariant ListViewModel::decoration(int item, int sub) const {
    if (sub > 0 && !m_subItemImages) return {};
    const int icon = cellIcon(item, sub);
    const ImageList& list = m_largeIcons ? m_large : m_small;
    if (icon < 0 || icon >= int(list.images.size())) return {};
    const QPixmap& picture = list.images[icon];
    return sub == 0 && itemGhosted(item) ? faded(picture) : picture;
}
