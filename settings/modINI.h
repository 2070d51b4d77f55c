#pragma once
// Single keys of INI files, read and written with the rules of the desktop's private-profile
// functions: section and key names compare without regard to letter case, a value is at most
// 254 characters when read, and a write changes only the one line it concerns. The files are
// single-byte (Windows-1252) and are replaced atomically, so a failed write keeps the old file.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// The value of Key in Section of FileName; "" when the key is absent or empty. A missing file
// shows the stop box "<FileName> not found." titled "File Not Found" and answers "" (an empty file
// name answers "" without a box). Surrounding blanks and one pair of enclosing quotes are removed,
// and a NUL ends the value. Any regular file counts as existing, dot-files included: the
// platform has no hidden attribute that would make a profile vanish.
QString ReadIniValue(const QString& FileName, const QString& Section, const QString& Key);

// Stores Value under Key in Section, creating the file, the section and the key as needed; every
// other byte of the file stays as it was. Line breaks in Value become spaces. Answers false, and
// leaves the file untouched, when the names cannot be stored (empty, a line break, "=" in a key,
// "]" in a section) or the file cannot be read or replaced.
bool WriteIniValue(const QString& FileName, const QString& Section, const QString& Key,
                   const QString& Value);

// The same two operations on a file's bytes held in memory, which the functions above use once
// they have the file: the value ReadIniValue answers for a file holding Bytes, and the bytes
// WriteIniValue would store (nothing when it refuses the names).
QString ReadIniValueFromBytes(QByteArrayView Bytes, const QString& Section, const QString& Key);
std::optional<QByteArray> WriteIniValueToBytes(QByteArrayView Bytes, const QString& Section,
                                               const QString& Key, const QString& Value);
