#pragma once
// What the console may ask for: the configuration message "\cfg numb=N;logp=PATH;" is checked
// here against the folders and files the service was told to serve.
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

namespace ov::service {

// The files and folders given with --allow. A path is served when, with every link and ".."
// resolved, it is one of the files or lies inside one of the folders. Entries are resolved at
// each check, so a log folder may be created or moved after the service starts.
class AllowList {
public:
    explicit AllowList(QStringList paths = {});
    bool Allows(const QString& canonicalPath) const;
    const QStringList& Paths() const { return m_paths; }

private:
    QStringList m_paths;
};

inline constexpr qint64 kMinBufferCapacity = 1;
inline constexpr qint64 kMaxBufferCapacity = 2100000000;

// A configuration the service accepted.
struct LogConfig {
    qint64 capacity = 0; // "numb": most bytes of log text in one chunk
    QString path;        // canonical path of the log file
};

// The buffer capacity of "numb=", when it is a whole number from 1 to 2100000000.
std::optional<qint64> ParseCapacity(QByteArrayView text);

// Checks a configuration body (what follows "\cfg "). The path arrives in the console's
// single-byte code page; a relative path is taken from the service's working folder.
// Nothing, with a reason for the service's own log, when it is refused.
std::optional<LogConfig> ParseConfig(QByteArrayView body, const AllowList& allow, QString* reason);

// Checks that a path is still served and readable; its canonical form, or nothing with a reason.
std::optional<QString> ResolveServedFile(const QString& path, const AllowList& allow,
                                         QString* reason);

// Text from a client made safe for one line of the service's log.
QString Printable(const QString& text);

} // namespace ov::service
