#pragma once
// The console's single-byte code page (Windows-1252). Text on the wire, in INI files and in the
// geodata files is one byte per character. The five bytes Windows-1252 leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the same number, so every byte
// round-trips: fromAnsi(toAnsi(s)) == s for any s made by fromAnsi.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace ov {

// Characters outside the code page become '?'.
QByteArray toAnsi(QStringView text);
QString fromAnsi(QByteArrayView bytes);
// The byte of one character, or '?' when the code page lacks it.
char ansiByte(QChar c);

} // namespace ov
