#include "views/LogTable.h"

#include "records/LogDecoder.h"
#include "views/modColor.h"
#include "views/modUserColor.h"

#include <limits>

namespace {

constexpr qint32 kButtonText = SystemColor(18);
constexpr qint32 kHighlightText = SystemColor(14);
constexpr qint32 kButtonFace = SystemColor(15);
// Half of the brightest possible sum of three components, rounded up: light colours get dark
// text, dark colours light text.
constexpr qint32 kLightFrom = 383;

} // namespace

LogTable::LogTable(LogText text) {
    SetText(std::move(text));
}

void LogTable::SetText(LogText text) {
    m_text = std::move(text);
    m_count = int(std::min<qsizetype>(m_text.RowCount(), std::numeric_limits<int>::max()));
    for (CachedRow& slot : m_cache)
        slot.row = -1;
}

QByteArrayView LogTable::Line(int row) const {
    if (row < 0 || row >= Count()) return {};
    return m_text.Line(row);
}

const LogTable::Record& LogTable::record(int row) const {
    CachedRow& slot = m_cache[static_cast<size_t>(row) % kCacheSize];
    if (slot.row != row) {
        slot.record = DecodeLogLine(Line(row));
        slot.row = row;
    }
    return slot.record;
}

QString LogTable::Cell(int row, int column) const {
    if (row < 0 || row >= Count() || column < 0 || column > 3) return {};
    const QString& text = record(row)[static_cast<size_t>(column)];
    if (column == 0 && text.isEmpty()) return QStringLiteral("-");
    return text;
}

CellColors LogTable::PrePaint(int row, bool colorUsers, bool rowColors, CellColors current) const {
    CellColors colors = current;
    colors.Handled = false;
    if (colorUsers) {
        const QString host = Cell(row, 2);
        if (CountStr(host, u".") == 3) {
            const qint32 k = UserColorIndex(row, host);
            colors.BackColor = UserColors(k);
            colors.TextColor = UserBright(k) >= kLightFrom ? kButtonText : kHighlightText;
            colors.Handled = true;
        }
    } else if (rowColors && row % 2 == 0) {
        colors.BackColor = kButtonFace;
        colors.Handled = true;
    }
    return colors;
}

int CountStr(QStringView text, QStringView find) {
    if (find.isEmpty()) return 0;
    int count = 0;
    for (qsizetype at = text.indexOf(find); at >= 0; at = text.indexOf(find, at + 1))
        ++count;
    return count;
}
