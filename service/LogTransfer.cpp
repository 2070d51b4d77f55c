// Streaming a log file out as "logd" chunks (see LogTransfer.h).
#include "service/LogTransfer.h"

#include <bit>
#include <cstring>

namespace ov::service {
namespace {

constexpr qint64 kBlockBytes = 64 * 1024;

} // namespace

void LineBreakEncoder::Encode(QByteArrayView block, QByteArray& out) {
    if (block.isEmpty()) return;
    qsizetype from = 0;
    if (m_heldCR) {
        m_heldCR = false;
        if (block.front() == '\n') {
            out.append(kLineBreakMarker);
            from = 1;
        } else {
            out.append('\r');
        }
    }
    while (from < block.size()) {
        const qsizetype lf = block.indexOf('\n', from);
        const qsizetype end = lf < 0 ? block.size() : lf;
        qsizetype textEnd = end;
        if (lf >= 0 && lf > from && block[lf - 1] == '\r') --textEnd;
        if (lf < 0 && end > from && block[end - 1] == '\r') {
            m_heldCR = true; // its LF may open the next block
            --textEnd;
        }
        out.append(block.sliced(from, textEnd - from));
        if (lf < 0) break;
        out.append(kLineBreakMarker);
        from = lf + 1;
    }
}

void LineBreakEncoder::Finish(QByteArray& out) {
    if (m_heldCR) out.append('\r');
    m_heldCR = false;
}

qint64 FloorPowerOfTwo(qint64 limit) {
    return limit < 1 ? 1 : qint64(std::bit_floor(quint64(limit)));
}

char ChunkSizeLetter(qint64 size) {
    return char('A' + std::countr_zero(quint64(size)));
}

bool LogTransfer::Open(const QString& path, qint64 capacity, const std::optional<LogPosition>& from,
                       QString* error) {
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        if (error) *error = m_file.errorString();
        return false;
    }
    const auto facts = FactsOf(m_file);
    if (!facts) {
        if (error) *error = QStringLiteral("cannot tell the file's size and identity");
        m_file.close();
        return false;
    }
    m_identity = facts->id;
    qint64 begin = 0;
    qint64 end = facts->size;
    if (const auto tail = from ? FindTail(m_file, *facts, *from) : std::nullopt) {
        m_tail = true;
        begin = tail->begin;
        end = tail->end;
        m_recent.Add(tail->window);
    }
    if (!m_file.seek(begin)) {
        if (error) *error = m_file.errorString();
        m_file.close();
        return false;
    }
    m_readEnd = begin;
    m_chunkSize = FloorPowerOfTwo(qMin(capacity, kMaxChunkBytes));
    m_sourceSize = m_sourceLeft = end - begin;
    // A chunk, a block that may grow sixfold (every byte a line end) and a header.
    m_pending = QByteArray(5, '\0');
    m_pending.reserve(qsizetype(qMin(m_chunkSize, m_sourceSize * 6) + 6 * kBlockBytes + 5));
    m_pendingPos = 5;
    return true;
}

LogPosition LogTransfer::EndPosition() const {
    return {m_readEnd, PositionHash(m_identity, m_recent.View())};
}

bool LogTransfer::ReadBlock() {
    if (m_finished) return false;
    QByteArray block;
    if (m_sourceLeft > 0) block = m_file.read(qMin(kBlockBytes, m_sourceLeft));
    if (block.isEmpty()) {
        // The end, or a file cut shorter while it was read.
        m_encoder.Finish(m_pending);
        m_finished = true;
        m_file.close();
        return true;
    }
    m_sourceLeft -= block.size();
    m_readEnd += block.size();
    m_recent.Add(block);
    m_encoder.Encode(block, m_pending);
    return true;
}

QByteArrayView LogTransfer::NextMessage() {
    constexpr qsizetype kHeader = 5; // "logd" and the size letter
    // Sent text is dropped once it is the larger part, so moves stay linear overall; the five
    // bytes before m_pendingPos (sent text, or the initial room) take the next header.
    if (m_pendingPos - kHeader > m_pending.size() / 2) {
        m_pending.remove(0, m_pendingPos - kHeader);
        m_pendingPos = kHeader;
    }
    while (m_pending.size() - m_pendingPos < m_chunkSize && ReadBlock()) {
    }
    const qint64 available = m_pending.size() - m_pendingPos;
    if (available == 0) return {};
    const qint64 size = qMin(m_chunkSize, FloorPowerOfTwo(available));
    char* header = m_pending.data() + m_pendingPos - kHeader;
    std::memcpy(header, "logd", 4);
    header[4] = ChunkSizeLetter(size);
    m_pendingPos += size;
    m_sentBytes += size;
    ++m_chunks;
    return QByteArrayView(header, kHeader + size);
}

} // namespace ov::service
