// Noticing changes of the served log files (see LogFileWatch.h).
#include "service/LogFileWatch.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include <sys/stat.h>

namespace ov::service {

FileStamp FileStamp::Of(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return {true, qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            quint64(st.st_dev), quint64(st.st_ino)};
}

LogFileWatch::LogFileWatch(int pollMs, QObject* parent)
    : QObject(parent), m_watcher(new QFileSystemWatcher(this)), m_poll(new QTimer(this)) {
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &LogFileWatch::Check);
    // A rotation renames or removes the file; its folder hears of it.
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &LogFileWatch::CheckAll);
    connect(m_poll, &QTimer::timeout, this, &LogFileWatch::CheckAll);
    m_poll->start(qMax(50, pollMs));
}

void LogFileWatch::Watch(const QString& path) {
    Entry& entry = m_entries[path];
    if (entry.users++ == 0) {
        entry.stamp = FileStamp::Of(path);
        KeepWatching(path);
    }
}

void LogFileWatch::Unwatch(const QString& path) {
    const auto it = m_entries.find(path);
    if (it == m_entries.end() || --it->users > 0) return;
    m_entries.erase(it);
    m_watcher->removePath(path);
    const QString folder = QFileInfo(path).absolutePath();
    bool folderInUse = false;
    for (auto e = m_entries.cbegin(); e != m_entries.cend() && !folderInUse; ++e)
        folderInUse = QFileInfo(e.key()).absolutePath() == folder;
    if (!folderInUse) m_watcher->removePath(folder);
}

void LogFileWatch::KeepWatching(const QString& path) {
    // The watcher forgets a file that was removed or renamed; take up the new one.
    if (!m_watcher->files().contains(path) && QFileInfo::exists(path)) m_watcher->addPath(path);
    const QString folder = QFileInfo(path).absolutePath();
    if (!m_watcher->directories().contains(folder)) m_watcher->addPath(folder);
}

void LogFileWatch::Check(const QString& path) {
    const auto it = m_entries.find(path);
    if (it == m_entries.end()) return;
    const FileStamp now = FileStamp::Of(path);
    KeepWatching(path);
    if (now == it->stamp) return;
    it->stamp = now;
    emit Changed(path);
}

void LogFileWatch::CheckAll() {
    const QStringList paths = m_entries.keys();
    for (const QString& path : paths)
        Check(path);
}

} // namespace ov::service
