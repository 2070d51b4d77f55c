// libFuzzer target: any byte string, read as a received log text (one byte per character of the
// console's code page), is split into lines and every line decoded, as text and as bytes. The
// decoder must not crash, must answer the same record twice and for both forms of a line, and
// may only answer text taken from the line.
#include "core/ansi.h"
#include "records/LogDecoder.h"

#include <QByteArrayView>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = ov::fromAnsi(bytes);
    check(text.size() == bytes.size());
    for (const QStringView line : SplitLines(text)) {
        const LogRecord rec = DecodeLogLine(line);
        check(line.contains(rec[FieldPath]) && line.contains(rec[FieldHost]) &&
              line.contains(rec[FieldAgent]));
        check(rec[FieldPath].isEmpty() || rec[FieldPath].startsWith(u'/'));
        check(rec[FieldPath].isEmpty() ? rec[FieldSize].isEmpty() : true);
        check(DecodeLogLine(line) == rec);
        check(DecodeLogLine(bytes.sliced(line.data() - text.data(), line.size())) == rec);
    }
    // Also the raw text as one line, CR LF and all.
    const LogRecord whole = DecodeLogLine(text);
    check(text.contains(whole[FieldAgent]));
    return 0;
}
