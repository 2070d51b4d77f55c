#pragma once
// The logic of the "Tabla" view: one row per line of the raw log text (split at CR LF), four
// columns decoded from the line on demand, and the colours of each row. The table keeps the text
// it was filled from (a LogText, which shares the raw view's bytes and index of lines); rows are
// decoded only when asked for, so a log of a million lines is ready at once. Rows are numbered
// 0..Count-1 as 32-bit integers.
#include "views/LogText.h"

#include <QString>
#include <QStringView>
#include <array>
#include <vector>

// The columns of the table, in order: header and width in pixels.
struct LVColumn {
    int Column;
    QStringView Text;
    int Width;
};
inline constexpr std::array<LVColumn, 4> kLVColumns{{
    {0, u"Archivo", 200},
    {1, u"Tamaño", 80},
    {2, u"Host", 150},
    {3, u"Agente", 400},
}};
// How the list view is set up together with its columns: report view, sunken border, grid lines,
// full-row selection and the pre-paint event raised for every cell.
inline constexpr int kLVViewMode = 1;
inline constexpr int kLVBorderStyle = 2;

// Colours of one cell: background and text as colour values (system colours allowed) and whether
// they were set; when Handled is false the list view keeps its own colours.
struct CellColors {
    qint32 BackColor = 0;
    qint32 TextColor = 0;
    bool Handled = false;
};

class LogTable {
public:
    LogTable() = default;
    explicit LogTable(LogText text);

    // Replaces the rows with the lines of text: no rows for an empty text, and a text ending in
    // CR LF has an empty last row.
    void SetText(LogText text);
    int Count() const { return m_count; }
    // The text the rows were made from.
    const LogText& Text() const { return m_text; }
    // The line of a row without its CR LF; empty outside 0..Count-1.
    QByteArrayView Line(int row) const;
    // Column 0 is the request path ("-" when the line has none), 1 the size text, 2 the host,
    // 3 the agent; "" outside the table.
    QString Cell(int row, int column) const;

    // The colours of every cell of row (the column plays no part). With "Colorear usuarios" on, a
    // row whose host has exactly three dots takes its host's user colour, with dark or light text
    // by brightness, and other rows keep their colours; otherwise, with "Alternar color de tabla"
    // on, even rows are shaded with the button face colour. A coloured row 0 empties the registry
    // of user colours before its host is looked up. Colours not set come back as in current.
    CellColors PrePaint(int row, bool colorUsers, bool rowColors, CellColors current = {}) const;

private:
    // The decoded line: path, size text, host, agent.
    using Record = std::array<QString, 4>;
    const Record& record(int row) const;

    struct CachedRow {
        int row = -1;
        Record record;
    };
    // Recently decoded rows, one slot per row number modulo the size: enough for a screenful of
    // rows painted column by column.
    static constexpr int kCacheSize = 128;

    LogText m_text;
    int m_count = 0;
    mutable std::array<CachedRow, kCacheSize> m_cache;
};

// The number of occurrences of find in text, each search starting one character after the
// previous match (so overlapping matches count); an empty find counts 0.
int CountStr(QStringView text, QStringView find);
