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

void HostListBuilder::Add(QByteArrayView line) {
    LogRecord record = DecodeLogLine(line);
    QString& host = record[FieldHost];
    if (host.isEmpty()) return;
    auto found = position_.constFind(host);
    if (found == position_.constEnd()) {
        found = position_.insert(host, hosts_.size());
        hosts_.push_back(DiagramHost{std::move(host), {}, 0});
    }
    DiagramHost& entry = hosts_[*found];
    ++entry.RequestCount;
    if (entry.Requests.size() < size_t(std::max(keep_, 0))) {
        DiagramRequest request;
        request.Shown = DiagramShownPath(record[FieldPath]);
        request.SizeSpace = record[FieldSize] + QLatin1Char(' ');
        request.TagColor = SizeTagColor(record[FieldSize]);
        request.Path = std::move(record[FieldPath]);
        request.Size = std::move(record[FieldSize]);
        entry.Requests.push_back(std::move(request));
    }
}

void HostListBuilder::Add(const LogText& text, qsizetype fromLine) {
    for (qsizetype line = fromLine; line < text.RowCount(); ++line)
        Add(text.Line(line));
}

void HostListBuilder::Clear() {
    hosts_.clear();
    position_.clear();
}

std::vector<DiagramHost> BuildHostList(const LogText& logText, int keep) {
    HostListBuilder builder(keep);
    builder.Add(logText);
    return builder.Hosts();
}

const std::vector<DiagramHost>& DiagramHostCache::Hosts(const LogText& text) {
    if (!valid_ || text.Revision() != revision_) {
        // New lines at the end are taken in where they are; anything else decodes it all again.
        // The last line decoded before must have been empty (the text ended with a line break),
        // as a line that grew would have to be taken out again.
        qsizetype firstNew = 0;
        const bool grew = valid_ && text.GrewFrom(revision_, &firstNew) &&
                          firstNew == qMax<qsizetype>(decodedLines_ - 1, 0) && lastLineEmpty_;
        if (!grew) {
            builder_.Clear();
            firstNew = 0;
        }
        builder_.Add(text, firstNew);
        decodedLines_ = text.RowCount();
        lastLineEmpty_ = text.Line(text.RowCount() - 1).isEmpty();
        revision_ = text.Revision();
        valid_ = true;
        geographyValid_ = false;
        ++generation_;
    }
    return builder_.Hosts();
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
    const std::vector<DiagramHost>& hosts = builder_.Hosts();
    if (!geographyValid_ || key != geographyKey_ || geography_.size() != hosts.size()) {
        geography_.assign(hosts.size(), HostGeography{});
        lastAddress_.clear();
        for (size_t i = 0; i < hosts.size(); ++i) {
            const QString& host = hosts[i].Host;
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
    builder_.Clear();
    geography_.clear();
}
