#pragma once
// One transfer of a log file to the console: the file is read in blocks, its line ends (LF or
// CR LF) are written as the line-break marker "<|br\>", and the text is cut into "logd" messages.
// The file is never held whole in memory: at most one chunk and one block are buffered.
//
// Every chunk's size is a power of two, never above the console's buffer capacity nor 4 MiB, and
// the separator after "logd" names it: 'A' + n for 2^n bytes. A console that skips the separator
// reads the text as usual; ours uses it to find where a chunk ends when TCP splits or glues
// messages. The end of the text goes out in decreasing powers of two.
//
// A transfer is the whole file, or its tail: the complete lines after a position the console
// holds, when the file is still the one that position describes. Either way it ends at a
// position (see LogPosition.h) taken from the bytes it read, so the file is not read again.
#include "service/LogPosition.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <optional>

namespace ov::service {

inline constexpr QByteArrayView kLineBreakMarker = "<|br\\>";
inline constexpr qint64 kMaxChunkBytes = qint64(1) << 22;

// Rewrites line ends as markers across block boundaries: a CR at the end of one block and the LF
// at the start of the next still become one marker. A lone CR stays as it is.
class LineBreakEncoder {
public:
    void Encode(QByteArrayView block, QByteArray& out);
    // The end of the text: a CR held back waiting for its LF goes out as it is.
    void Finish(QByteArray& out);

private:
    bool m_heldCR = false;
};

// The largest power of two not above `limit` (at least 1).
qint64 FloorPowerOfTwo(qint64 limit);
// The separator letter for a chunk of `size` bytes, a power of two up to kMaxChunkBytes.
char ChunkSizeLetter(qint64 size);

class LogTransfer {
public:
    // The file as it is now (the bytes present at opening) with chunks for the given capacity:
    // only what follows `from` when it is given and still matches the file, else all of it.
    // False, with a reason, when the file cannot be read.
    bool Open(const QString& path, qint64 capacity, const std::optional<LogPosition>& from,
              QString* error);
    // The next "logd" message, or an empty view when all the text has gone. The view lives
    // until the next call.
    QByteArrayView NextMessage();

    bool IsTail() const { return m_tail; }
    // Where the console's copy ends once every message has gone.
    LogPosition EndPosition() const;
    qint64 SourceBytes() const { return m_sourceSize; }
    qint64 SentBytes() const { return m_sentBytes; }
    qint64 Chunks() const { return m_chunks; }

private:
    bool ReadBlock();

    QFile m_file;
    LineBreakEncoder m_encoder;
    qint64 m_chunkSize = 1;
    FileIdentity m_identity;
    bool m_tail = false;
    qint64 m_sourceSize = 0; // of the range sent
    qint64 m_sourceLeft = 0;
    qint64 m_readEnd = 0; // file offset after the last byte read
    RecentBytes m_recent;
    bool m_finished = false;
    // The message under way (header and text), then the encoded text not yet sent, from
    // m_pendingPos on; the header is written just in front of the chunk's text, so a chunk is
    // never copied.
    QByteArray m_pending;
    qsizetype m_pendingPos = 0;
    qint64 m_sentBytes = 0;
    qint64 m_chunks = 0;
};

} // namespace ov::service
