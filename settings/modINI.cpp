#include "settings/modINI.h"

#include "core/ansi.h"
#include "core/ui_seam.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringView>
#include <optional>

namespace {

// The longest value a read answers: the platform's 255-character buffer less its NUL.
constexpr qsizetype kMaxValue = 254;
// Larger files are not INI files the console wrote; they are neither read nor rewritten.
constexpr qint64 kMaxFileSize = 256LL * 1024 * 1024;

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

// One line of the file: its text without the line end, and where the next line starts.
struct Line {
    qsizetype start = 0;
    qsizetype textEnd = 0;
    qsizetype next = 0;
};

// The lines of text end at LF (an optional CR before it belongs to the line end) or at a lone CR.
class LineReader {
public:
    explicit LineReader(QStringView text) : text_(text) {}
    bool next(Line& line) {
        if (pos_ >= text_.size()) return false;
        line.start = pos_;
        qsizetype i = pos_;
        while (i < text_.size() && text_[i] != u'\n' && text_[i] != u'\r')
            ++i;
        line.textEnd = i;
        if (i < text_.size() && text_[i] == u'\r') ++i;
        if (i < text_.size() && text_[i] == u'\n' && (i == line.textEnd || text_[i - 1] == u'\r'))
            ++i;
        line.next = pos_ = i;
        return true;
    }

private:
    QStringView text_;
    qsizetype pos_ = 0;
};

std::optional<QStringView> sectionName(QStringView line) {
    const QStringView t = trimBlanks(line);
    if (!t.startsWith(u'[')) return std::nullopt;
    const qsizetype close = t.indexOf(u']');
    if (close < 0) return std::nullopt;
    return trimBlanks(t.sliced(1, close - 1));
}

struct KeyLine {
    QStringView key;
    QStringView value;
};

std::optional<KeyLine> keyLine(QStringView line) {
    const QStringView t = trimBlanks(line);
    if (t.isEmpty() || t.startsWith(u';') || t.startsWith(u'[')) return std::nullopt;
    const qsizetype eq = t.indexOf(u'=');
    if (eq <= 0) return std::nullopt;
    const QStringView key = trimBlanks(t.first(eq));
    if (key.isEmpty()) return std::nullopt;
    return KeyLine{key, trimBlanks(t.sliced(eq + 1))};
}

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a section and a key stand in the text.
struct Location {
    bool sectionFound = false;
    qsizetype insertAt = 0; // end of the section's last non-blank line text
    bool keyFound = false;
    Line keyLine;
    QStringView storedKey;
    QStringView value;
};

Location locate(QStringView text, QStringView section, QStringView key) {
    Location loc;
    LineReader reader(text);
    Line line;
    bool inSection = false;
    while (reader.next(line)) {
        const QStringView lineText = text.sliced(line.start, line.textEnd - line.start);
        if (const auto name = sectionName(lineText)) {
            // The first section of that name is the one read and written.
            if (inSection) break;
            if (!loc.sectionFound && sameName(*name, section)) {
                inSection = loc.sectionFound = true;
                loc.insertAt = line.textEnd;
            }
            continue;
        }
        if (!inSection) continue;
        if (!trimBlanks(lineText).isEmpty()) loc.insertAt = line.textEnd;
        const auto kv = keyLine(lineText);
        if (kv && sameName(kv->key, key)) {
            loc.keyFound = true;
            loc.keyLine = line;
            loc.storedKey = kv->key;
            loc.value = kv->value;
            break;
        }
    }
    return loc;
}

QString readValue(QStringView raw) {
    QStringView v = raw;
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.sliced(1, v.size() - 2);
    // The platform hands the value over as a NUL-terminated text.
    const qsizetype nul = v.indexOf(QChar(0));
    if (nul >= 0) v = v.first(nul);
    return v.first(qMin(v.size(), kMaxValue)).toString();
}

// The file's bytes, or nothing when it cannot be read.
std::optional<QByteArray> loadBytes(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    // Read what the file holds now, never more than the limit (a buffer is sized by the read).
    const qint64 size = file.size();
    if (size > kMaxFileSize) return std::nullopt;
    const QByteArray bytes = file.read(size);
    if (bytes.size() != size || file.error() != QFileDevice::NoError) return std::nullopt;
    return bytes;
}

bool isRegularFile(const QString& fileName) {
    const QFileInfo info(fileName);
    return info.exists() && info.isFile();
}

// New lines follow the file's own line ends; a new file gets CR LF.
QString lineEndOf(QStringView text) {
    const qsizetype lf = text.indexOf(u'\n');
    if (lf > 0 && text[lf - 1] == u'\r') return QStringLiteral("\r\n");
    if (lf >= 0) return QStringLiteral("\n");
    if (text.contains(u'\r')) return QStringLiteral("\r");
    return QStringLiteral("\r\n");
}

bool hasLineBreak(QStringView s) {
    return s.contains(u'\r') || s.contains(u'\n');
}

// Names that could not be read back as written are refused.
bool storableNames(QStringView section, QStringView key) {
    if (section.isEmpty() || key.isEmpty()) return false;
    if (hasLineBreak(section) || hasLineBreak(key)) return false;
    if (section.contains(u']') || key.contains(u'=')) return false;
    if (key.startsWith(u';') || key.startsWith(u'[')) return false;
    return ov::fromAnsi(ov::toAnsi(section)) == section && ov::fromAnsi(ov::toAnsi(key)) == key;
}

// The text with value stored under key in section; the names have passed storableNames.
QString updatedText(QStringView text, QStringView section, QStringView key, QString value) {
    value.replace(u'\r', u' ').replace(u'\n', u' ');

    const QString eol = lineEndOf(text);
    const Location loc = locate(text, section, key);
    QString updated;
    updated.reserve(text.size() + section.size() + key.size() + value.size() + 8);
    if (loc.keyFound) {
        updated.append(text.first(loc.keyLine.start)).append(loc.storedKey).append(u'=');
        updated.append(value).append(text.sliced(loc.keyLine.textEnd));
    } else if (loc.sectionFound) {
        updated.append(text.first(loc.insertAt)).append(eol).append(key).append(u'=');
        updated.append(value).append(text.sliced(loc.insertAt));
    } else {
        updated.append(text);
        if (!updated.isEmpty() && !updated.endsWith(u'\n') && !updated.endsWith(u'\r'))
            updated.append(eol);
        updated.append(u'[').append(section).append(u']').append(eol);
        updated.append(key).append(u'=').append(value).append(eol);
    }
    return updated;
}

} // namespace

