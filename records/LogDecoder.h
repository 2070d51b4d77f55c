#pragma once
// The access-log line decoder: one line of an Apache 1.x/2.x common or combined log becomes a
// request record of four texts. Also the small array helpers the views count lines with, and the
// byte-size formatter the decoder applies to the size field.
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>
#include <array>
#include <initializer_list>
#include <iterator>

// Request record: path, size text, host, agent; "" for what the line lacks.
using LogRecord = std::array<QString, 4>;

enum LogField { FieldPath = 0, FieldSize = 1, FieldHost = 2, FieldAgent = 3 };

// Decodes one line (without its line break), one byte per character of the console's code page.
// Pure: never fails, the same line always gives the same record, and what it cannot find stays "".
LogRecord DecodeLogLine(QByteArrayView data);
// The same for a line held as text; characters outside the code page read as '?'.
LogRecord DecodeLogLine(QStringView data);

// A byte count as "512 bytes", "2 KB", "1.00 MB" or "1.00 GB" (decimal point of the system's
// locale). fmt replaces the default patterns "###0" (KB) and "####0.00" (MB, GB); it understands
// '0' and '#' digit places, one '.', ',' for thousands groups and literal text around them.
// Negative, non-finite and in-between values (such as 1023.5) give "".
QString FormatSize(double bytes, const QString& fmt = QString());

// The lines of a raw log text split at CR LF. An empty text has no lines at all (and UBND of the
// result is -1), unlike QString::split which answers one empty line.
QList<QStringView> SplitLines(QStringView text);

// The highest index of a container as the views count lines: -1 when it is empty. Row and line
// counts are 16-bit, so a container of more than 32768 elements answers 32767: the views then
// handle its first 32768 elements and never overflow.
template <class C> qint16 UBND(const C& c) {
    const auto n = static_cast<long long>(std::size(c));
    if (n <= 0) return -1;
    return n > 32768 ? qint16(32767) : static_cast<qint16>(n - 1);
}

// The greatest element with a strict greater-than scan from a running maximum of 0: no elements,
// or none above 0, give 0. NaN elements never win.
template <class C> double ArrayMax(const C& values) {
    double best = 0;
    for (const double v : values)
        if (v > best) best = v;
    return best;
}
double ArrayMax(std::initializer_list<double> values);
