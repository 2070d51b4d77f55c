#pragma once
// What the end-to-end benchmarks share: a big access log made from the real corpus, ovservice
// started on its folder, and the peak memory of the process.
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <sys/resource.h>

namespace benchlog {

inline long peakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// The corpus's lines, without line ends.
inline QList<QByteArray> corpusLines() {
    QFile corpus(QStringLiteral(OV_CORPUS_DIR "/apache_combined_10k.log"));
    if (!corpus.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(corpus.fileName()));
    QList<QByteArray> lines = corpus.readAll().split('\n');
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The corpus repeated line by line into path (appended when `append`), from line `from` of the
// repetition: `lines` lines, or, when lines is 0, lines until `bytes` were written. Answers the
// number of lines written.
inline qint64 writeLog(const QString& path, qint64 lines, qint64 bytes, bool append = false,
                       qint64 from = 0) {
    static const QList<QByteArray> source = corpusLines();
    QFile out(path);
    if (!out.open(append ? QIODevice::Append : QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    qint64 written = 0, n = 0;
    QByteArray block;
    while (lines > 0 ? n < lines : written < bytes) {
        const QByteArray& line = source[(from + n) % source.size()];
        block += line;
        block += '\n';
        written += line.size() + 1;
        ++n;
        if (block.size() > (1 << 20)) {
            out.write(block);
            block.clear();
        }
    }
    out.write(block);
    return n;
}

// ovservice serving `folder` on a port of the system's choice; answers the port.
inline QString startService(QProcess& service, const QString& folder,
                            const QStringList& more = {}) {
    service.setStandardErrorFile(QProcess::nullDevice());
    service.start(QStringLiteral(OV_BIN_DIR "/ovservice"),
                  QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                              QStringLiteral("--allow"), folder} +
                      more);
    if (!service.waitForReadyRead(10000)) qFatal("ovservice did not start");
    const QByteArray first = service.readLine().trimmed(); // "listening on PORT"
    return QString::fromLatin1(first.mid(first.lastIndexOf(' ') + 1));
}

} // namespace benchlog