QString ReadIniValueFromBytes(QByteArrayView Bytes, const QString& Section, const QString& Key) {
    const QStringView section = trimBlanks(Section);
    const QStringView key = trimBlanks(Key);
    if (section.isEmpty() || key.isEmpty()) return {};
    const QString text = ov::fromAnsi(Bytes);
    const Location loc = locate(text, section, key);
    return loc.keyFound ? readValue(loc.value) : QString();
}

std::optional<QByteArray> WriteIniValueToBytes(QByteArrayView Bytes, const QString& Section,
                                               const QString& Key, const QString& Value) {
    const QStringView section = trimBlanks(Section);
    const QStringView key = trimBlanks(Key);
    if (!storableNames(section, key)) return std::nullopt;
    return ov::toAnsi(updatedText(ov::fromAnsi(Bytes), section, key, Value));
}

QString ReadIniValue(const QString& FileName, const QString& Section, const QString& Key) {
    if (FileName.isEmpty()) return {};
    if (!isRegularFile(FileName)) {
        ov::ui::messageBox(FileName + QStringLiteral(" not found."),
                           QStringLiteral("File Not Found"), ov::ui::Icon::Stop);
        return {};
    }
    const std::optional<QByteArray> bytes = loadBytes(FileName);
    return bytes ? ReadIniValueFromBytes(*bytes, Section, Key) : QString();
}

bool WriteIniValue(const QString& FileName, const QString& Section, const QString& Key,
                   const QString& Value) {
    const QStringView section = trimBlanks(Section);
    const QStringView key = trimBlanks(Key);
    if (FileName.isEmpty() || !storableNames(section, key)) return false;

    QString text;
    if (QFileInfo::exists(FileName)) {
        if (!isRegularFile(FileName)) return false;
        const std::optional<QByteArray> loaded = loadBytes(FileName);
        if (!loaded) return false;
        text = ov::fromAnsi(*loaded);
    }
    const QString updated = updatedText(text, section, key, Value);
    if (updated == text && QFileInfo::exists(FileName)) return true;

    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = ov::toAnsi(updated);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
