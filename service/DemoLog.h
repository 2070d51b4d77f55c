#pragma once
// Lines of a made-up but realistic Apache combined access log, for demonstrations and tests:
// a few hundred public IPv4 clients (some far busier than others, each with its own browser or
// crawler), pages, assets, downloads from bytes to megabytes, GET, POST and HEAD, redirects,
// not-modified answers and scanners hitting missing pages. The seed is fixed, so the same
// number of lines is always the same text.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <random>

namespace ov::service {

// Whether an IPv4 address (host byte order) is routable on the public internet: not private,
// loopback, link-local, shared, documentation, benchmark, multicast or reserved.
bool IsPublicIPv4(quint32 address);

class DemoLog {
public:
    static constexpr quint32 kSeed = 20240517;
    static constexpr int kHosts = 320;

    // hosts: how many distinct clients the log has (at least 1).
    explicit DemoLog(int hosts = kHosts);

    // One line with its LF, stamped `when`.
    QByteArray NextLine(const QDateTime& when);
    // The time of the next line of a log that starts in the past and advances a few seconds a
    // line; NextLine(NextTime()) builds the reproducible file.
    QDateTime NextTime();

    const QList<quint32>& Hosts() const { return m_hosts; }

private:
    quint32 Below(quint32 n) { return m_rng() % n; }
    int PickHost();

    std::mt19937 m_rng;
    QList<quint32> m_hosts;
    QList<int> m_hostAgent;
    QList<double> m_hostWeightSum; // running sum, for picking busy hosts more often
    QDateTime m_clock;
};

} // namespace ov::service
