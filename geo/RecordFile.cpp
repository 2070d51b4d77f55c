#include "geo/RecordFile.h"

#include <QFile>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

RecordFile::RecordFile(QString path) : m_path(std::move(path)) {}

RecordFile::~RecordFile() {
    close();
}

#if defined(Q_OS_UNIX)

bool RecordFile::isOpen() const {
    return m_fd >= 0;
}

bool RecordFile::open() {
    if (m_fd >= 0) return true;
    if (m_openFailed) return false;
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    // A folder opens for reading on POSIX systems but is no data file.
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        m_openFailed = true;
        return false;
    }
    m_fd = fd;
    m_openFailed = fd < 0;
    return fd >= 0;
}

void RecordFile::close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_openFailed = false;
}

bool RecordFile::read(qint64 offset, void* buffer, qint64 length) {
    if (offset < 0 || length < 0 || !open()) return false;
    auto* out = static_cast<char*>(buffer);
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(m_fd, out + done, size_t(length - done), off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false; // end of file before the record ends, or a read error
        done += n;
    }
    return true;
}

#else

bool RecordFile::isOpen() const {
    return m_file && m_file->isOpen();
}

bool RecordFile::open() {
    if (isOpen()) return true;
    if (m_openFailed) return false;
    m_file = std::make_unique<QFile>(m_path);
    m_openFailed = !m_file->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    return !m_openFailed;
}

void RecordFile::close() {
    m_file.reset();
    m_openFailed = false;
}

bool RecordFile::read(qint64 offset, void* buffer, qint64 length) {
    if (offset < 0 || length < 0 || !open()) return false;
    if (!m_file->seek(offset)) return false;
    return m_file->read(static_cast<char*>(buffer), length) == length;
}

#endif
