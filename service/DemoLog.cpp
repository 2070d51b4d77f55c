// The demo access-log generator (see DemoLog.h).
#include "service/DemoLog.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ov::service {
namespace {

struct Net {
    quint32 base;
    int bits;
};

constexpr quint32 Ip(int a, int b, int c, int d) {
    return (quint32(a) << 24) | (quint32(b) << 16) | (quint32(c) << 8) | quint32(d);
}

constexpr std::array<Net, 16> kNotPublic = {{
    {Ip(0, 0, 0, 0), 8},
    {Ip(10, 0, 0, 0), 8},
    {Ip(100, 64, 0, 0), 10},
    {Ip(127, 0, 0, 0), 8},
    {Ip(169, 254, 0, 0), 16},
    {Ip(172, 16, 0, 0), 12},
    {Ip(192, 0, 0, 0), 24},
    {Ip(192, 0, 2, 0), 24},
    {Ip(192, 88, 99, 0), 24},
    {Ip(192, 168, 0, 0), 16},
    {Ip(198, 18, 0, 0), 15},
    {Ip(198, 51, 100, 0), 24},
    {Ip(203, 0, 113, 0), 24},
    {Ip(224, 0, 0, 0), 4},
    {Ip(240, 0, 0, 0), 4},
    {Ip(255, 255, 255, 255), 32},
}};

constexpr std::array<const char*, 16> kAgents = {
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/124.0.0.0 Safari/537.36",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64; rv:125.0) Gecko/20100101 Firefox/125.0",
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) "
    "Version/17.4.1 Safari/605.1.15",
    "Mozilla/5.0 (iPhone; CPU iPhone OS 17_4 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like "
    "Gecko) Version/17.4 Mobile/15E148 Safari/604.1",
    "Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/124.0.6367.82 Mobile Safari/537.36",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/124.0.0.0 Safari/537.36 Edg/124.0.2478.67",
    "Mozilla/5.0 (X11; Linux x86_64; rv:125.0) Gecko/20100101 Firefox/125.0",
    "Mozilla/5.0 (X11; Ubuntu; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/123.0.0.0 Safari/537.36",
    "Mozilla/5.0 (Linux; Android 13; SM-A536B) AppleWebKit/537.36 (KHTML, like Gecko) "
    "SamsungBrowser/24.0 Chrome/117.0.0.0 Mobile Safari/537.36",
    "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/124.0.0.0 Safari/537.36",
    "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
    "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
    "Mozilla/5.0 (compatible; YandexBot/3.0; +http://yandex.com/bots)",
    "curl/8.5.0",
    "Wget/1.21.3",
    "python-requests/2.31.0",
};

enum class Kind { Page, Asset, Download, Api, Probe };

struct Resource {
    const char* path;
    Kind kind;
    qint64 size; // typical body size
};

constexpr std::array<Resource, 40> kResources = {{
    {"/", Kind::Page, 14210},
    {"/index.html", Kind::Page, 14210},
    {"/productos/", Kind::Page, 22874},
    {"/productos/orvalen-server.html", Kind::Page, 31502},
    {"/productos/precios.html", Kind::Page, 18344},
    {"/blog/", Kind::Page, 27911},
    {"/blog/2024/04/registro-de-accesos.html", Kind::Page, 41237},
    {"/blog/2024/05/nueva-version-1-4.html", Kind::Page, 38120},
    {"/blog/feed.xml", Kind::Page, 65880},
    {"/docs/manual/instalacion.html", Kind::Page, 52410},
    {"/docs/manual/protocolo.html", Kind::Page, 47733},
    {"/docs/preguntas-frecuentes.html", Kind::Page, 29102},
    {"/contacto", Kind::Page, 9120},
    {"/buscar?q=log+viewer", Kind::Page, 16408},
    {"/buscar?q=apache+combined", Kind::Page, 15930},
    {"/robots.txt", Kind::Page, 312},
    {"/sitemap.xml", Kind::Page, 8841},
    {"/favicon.ico", Kind::Asset, 5430},
    {"/css/site.css", Kind::Asset, 48213},
    {"/css/print.css", Kind::Asset, 2210},
    {"/js/app.js", Kind::Asset, 87342},
    {"/js/vendor.min.js", Kind::Asset, 312455},
    {"/img/logo.svg", Kind::Asset, 6120},
    {"/img/portada-servidores.jpg", Kind::Asset, 418722},
    {"/img/captura-diagrama.png", Kind::Asset, 233901},
    {"/img/captura-tabla.png", Kind::Asset, 187420},
    {"/fonts/inter-var.woff2", Kind::Asset, 96880},
    {"/descargas/orvalen-1.4.2-setup.exe", Kind::Download, 18734512},
    {"/descargas/orvalen-1.4.2.tar.gz", Kind::Download, 9421877},
    {"/descargas/manual-orvalen.pdf", Kind::Download, 2841190},
    {"/descargas/ejemplos/access-2023.log.gz", Kind::Download, 48811023},
    {"/api/v1/estado", Kind::Api, 182},
    {"/api/v1/sesion", Kind::Api, 96},
    {"/api/v1/comentarios", Kind::Api, 641},
    {"/wp-login.php", Kind::Probe, 0},
    {"/wp-admin/setup-config.php", Kind::Probe, 0},
    {"/.env", Kind::Probe, 0},
    {"/phpmyadmin/index.php", Kind::Probe, 0},
    {"/cgi-bin/luci/;stok=/locale", Kind::Probe, 0},
    {"/actuator/health", Kind::Probe, 0},
}};

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QByteArray Dotted(quint32 a) {
    return QByteArray::number(a >> 24) + '.' + QByteArray::number((a >> 16) & 255) + '.' +
           QByteArray::number((a >> 8) & 255) + '.' + QByteArray::number(a & 255);
}

