// Checking the console's configuration against the served paths (see ServiceConfig.h).
#include "service/ServiceConfig.h"

#include "core/ansi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ov::service {

AllowList::AllowList(QStringList paths) : m_paths(std::move(paths)) {}

bool AllowList::Allows(const QString& canonicalPath) const {
    if (canonicalPath.isEmpty()) return false;
    for (const QString& entry : m_paths) {
        const QFileInfo info(entry);
        const QString root = info.canonicalFilePath();
        if (root.isEmpty()) continue;
        if (canonicalPath == root) return true;
        if (!info.isDir()) continue;
        const QString prefix = root.endsWith(u'/') ? root : root + u'/';
        if (canonicalPath.startsWith(prefix)) return true;
    }
    return false;
}

std::optional<qint64> ParseCapacity(QByteArrayView text) {
    if (text.isEmpty()) return std::nullopt;
    for (const char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    while (text.size() > 1 && text.front() == '0')
        text = text.sliced(1);
    if (text.size() > 10) return std::nullopt;
    const qint64 value = text.toLongLong();
    if (value < kMinBufferCapacity || value > kMaxBufferCapacity) return std::nullopt;
    return value;
}

std::optional<QString> ResolveServedFile(const QString& path, const AllowList& allow,
                                         QString* reason) {
    const auto refuse = [reason](const QString& why) {
        if (reason) *reason = why;
        return std::nullopt;
    };
    if (path.isEmpty()) return refuse(QStringLiteral("empty path"));
    const QFileInfo info(QDir::current(), path);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty()) return refuse(QStringLiteral("no such file: ") + Printable(path));
    if (!allow.Allows(canonical))
        return refuse(QStringLiteral("outside the served paths: ") + Printable(canonical));
    if (!QFileInfo(canonical).isFile())
        return refuse(QStringLiteral("not a regular file: ") + Printable(canonical));
    QFile probe(canonical);
    if (!probe.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("unreadable: ") + Printable(canonical));
    return canonical;
}

std::optional<LogConfig> ParseConfig(QByteArrayView body, const AllowList& allow, QString* reason) {
    const auto refuse = [reason](const QString& why) {
        if (reason) *reason = why;
        return std::nullopt;
    };
    constexpr QByteArrayView kNumb = "numb=";
    constexpr QByteArrayView kLogp = ";logp=";
    if (!body.startsWith(kNumb) || !body.endsWith(';'))
        return refuse(QStringLiteral("malformed configuration"));
    const qsizetype logp = body.indexOf(kLogp);
    if (logp < 0) return refuse(QStringLiteral("malformed configuration"));
    const auto capacity = ParseCapacity(body.sliced(kNumb.size(), logp - kNumb.size()));
    if (!capacity)
        return refuse(QStringLiteral("buffer capacity not a whole number from 1 to 2100000000"));
    const qsizetype pathStart = logp + kLogp.size();
    const QString path = ov::fromAnsi(body.sliced(pathStart, body.size() - 1 - pathStart));
    if (path.contains(QChar(0))) return refuse(QStringLiteral("path holds a NUL character"));
    const auto served = ResolveServedFile(path, allow, reason);
    if (!served) return std::nullopt;
    return LogConfig{*capacity, *served};
}

QString Printable(const QString& text) {
    QString out = text.left(300);
    for (QChar& c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = u'?';
    return text.size() > out.size() ? out + QStringLiteral("...") : out;
}

} // namespace ov::service
