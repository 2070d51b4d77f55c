// libFuzzer target for the INI reader and writer, on the file's bytes in memory (the file
// functions add only reading and replacing the file). The input's first line names a section, a
// key and optionally a value ("section|key|value"); the rest is the file. The key is read,
// written and read back: no crash, a read never answers more than 254 characters, a write leaves
// another key's value alone, writing the same value again changes nothing, and a value the
// reader takes as it stands is read back as written.
#include "core/ansi.h"
#include "settings/modINI.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

// A value that reading returns unchanged: no outer blanks or quotes, no NUL, no line break (the
// writer turns those into spaces) and within the 254 characters a read answers.
bool readsBackAsIs(const QString& v) {
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    if (v.size() > 254 || v.contains(QChar(0)) || v.contains(u'\r') || v.contains(u'\n'))
        return false;
    if (!v.isEmpty() && (blank(v.front()) || blank(v.back()))) return false;
    const bool quoted =
        v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front();
    return !quoted;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype nl = input.indexOf('\n');
    const QByteArrayView head = nl < 0 ? input : input.first(nl);
    const QByteArrayView file = nl < 0 ? QByteArrayView() : input.sliced(nl + 1);
    const QList<QByteArray> names = head.toByteArray().split('|');
    // Latin-1 names reach the refusal of names outside the code page; the value is in the code
    // page, as anything read from a file is.
    const QString section = QString::fromLatin1(names.value(0));
    const QString key = names.size() > 1 ? QString::fromLatin1(names[1]) : QStringLiteral("k");
    const QString value = names.size() > 2 ? ov::fromAnsi(names[2]) : QStringLiteral("fuzz value");
    // A key elsewhere in the file that the write must not touch.
    const QString otherSection = QStringLiteral("s"), otherKey = QStringLiteral("k");
    const bool sameAsOther = section.trimmed().compare(otherSection, Qt::CaseInsensitive) == 0 &&
                             key.trimmed().compare(otherKey, Qt::CaseInsensitive) == 0;

    check(ReadIniValueFromBytes(file, section, key).size() <= 254);
    const QString otherBefore = ReadIniValueFromBytes(file, otherSection, otherKey);
    check(otherBefore.size() <= 254);

    const std::optional<QByteArray> written = WriteIniValueToBytes(file, section, key, value);
    if (!written) return 0;
    const QString readBack = ReadIniValueFromBytes(*written, section, key);
    check(readBack.size() <= 254);
    if (readsBackAsIs(value)) check(readBack == value);
    if (!sameAsOther) check(ReadIniValueFromBytes(*written, otherSection, otherKey) == otherBefore);
    check(WriteIniValueToBytes(*written, section, key, value) == written);
    return 0;
}