QByteArray ApacheTime(const QDateTime& when) {
    const QDateTime utc = when.toUTC();
    const QDate d = utc.date();
    const QTime t = utc.time();
    return QByteArray::number(d.day()).rightJustified(2, '0') + '/' + kMonths[d.month() - 1] + '/' +
           QByteArray::number(d.year()) + ':' +
           QByteArray::number(t.hour()).rightJustified(2, '0') + ':' +
           QByteArray::number(t.minute()).rightJustified(2, '0') + ':' +
           QByteArray::number(t.second()).rightJustified(2, '0') + " +0000";
}

} // namespace

bool IsPublicIPv4(quint32 address) {
    for (const Net& n : kNotPublic) {
        const quint32 mask = n.bits == 0 ? 0 : ~quint32(0) << (32 - n.bits);
        if ((address & mask) == (n.base & mask)) return false;
    }
    return true;
}

DemoLog::DemoLog(int hosts) : m_rng(kSeed), m_clock(QDate(2024, 5, 17), QTime(8, 0, 0), Qt::UTC) {
    double sum = 0;
    while (m_hosts.size() < qMax(1, hosts)) {
        const quint32 a = quint32(m_rng());
        if (!IsPublicIPv4(a) || m_hosts.contains(a)) continue;
        m_hosts.append(a);
        // A few crawlers and tools, browsers for the rest.
        const quint32 roll = Below(100);
        m_hostAgent.append(roll < 6   ? 10 + int(Below(3))
                           : roll < 9 ? 13 + int(Below(3))
                                      : int(Below(10)));
        sum += 1.0 / std::pow(double(m_hosts.size()), 0.9); // a handful of hosts are busy
        m_hostWeightSum.append(sum);
    }
}

int DemoLog::PickHost() {
    const double x = std::ldexp(double(m_rng()), -32) * m_hostWeightSum.back();
    const auto it = std::upper_bound(m_hostWeightSum.cbegin(), m_hostWeightSum.cend(), x);
    return int(qMin<qsizetype>(it - m_hostWeightSum.cbegin(), m_hosts.size() - 1));
}

QDateTime DemoLog::NextTime() {
    m_clock = m_clock.addSecs(Below(3) == 0 ? 0 : Below(12));
    return m_clock;
}

QByteArray DemoLog::NextLine(const QDateTime& when) {
    const int host = PickHost();
    const int agent = m_hostAgent[host];
    const bool crawler = agent >= 10 && agent <= 12;
    const bool scanner = agent >= 13;
    // Scanners probe, crawlers read pages, browsers ask for everything.
    const Resource* res = nullptr;
    do {
        res = &kResources[Below(kResources.size())];
    } while ((scanner && res->kind != Kind::Probe && Below(4) != 0) ||
             (crawler && res->kind != Kind::Page && Below(3) != 0) ||
             (!scanner && res->kind == Kind::Probe && Below(8) != 0));

    QByteArray method = "GET";
    int status = 200;
    QByteArray size;
    // Sizes vary around the typical one, from a few bytes to tens of megabytes.
    const qint64 body = res->size + qint64(Below(1 + quint32(res->size / 5)));
    switch (res->kind) {
    case Kind::Probe:
        method = Below(3) == 0 ? "POST" : "GET";
        status = 404;
        size = QByteArray::number(196 + Below(40));
        break;
    case Kind::Api:
        method = Below(2) == 0 ? "POST" : "GET";
        status = Below(20) == 0 ? 401 : Below(50) == 0 ? 500 : 200;
        size = QByteArray::number(status == 200 ? body : 51 + Below(30));
        break;
    case Kind::Download:
        if (Below(6) == 0) {
            status = 206; // a resumed download
            size = QByteArray::number(1 + Below(quint32(body)));
        } else {
            size = QByteArray::number(body);
        }
        break;
    case Kind::Asset:
    case Kind::Page:
        if (Below(12) == 0) {
            method = "HEAD";
            size = "-";
        } else if (res->kind == Kind::Asset && Below(4) == 0) {
            status = 304;
            size = "-";
        } else if (res->kind == Kind::Page && Below(40) == 0) {
            status = 301;
            size = "233";
        } else {
            size = QByteArray::number(body);
        }
        break;
    }

    QByteArray referer = "-";
    if (!crawler && !scanner) {
        const quint32 r = Below(10);
        if (r < 4)
            referer = QByteArray("https://www.orvalen.example") + kResources[Below(17)].path;
        else if (r < 6)
            referer = "https://www.google.com/";
        else if (r == 6)
            referer = "https://duckduckgo.com/";
    }

    return Dotted(m_hosts[host]) + " - - [" + ApacheTime(when) + "] \"" + method + ' ' + res->path +
           " HTTP/1.1\" " + QByteArray::number(status) + ' ' + size + " \"" + referer + "\" \"" +
           kAgents[agent] + "\"\n";
}

} // namespace ov::service
