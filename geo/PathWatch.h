#pragma once
// Tells cheaply whether anything has happened to a set of file paths since it was armed: a file
// written, truncated, deleted, renamed or replaced, or any folder on the way to it renamed,
// deleted or created. The geolocation reader keeps its files open between lookups and asks this
// before trusting them, so that its answers always follow the files on disk.
//
// On Linux it listens to inotify (one non-blocking read when nothing happened). Where that is
// not available it answers "changed" every time, so the reader reopens the files on every call.
#include <QString>
#include <QStringList>
#include <string>
#include <unordered_map>
#include <unordered_set>

class PathWatch {
public:
    PathWatch() = default;
    ~PathWatch();
    PathWatch(const PathWatch&) = delete;
    PathWatch& operator=(const PathWatch&) = delete;

    // Forgets earlier events and starts watching these files (absolute or relative paths). Files
    // or folders that do not exist yet are watched for their creation.
    void arm(const QStringList& files);
    // True when something touched the watched paths since arm(), or when watching is not
    // possible. Stays true until the next arm().
    bool changed();

private:
    void disarm();

    int m_fd = -1;
    bool m_changed = true;
    std::unordered_set<int> m_fileWatches;
    // Folder watch -> names inside it that lie on a watched path.
    std::unordered_map<int, std::unordered_set<std::string>> m_folderWatches;
};
