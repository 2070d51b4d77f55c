// libFuzzer target for the INI reader and writer. The input's first line names a section and a
// key ("section|key"); the rest is the file. The key is read, written, and read back: no crash, a
// read never answers more than 254 characters, and a successful write is read back as written.
#include "core/ui_seam.h"
#include "settings/modINI.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

QString latin1(QByteArrayView bytes) {
    return QString::fromLatin1(bytes);
}

const QString& workFile() {
    static const QString path = [] {
        const QString dir =
            QDir::tempPath() +
            QStringLiteral("/ov_fuzz_ini_%1").arg(QString::number(qint64(::getpid())));
        QDir().mkpath(dir);
        return dir + QStringLiteral("/fuzz.ini");
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ov::ui::Handler quiet;
    quiet.messageBox = [](const QString&, const QString&, ov::ui::Icon) {};
    ov::ui::setHandler(quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype nl = input.indexOf('\n');
    const QByteArrayView head = nl < 0 ? input : input.first(nl);
    const QByteArrayView body = nl < 0 ? QByteArrayView() : input.sliced(nl + 1);
    const qsizetype bar = head.indexOf('|');
    const QString section = latin1(bar < 0 ? head : head.first(bar));
    const QString key = bar < 0 ? QStringLiteral("k") : latin1(head.sliced(bar + 1));

    {
        QFile file(workFile());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(body.data(), body.size());
    }
    check(ReadIniValue(workFile(), section, key).size() <= 254);
    check(ReadIniValue(workFile(), QStringLiteral("s"), QStringLiteral("k")).size() <= 254);

    const QString value = QStringLiteral("fuzzed value");
    if (WriteIniValue(workFile(), section, key, value))
        check(ReadIniValue(workFile(), section, key) == value);
    return 0;
}
