// The diagram's host list: decoding the raw log into hosts and their requests, and keeping the
// result (and the hosts' geography) between redraws.
#include "views/DiagramHosts.h"

#include "geo/clsHostIP.h"
#include "records/LogDecoder.h"
#include "settings/pobos.h"
#include "views/LogText.h"
#include "views/modColor.h"

#include <QFileInfo>
#include <QHash>

QString DiagramShownPath(const QString& path) {
    return path.size() > 40 ? path.left(37) + QStringLiteral("...") : path;
}

qint32 SizeTagColor(const QString& size) {
    if (size.contains(QLatin1String("bytes"), Qt::CaseInsensitive)) return RGBColor(0, 225, 0);
    if (size.contains(QLatin1String("KB"), Qt::CaseInsensitive)) return RGBColor(0, 138, 0);
    if (size.contains(QLatin1String("MB"), Qt::CaseInsensitive)) return RGBColor(207, 88, 10);
    return RGBColor(0, 0, 0);
}

std::vector<DiagramHost> BuildHostList(const LogText& logText, int keep) {
    std::vector<DiagramHost> hosts;
    QHash<QString, size_t> position;
    const auto add = [&](QByteArrayView line) {
        LogRecord record = DecodeLogLine(line);
        QString& host = record[FieldHost];
        if (host.isEmpty()) return;
        auto found = position.constFind(host);
        if (found == position.constEnd()) {
            found = position.insert(host, hosts.size());
            hosts.push_back(DiagramHost{std::move(host), {}, 0});
        }
        DiagramHost& entry = hosts[*found];
        ++entry.RequestCount;
        if (entry.Requests.size() < size_t(std::max(keep, 0))) {
            DiagramRequest request;
            request.Shown = DiagramShownPath(record[FieldPath]);
            request.SizeSpace = record[FieldSize] + QLatin1Char(' ');
            request.TagColor = SizeTagColor(record[FieldSize]);
            request.Path = std::move(record[FieldPath]);
            request.Size = std::move(record[FieldSize]);
            entry.Requests.push_back(std::move(request));
        }
    };
    for (qsizetype line = 0; line < logText.RowCount(); ++line)
        add(logText.Line(line));
    return hosts;
}

const std::vector<DiagramHost>& DiagramHostCache::Hosts(const LogText& text) {
    if (!valid_ || text.Revision() != revision_) {
        hosts_ = BuildHostList(text);
        revision_ = text.Revision();
        valid_ = true;
        geographyValid_ = false;
        ++generation_;
    }
    return hosts_;
}

const std::vector<HostGeography>& DiagramHostCache::Geography(clsHostIP& hostIP) {
    // The files' identity: where they are, how long and when they last changed.
    const QString folder = AddSlash(hostIP.DatabasePath());
    QString key = folder;
    for (const char* name : {"hostdat.xdb", "hostcities.xdb"}) {
        const QFileInfo info(folder + QLatin1String(name));
        key += QLatin1Char('\n') + QString::number(info.exists() ? info.size() : -1) +
               QLatin1Char(' ') + QString::number(info.lastModified().toMSecsSinceEpoch());
    }
    if (!geographyValid_ || key != geographyKey_ || geography_.size() != hosts_.size()) {
        geography_.assign(hosts_.size(), HostGeography{});
        lastAddress_.clear();
        for (size_t i = 0; i < hosts_.size(); ++i) {
            const QString& host = hosts_[i].Host;
            if (!hostIP.CheckAddr(host)) continue;
            HostGeography& g = geography_[i];
            hostIP.setAddress(host);
            g.IsAddress = true;
            g.Country = hostIP.Country();
            g.City = hostIP.City();
            g.State = hostIP.State();
            g.CountryIndex = hostIP.CountryIndex();
            lastAddress_ = host;
        }
        geographyKey_ = key;
        geographyValid_ = true;
        ++generation_;
    }
    if (!lastAddress_.isEmpty()) hostIP.setAddress(lastAddress_);
    return geography_;
}

void DiagramHostCache::Invalidate() {
    ++generation_;
    valid_ = false;
    geographyValid_ = false;
    hosts_.clear();
    geography_.clear();
}
