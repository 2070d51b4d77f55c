#pragma once
// The host list the diagram is drawn from: every client host of the raw log text in the order of
// its first line, with the requests it made, and (in the extended diagram) its country, city and
// region. Decoding a large log takes far longer than drawing it, so DiagramHostCache keeps the
// list until the text changes and the geography until the database files change.
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <vector>

class LogText;
class clsHostIP;

// How many requests a host box lists.
constexpr int kDiagramListed = 8;

struct DiagramRequest {
    QString Path; // field 0 of the request record
    QString Size; // field 1: the size text as the decoder formats it
    // Made once with the list, as every redraw needs them:
    QString Shown;       // Path as listed: cut to 37 characters and "..." when longer than 40
    QString SizeSpace;   // Size followed by one space, which sets the tag's distance
    qint32 TagColor = 0; // SizeTagColor(Size)
};

struct DiagramHost {
    QString Host;                         // field 2 of the request record, exactly as written
    std::vector<DiagramRequest> Requests; // the first kDiagramListed, in log order
    qint64 RequestCount = 0;              // all of the host's requests
};

// What the geographic database says about one host.
struct HostGeography {
    bool IsAddress = false; // the host is a well-formed dotted address (CheckAddr)
    QString Country, City, State;
    qint16 CountryIndex = -1; // country number 1..249, -1 when unknown
};

// Path shortened for the list.
QString DiagramShownPath(const QString& path);

// Colour of a size tag by the size text: "bytes", "KB", "MB" (tested in this order, letter case
// ignored), anything else black.
qint32 SizeTagColor(const QString& size);

// The hosts of the raw log text: lines that decode without a host are skipped; hosts are compared
// exactly and keep the order of their first line. Each host keeps its first `keep` requests and
// counts the rest.
std::vector<DiagramHost> BuildHostList(const LogText& logText, int keep = kDiagramListed);

// The same list made line by line, so that lines added later can be taken in.
class HostListBuilder {
public:
    explicit HostListBuilder(int keep = kDiagramListed) : keep_(keep) {}
    void Add(QByteArrayView line);
    // The text's lines from fromLine on.
    void Add(const LogText& text, qsizetype fromLine = 0);
    void Clear();
    const std::vector<DiagramHost>& Hosts() const { return hosts_; }

private:
    int keep_;
    std::vector<DiagramHost> hosts_;
    QHash<QString, size_t> position_;
};

class DiagramHostCache {
public:
    // The hosts of text, decoded again only when text is not the text decoded last (a text that
    // was changed since is never the same one) or after Invalidate.
    const std::vector<DiagramHost>& Hosts(const LogText& text);

    // Geography of every host, index for index, as hostIP answers it. Asked again when the host
    // list, the database folder or the files in it (size, time of change) have changed. Leaves
    // hostIP.Address at the last host that is an address, as a lookup of every host would.
    const std::vector<HostGeography>& Geography(clsHostIP& hostIP);

    // Forget everything; the next call decodes and looks up again.
    void Invalidate();

    // Changes each time the host list or the geography is made again (the vectors handed out
    // are reused, so their addresses do not tell).
    quint64 Generation() const { return generation_; }

private:
    quint64 revision_ = 0; // of the text decoded last
    qsizetype decodedLines_ = 0;
    bool lastLineEmpty_ = true;
    bool valid_ = false;
    HostListBuilder builder_;
    std::vector<HostGeography> geography_;
    QString geographyKey_;
    bool geographyValid_ = false;
    QString lastAddress_;
    quint64 generation_ = 0;
};
