#include "records/LogDecoder.h"

#include "core/ansi.h"

#include <QLocale>
#include <QVarLengthArray>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kKilo = 1024.0;
constexpr double kMega = 1048576.0;
constexpr double kGiga = 1073741824.0;

// Only the space counts as blank when a line's host or length is trimmed; a tab is text.
struct NumberSymbols {
    QString point;
    QString group;
};

// The system's separators, read once: the locale of a running console does not change.
const NumberSymbols& symbols() {
    static const NumberSymbols s = [] {
        const QLocale loc = QLocale::system();
        return NumberSymbols{loc.decimalPoint(), loc.groupSeparator()};
    }();
    return s;
}

// A digit pattern such as "###0" or "#,##0.00 'x'" reduced to what the formatter needs.
struct Pattern {
    int minInt = 0;     // '0' places before the point
    int minDec = 0;     // '0' places after the point
    int maxDec = 0;     // all places after the point
    bool group = false; // ',' among the integer places
    QStringView prefix; // literal text before the first place
    QStringView suffix; // literal text after the last place
};

Pattern parsePattern(QStringView fmt) {
    Pattern p;
    qsizetype first = -1, last = -1;
    bool afterPoint = false;
    for (qsizetype i = 0; i < fmt.size(); ++i) {
        const QChar c = fmt[i];
        const bool place = c == u'0' || c == u'#';
        const bool sep = c == u'.' || c == u',';
        if (!place && !sep) continue;
        if (first < 0) first = i;
        last = i;
        if (c == u'.') {
            if (afterPoint) break;
            afterPoint = true;
        } else if (c == u',') {
            if (!afterPoint) p.group = true;
        } else if (afterPoint) {
            ++p.maxDec;
            if (c == u'0') p.minDec = p.maxDec;
        } else if (c == u'0') {
            ++p.minInt;
        }
    }
    if (first < 0) {
        p.prefix = fmt;
        return p;
    }
    p.prefix = fmt.first(first);
    p.suffix = fmt.sliced(last + 1);
    return p;
}

// Text is assembled in a stack buffer and becomes a QString once: the decoder formats a size on
// almost every line.
using TextBuffer = QVarLengthArray<char16_t, 96>;

void appendText(TextBuffer& out, QStringView text) {
    out.append(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

void appendDigits(TextBuffer& out, unsigned long long n, int minDigits = 1) {
    char16_t digits[24];
    int len = 0;
    do {
        digits[len++] = char16_t(u'0' + n % 10);
        n /= 10;
    } while (n != 0);
    while (len < minDigits && len < 24)
        digits[len++] = u'0';
    while (len > 0)
        out.append(digits[--len]);
}

void appendGrouped(TextBuffer& out, QStringView digits, bool group) {
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (group && i > 0 && (digits.size() - i) % 3 == 0) appendText(out, symbols().group);
        out.append(digits[i].unicode());
    }
}

// v >= 0 rounded half away from zero to the pattern's places, decimal point of the system.
QString formatWithPattern(double v, const Pattern& p, QStringView unit) {
    static constexpr double kPow10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    const int places = qMin(p.maxDec, 9);
    TextBuffer intDigits, decDigits;
    const double scaled = v * kPow10[places];
    if (scaled < 9.0e15) {
        const auto n = static_cast<unsigned long long>(std::round(scaled));
        const auto scale = static_cast<unsigned long long>(kPow10[places]);
        appendDigits(intDigits, n / scale);
        if (places > 0) appendDigits(decDigits, n % scale, places);
    } else {
        // Beyond exact integers: the plain text of the value carries the same digits.
        const QString text = QString::number(v, 'f', places);
        const qsizetype dot = text.indexOf(u'.');
        appendText(intDigits, dot < 0 ? QStringView(text) : QStringView(text).first(dot));
        if (dot >= 0) appendText(decDigits, QStringView(text).sliced(dot + 1));
    }
    qsizetype intLen = intDigits.size();
    if (p.minInt == 0 && intLen == 1 && intDigits[0] == u'0') intLen = 0;
    qsizetype decLen = decDigits.size();
    while (decLen > p.minDec && decDigits[decLen - 1] == u'0')
        --decLen;

    TextBuffer ints;
    for (qsizetype i = intLen; i < p.minInt; ++i)
        ints.append(u'0');
    ints.append(intDigits.constData(), intLen);
    TextBuffer out;
    appendText(out, p.prefix);
    appendGrouped(out, QStringView(ints.constData(), ints.size()), p.group);
    if (decLen > 0) {
        appendText(out, symbols().point);
        out.append(decDigits.constData(), decLen);
    }
    appendText(out, p.suffix);
    appendText(out, unit);
    return QString(reinterpret_cast<const QChar*>(out.constData()), out.size());
}

// The "general number" form: whole numbers as they are, fractions with up to 15 significant
// digits, never with thousands separators.
QString generalNumber(double v, QStringView unit) {
    if (v == std::floor(v)) {
        TextBuffer out;
        appendDigits(out, static_cast<unsigned long long>(v));
        appendText(out, unit);
        return QString(reinterpret_cast<const QChar*>(out.constData()), out.size());
    }
    QString text = QString::number(v, 'g', 15);
    text.replace(u'.', symbols().point);
    return text + unit.toString();
}

// The numeric value of a size field by the system's number rules; false for text such as "-".
bool numericValue(QByteArrayView field, double& value) {
    if (field.isEmpty()) return false;
    if (field.size() <= 15) {
        long long n = 0;
        bool digits = true;
        for (const char c : field) {
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            n = n * 10 + (c - '0');
        }
        if (digits) {
            value = static_cast<double>(n);
            return true;
        }
    }
    bool ok = false;
    const double v = QLocale::system().toDouble(ov::fromAnsi(field), &ok);
    if (!ok || !std::isfinite(v)) return false;
    value = v;
    return true;
}

const Pattern& defaultKiloPattern() {
    static const Pattern p = parsePattern(u"###0");
    return p;
}
const Pattern& defaultMegaPattern() {
    static const Pattern p = parsePattern(u"####0.00");
    return p;
}

// The first position of needle at or after from. The needle's anchor byte, one that is rare in
// log lines, is found with memchr and the rest compared around it.
qsizetype findText(QByteArrayView hay, QByteArrayView needle, qsizetype anchor,
                   qsizetype from = 0) {
    const char key = needle[anchor];
    const qsizetype last = hay.size() - needle.size();
    const char* data = hay.data();
    while (from <= last) {
        const char* hit = static_cast<const char*>(
            std::memchr(data + from + anchor, key, size_t(last - from + 1)));
        if (!hit) return -1;
        const qsizetype start = (hit - data) - anchor;
        if (std::memcmp(data + start, needle.data(), size_t(needle.size())) == 0) return start;
        from = start + 1;
    }
    return -1;
}

// The last position of c at or before from (from >= 0), or -1.
qsizetype findLast(QByteArrayView hay, char c, qsizetype from) {
    const void* hit = memrchr(hay.data(), c, size_t(from + 1));
    return hit ? static_cast<const char*>(hit) - hay.data() : -1;
}

// s without its leading and trailing spaces (only the space; tabs stay).
QByteArrayView trimSpaces(QByteArrayView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return s.sliced(b, e - b);
}

} // namespace

