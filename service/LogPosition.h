#pragma once
// Where a console's copy of a log ends, so that it can later ask for only what follows. A
// position is a length (the bytes of the file, from its start, the console holds) and a check of
// the file it came from: a 64-bit FNV-1a over the file's identity (device, then inode, each as 8
// bytes little-endian) and its last bytes before that length (at most kHashWindowBytes). A file
// rotated, truncated or rewritten no longer matches, and is sent whole again.
//
// On the wire: the length in decimal, ':', the check as 16 lowercase hex digits.
#include <QByteArray>
#include <QByteArrayView>
#include <optional>

class QFile;

namespace ov::service {

inline constexpr qint64 kHashWindowBytes = 4096;

struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
};

struct LogPosition {
    qint64 length = 0;
    quint64 hash = 0;
    friend bool operator==(const LogPosition&, const LogPosition&) = default;
};

class Fnv1a64 {
public:
    void Add(QByteArrayView bytes);
    quint64 Value() const { return m_value; }

private:
    quint64 m_value = 0xcbf29ce484222325ULL;
};

// The check of a file `id` whose last bytes before the position are `window`.
quint64 PositionHash(FileIdentity id, QByteArrayView window);

QByteArray FormatPosition(const LogPosition& position);
// Nothing unless the text is exactly a position as FormatPosition writes it (leading zeros in the
// length allowed).
std::optional<LogPosition> ParsePosition(QByteArrayView text);

// The last kHashWindowBytes of what has been added: the window of the position at its end.
class RecentBytes {
public:
    void Add(QByteArrayView bytes);
    QByteArrayView View() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// The identity and size of an open file; nothing when the system cannot tell.
struct OpenFileFacts {
    FileIdentity id;
    qint64 size = 0;
};
std::optional<OpenFileFacts> FactsOf(const QFile& file);

// What a console holding `from` lacks of the open file `file`: its complete lines after
// from.length, as they are now.
struct TailRange {
    qint64 begin = 0;
    qint64 end = 0;    // one past the last '\n' after begin; begin when there is none
    QByteArray window; // the bytes just before begin that the check covered
};
// Nothing when the file is not the one `from` describes (another file, shorter, or other bytes
// before the position). Reads only the window before the position and, scanning back from the
// end, the new bytes up to their last line end.
std::optional<TailRange> FindTail(QFile& file, const OpenFileFacts& facts, const LogPosition& from);

} // namespace ov::service
