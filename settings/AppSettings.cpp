#include "settings/AppSettings.h"

#include "settings/modINI.h"
#include "settings/pobos.h"

#include <QCoreApplication>

namespace {

const QString kSection = QStringLiteral("settings");

QString& chosenFolder() {
    static QString folder;
    return folder;
}

} // namespace

QString ProgramFolder() {
    const QString& chosen = chosenFolder();
    return chosen.isEmpty() ? QCoreApplication::applicationDirPath() : chosen;
}

void SetProgramFolder(const QString& folder) {
    chosenFolder() = folder;
}

QString SettingsFileName() {
    return AddSlash(ProgramFolder()) + QStringLiteral("ovclient.ini");
}

QString GS(const QString& sSetting, const QString& sDefault) {
    const QString value = ReadIniValue(SettingsFileName(), kSection, sSetting);
    return value.isEmpty() ? sDefault : value;
}

void SS(const QString& sSetting, const QString& sValue) {
    WriteIniValue(SettingsFileName(), kSection, sSetting, sValue);
}

bool ReadOption(const OptionSetting& option) {
    const QString value = GS(option.Key.toString(), BoolToStr(option.Default));
    return option.Default ? value != u"0" : value == u"1";
}

void WriteOption(const OptionSetting& option, bool on) {
    SS(option.Key.toString(), BoolToStr(on));
}
