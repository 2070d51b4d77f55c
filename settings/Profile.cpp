#include "settings/Profile.h"

#include "settings/modINI.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QTime>
#include <QVersionNumber>

namespace {

const QString kSection = QStringLiteral("main");
constexpr int kProjectVersion[3] = {1, 0, 0};

} // namespace

QString ProgramVersion() {
    const QVersionNumber declared =
        QVersionNumber::fromString(QCoreApplication::applicationVersion());
    const bool known = !declared.isNull();
    QStringList parts;
    for (int i = 0; i < 3; ++i)
        parts << QString::number(known ? declared.segmentAt(i) : kProjectVersion[i]);
    return parts.join(u'.');
}

void WriteProfile(const QString& path, const ProfileValues& values) {
    const QLocale locale = QLocale::system();
    WriteIniValue(path, kSection, QStringLiteral("version"), ProgramVersion());
    WriteIniValue(path, kSection, QStringLiteral("time"),
                  locale.toString(QTime::currentTime(), QLocale::ShortFormat));
    WriteIniValue(path, kSection, QStringLiteral("date"),
                  locale.toString(QDate::currentDate(), QLocale::ShortFormat));
    WriteIniValue(path, kSection, QStringLiteral("ip"), values.ip);
    WriteIniValue(path, kSection, QStringLiteral("numbytes"), values.numbytes);
    WriteIniValue(path, kSection, QStringLiteral("logpath"), values.logpath);
    WriteIniValue(path, kSection, QStringLiteral("view"), QString::number(values.view));
}

ProfileValues ReadProfile(const QString& path) {
    ProfileValues values;
    values.ip = ReadIniValue(path, kSection, QStringLiteral("ip"));
    values.numbytes = ReadIniValue(path, kSection, QStringLiteral("numbytes"));
    values.logpath = ReadIniValue(path, kSection, QStringLiteral("logpath"));
    values.view = ViewFromText(ReadIniValue(path, kSection, QStringLiteral("view")));
    return values;
}

int ViewFromText(const QString& text) {
    if (text == u"2") return 2;
    if (text == u"3") return 3;
    return 1;
}
