#pragma once
// Watches the log files the connected consoles have configured and tells when one changes
// (appended to, rewritten, replaced by rotation). The file system watcher reports most changes at
// once; a cheap poll of each file's size, time and identity catches what it misses (a file
// replaced under its name, changes on some network file systems).
#include <QHash>
#include <QObject>
#include <QString>

class QFileSystemWatcher;
class QTimer;

namespace ov::service {

// What is compared to notice a change.
struct FileStamp {
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    quint64 device = 0;
    quint64 inode = 0;

    static FileStamp Of(const QString& path);
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

class LogFileWatch : public QObject {
    Q_OBJECT
public:
    explicit LogFileWatch(int pollMs, QObject* parent = nullptr);

    // Counted: every Watch is matched by one Unwatch.
    void Watch(const QString& path);
    void Unwatch(const QString& path);

signals:
    void Changed(const QString& path);

private:
    struct Entry {
        int users = 0;
        FileStamp stamp;
    };
    void Check(const QString& path);
    void CheckAll();
    void KeepWatching(const QString& path);

    QFileSystemWatcher* m_watcher;
    QTimer* m_poll;
    QHash<QString, Entry> m_entries;
};

} // namespace ov::service
