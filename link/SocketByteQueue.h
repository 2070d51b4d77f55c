#pragma once
// A first-in first-out queue of bytes: the socket object's send and receive buffers. Taking
// from the front moves a read offset instead of the bytes, so that draining a buffer of many
// megabytes a few kilobytes at a time costs linear time.
#include <QByteArray>
#include <QByteArrayView>

namespace ov::sck {

class ByteQueue {
public:
    qsizetype size() const { return m_bytes.size() - m_head; }
    bool isEmpty() const { return size() == 0; }

    // The first n bytes (at most size()), without removing them. Valid until the next change.
    QByteArrayView front(qsizetype n) const {
        return QByteArrayView(m_bytes).sliced(m_head, qMin(n, size()));
    }

    void append(QByteArrayView bytes) {
        compact();
        m_bytes.append(bytes);
    }

    // Room for n more bytes at the end, to be filled in place and then confirmed by commit().
    char* reserveTail(qsizetype n) {
        compact();
        m_pending = m_bytes.size();
        m_bytes.resize(m_pending + n);
        return m_bytes.data() + m_pending;
    }
    void commitTail(qsizetype used) { m_bytes.resize(m_pending + qMax<qsizetype>(used, 0)); }

    // Removes the first n bytes (at most size()).
    void drop(qsizetype n) {
        m_head += qMin(n, size());
        if (m_head == m_bytes.size()) clear();
    }

    QByteArray take(qsizetype n) {
        if (m_head == 0 && n >= size()) {
            // All of it, as it lies: a receive buffer of hundreds of kilobytes is not copied.
            QByteArray out = std::move(m_bytes);
            clear();
            return out;
        }
        QByteArray out = front(n).toByteArray();
        drop(out.size());
        return out;
    }

    void clear() {
        m_bytes.clear();
        m_head = 0;
    }

private:
    // Gives back the space of taken bytes once it is at least half of the storage.
    void compact() {
        if (m_head > 0 && m_head * 2 >= m_bytes.size()) {
            m_bytes.remove(0, m_head);
            m_head = 0;
        }
    }

    QByteArray m_bytes;
    qsizetype m_head = 0;
    qsizetype m_pending = 0;
};

} // namespace ov::sck
