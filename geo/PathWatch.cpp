#include "geo/PathWatch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_LINUX)
#include <cerrno>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

PathWatch::~PathWatch() {
    disarm();
}

void PathWatch::disarm() {
#if defined(Q_OS_LINUX)
    if (m_fd >= 0) ::close(m_fd);
#endif
    m_fd = -1;
    m_fileWatches.clear();
    m_folderWatches.clear();
    m_changed = true;
}

#if defined(Q_OS_LINUX)

void PathWatch::arm(const QStringList& files) {
    disarm();
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) return; // out of inotify instances: every call reopens the files instead
    constexpr uint32_t fileMask = IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
    constexpr uint32_t folderMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                    IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    for (const QString& file : files) {
        const QString path = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
        const int wd = ::inotify_add_watch(m_fd, QFile::encodeName(path).constData(), fileMask);
        if (wd >= 0) m_fileWatches.insert(wd);
        // Every folder above the file, up to the root, watched for the one name below it that
        // lies on the path. A folder that does not exist is skipped: its parent reports its
        // creation.
        QString child = path;
        QString folder = QFileInfo(path).path();
        while (true) {
            const int fwd =
                ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), folderMask);
            if (fwd >= 0)
                m_folderWatches[fwd].insert(
                    QFile::encodeName(QFileInfo(child).fileName()).toStdString());
            if (QDir(folder).isRoot() || folder.isEmpty()) break;
            child = folder;
            const QString parent = QFileInfo(folder).path();
            if (parent == folder) break;
            folder = parent;
        }
    }
    m_changed = false;
}

bool PathWatch::changed() {
    if (m_changed || m_fd < 0) return true;
    // Asking how much is queued costs about half of an empty read, and this runs before every
    // answer the geolocation gives.
    int queued = 0;
    if (::ioctl(m_fd, FIONREAD, &queued) == 0 && queued == 0) return false;
    alignas(inotify_event) char buffer[4096];
    while (!m_changed) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN) m_changed = true; // cannot tell any more: assume the worst
            break;
        }
        if (n == 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event)) + event->len;
            if (event->mask & (IN_Q_OVERFLOW | IN_IGNORED | IN_UNMOUNT))
                m_changed = true;
            else if (m_fileWatches.count(event->wd))
                m_changed = true;
            else if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF))
                m_changed = true;
            else if (const auto it = m_folderWatches.find(event->wd);
                     it != m_folderWatches.end() && event->len > 0 &&
                     it->second.count(std::string(event->name)))
                m_changed = true;
        }
    }
    return m_changed;
}

#else

void PathWatch::arm(const QStringList&) {
    disarm();
}
bool PathWatch::changed() {
    return true;
}

#endif