QString FormatSize(double bytes, const QString& fmt) {
    const double b = bytes;
    if (!std::isfinite(b) || b < 0) return {};
    if (b <= 1023) return generalNumber(b, u" bytes");
    const bool custom = !fmt.isEmpty();
    const Pattern own = custom ? parsePattern(fmt) : Pattern{};
    if (b >= kKilo && b <= 1048575)
        return formatWithPattern(b / kKilo, custom ? own : defaultKiloPattern(), u" KB");
    if (b >= kMega && b <= 1073741823)
        return formatWithPattern(b / kMega, custom ? own : defaultMegaPattern(), u" MB");
    if (b > 1073741823)
        return formatWithPattern(b / kGiga, custom ? own : defaultMegaPattern(), u" GB");
    return {};
}

LogRecord DecodeLogLine(QByteArrayView data) {
    LogRecord rec;

    // Path and size. Positions here are 0-based; the bounds keep every slice inside the line.
    const qsizetype p = findText(data, "GET /", 0);
    if (p >= 0) {
        const qsizetype q = findText(data, " HTTP/", 1);
        // "GET /" and " HTTP/" cannot overlap, so q > p leaves at least the "/" of the path.
        if (q > p) {
            rec[FieldPath] = ov::fromAnsi(data.sliced(p + 4, q - p - 4));
            // The status code normally starts 11 characters after the space before "HTTP/".
            const qsizetype from = q + 11;
            const qsizetype r = from < data.size() ? data.sliced(from).indexOf('"') : -1;
            if (r >= 0) {
                const qsizetype quote = from + r;
                // The size field ends two characters before that quote.
                const qsizetype s = findLast(data, ' ', quote - 2);
                if (s > q) {
                    const QByteArrayView field = data.sliced(s + 1, quote - 2 - s);
                    double value = 0;
                    rec[FieldSize] =
                        numericValue(field, value) ? FormatSize(value) : ov::fromAnsi(field);
                }
            }
        }
    }

    // Host: everything before " - - [", as long as identity and user are both "-".
    const qsizetype t = findText(data, " - - [", 5);
    if (t >= 0) rec[FieldHost] = ov::fromAnsi(trimSpaces(data.first(t)));

    // Agent: the last quoted field, read on the line without its outer spaces so that leading
    // spaces do not shift the positions. A line that does not end with a quote (the common
    // format) has no agent.
    const QByteArrayView line = trimSpaces(data);
    const qsizetype len = line.size();
    if (len >= 2 && line[len - 1] == '"') {
        const qsizetype a = findLast(line, '"', len - 2);
        if (a >= 0) rec[FieldAgent] = ov::fromAnsi(line.sliced(a + 1, len - 2 - a));
    }
    return rec;
}

LogRecord DecodeLogLine(QStringView data) {
    return DecodeLogLine(ov::toAnsi(data));
}

QList<QStringView> SplitLines(QStringView text) {
    QList<QStringView> lines;
    if (text.isEmpty()) return lines;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(u"\r\n", start);
        if (end < 0) break;
        lines.append(text.sliced(start, end - start));
        start = end + 2;
    }
    lines.append(text.sliced(start));
    return lines;
}

double ArrayMax(std::initializer_list<double> values) {
    double best = 0;
    for (const double v : values)
        if (v > best) best = v;
    return best;
}
