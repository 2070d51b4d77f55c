// libFuzzer target: any byte string, read as a received log text (one byte per character), is
// split into lines and every line decoded. The decoder must not crash, must answer the same
// record twice, and may only answer text taken from the line.
#include "records/LogDecoder.h"

#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

QString fromBytes(const uint8_t* data, size_t size) {
    QString text(static_cast<qsizetype>(size), Qt::Uninitialized);
    for (size_t i = 0; i < size; ++i)
        text[qsizetype(i)] = QChar(char16_t(data[i]));
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fromBytes(data, size);
    for (const QStringView line : SplitLines(text)) {
        const LogRecord rec = DecodeLogLine(line);
        check(line.contains(rec[FieldPath]) && line.contains(rec[FieldHost]) &&
              line.contains(rec[FieldAgent]));
        check(rec[FieldPath].isEmpty() || rec[FieldPath].startsWith(u'/'));
        check(rec[FieldPath].isEmpty() ? rec[FieldSize].isEmpty() : true);
        check(DecodeLogLine(line) == rec);
    }
    // Also the raw text as one line, CR LF and all.
    const LogRecord whole = DecodeLogLine(text);
    check(text.contains(whole[FieldAgent]));
    return 0;
}
