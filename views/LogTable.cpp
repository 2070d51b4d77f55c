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

LogTable::LogTable(QString rawText) {
    SetText(std::move(rawText));
}

void LogTable::SetText(QString rawText) {
    m_text = std::move(rawText);
    m_starts.clear();
    for (CachedRow& slot : m_cache)
        slot.row = -1;
    if (m_text.isEmpty()) return;

    const QStringView text(m_text);
    constexpr auto kMaxRows = static_cast<size_t>(std::numeric_limits<int>::max());
    m_starts.push_back(0);
    qsizetype from = 0;
    while (m_starts.size() < kMaxRows) {
        const qsizetype cr = text.indexOf(u'\r', from);
        if (cr < 0) break;
        if (cr + 1 < text.size() && text[cr + 1] == u'\n') {
            m_starts.push_back(cr + 2);
            from = cr + 2;
        } else {
            from = cr + 1;
        }
    }
}

QStringView LogTable::Line(int row) const {
    if (row < 0 || row >= Count()) return {};
    const qsizetype start = m_starts[row];
    const qsizetype end = row + 1 < Count() ? m_starts[row + 1] - 2 : m_text.size();
    return QStringView(m_text).mid(start, end - start);
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
