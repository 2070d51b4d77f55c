#pragma once
// A read-only data file of fixed-size records, opened on the first read and kept open until
// close(). Each read is one positioned read; a file that is missing, unreadable or shorter than
// the addressed record answers false instead of failing.
#include <QString>
#include <QtGlobal>
#include <memory>

class QFile;

class RecordFile {
public:
    explicit RecordFile(QString path);
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    const QString& path() const { return m_path; }
    // Fills buffer with exactly length bytes from offset; false when they are not all there.
    bool read(qint64 offset, void* buffer, qint64 length);
    bool isOpen() const;
    void close();

private:
    bool open();

    QString m_path;
    bool m_openFailed = false; // remembered until close(), so a missing file costs nothing
#if defined(Q_OS_UNIX)
    int m_fd = -1;
#else
    std::unique_ptr<QFile> m_file;
#endif
};
