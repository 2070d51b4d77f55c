// Positions in a log file and the check that the file is still the same (see LogPosition.h).
#include "service/LogPosition.h"

#include <QFile>

#include <sys/stat.h>

namespace ov::service {
namespace {

constexpr qint64 kScanBlockBytes = 64 * 1024;
constexpr qsizetype kHashDigits = 16;
constexpr qsizetype kMaxLengthDigits = 19; // qint64

void AddLittleEndian(Fnv1a64& hash, quint64 value) {
    char bytes[8];
    for (char& b : bytes) {
        b = char(value & 0xff);
        value >>= 8;
    }
    hash.Add(QByteArrayView(bytes, 8));
}

// The bytes [from, to) of the file, or nothing when fewer are there.
std::optional<QByteArray> ReadRange(QFile& file, qint64 from, qint64 to) {
    if (!file.seek(from)) return std::nullopt;
    QByteArray bytes = file.read(to - from);
    if (bytes.size() != to - from) return std::nullopt;
    return bytes;
}

} // namespace

void Fnv1a64::Add(QByteArrayView bytes) {
    for (const char c : bytes) {
        m_value ^= quint8(c);
        m_value *= 0x100000001b3ULL;
    }
}

quint64 PositionHash(FileIdentity id, QByteArrayView window) {
    Fnv1a64 hash;
    AddLittleEndian(hash, id.device);
    AddLittleEndian(hash, id.inode);
    hash.Add(window);
    return hash.Value();
}

QByteArray FormatPosition(const LogPosition& position) {
    return QByteArray::number(position.length) + ':' +
           QByteArray::number(position.hash, 16).rightJustified(kHashDigits, '0');
}

std::optional<LogPosition> ParsePosition(QByteArrayView text) {
    const qsizetype colon = text.indexOf(':');
    if (colon < 1 || colon > kMaxLengthDigits) return std::nullopt;
    const QByteArrayView length = text.first(colon);
    const QByteArrayView hash = text.sliced(colon + 1);
    if (hash.size() != kHashDigits) return std::nullopt;
    for (const char c : length)
        if (c < '0' || c > '9') return std::nullopt;
    for (const char c : hash)
        if ((c < '0' || c > '9') && (c < 'a' || c > 'f')) return std::nullopt;
    bool ok = false;
    LogPosition position;
    position.length = length.toLongLong(&ok);
    if (!ok) return std::nullopt; // beyond 64 bits
    position.hash = hash.toULongLong(&ok, 16);
    if (!ok) return std::nullopt;
    return position;
}

void RecentBytes::Add(QByteArrayView bytes) {
    if (bytes.size() >= kHashWindowBytes) {
        m_bytes = bytes.last(kHashWindowBytes).toByteArray();
        return;
    }
    const qsizetype excess = m_bytes.size() + bytes.size() - kHashWindowBytes;
    if (excess > 0) m_bytes.remove(0, excess);
    m_bytes.append(bytes);
}

std::optional<OpenFileFacts> FactsOf(const QFile& file) {
    struct stat st {};
    if (file.handle() < 0 || ::fstat(file.handle(), &st) != 0) return std::nullopt;
    return OpenFileFacts{{quint64(st.st_dev), quint64(st.st_ino)}, qint64(st.st_size)};
}

std::optional<TailRange> FindTail(QFile& file, const OpenFileFacts& facts,
                                  const LogPosition& from) {
    if (from.length > facts.size) return std::nullopt;
    TailRange tail{from.length, from.length, {}};
    const auto window =
        ReadRange(file, qMax<qint64>(0, from.length - kHashWindowBytes), from.length);
    if (!window || PositionHash(facts.id, *window) != from.hash) return std::nullopt;
    tail.window = *window;
    // Only the new bytes are scanned, from the end back to their last line end: a line still
    // being written is left for a later request.
    for (qint64 to = facts.size; to > from.length;) {
        const qint64 start = qMax(from.length, to - kScanBlockBytes);
        const auto block = ReadRange(file, start, to);
        if (!block) return std::nullopt; // cut shorter meanwhile
        const qsizetype lf = block->lastIndexOf('\n');
        if (lf >= 0) {
            tail.end = start + lf + 1;
            break;
        }
        to = start;
    }
    return tail;
}

} // namespace ov::service
