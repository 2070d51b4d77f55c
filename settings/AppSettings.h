#pragma once
// The console's on/off options, kept as "1" or "0" in section "settings" of ovclient.ini beside
// the program. GS and SS read and write one key each time they are called; the file is opened
// only for that call.
#include <QString>
#include <QStringView>
#include <array>

// The folder that holds ovclient.ini: the program's folder unless a test has chosen another.
QString ProgramFolder();
// An empty folder goes back to the program's folder.
void SetProgramFolder(const QString& folder);
// ProgramFolder() with its separator, followed by "ovclient.ini".
QString SettingsFileName();

// The value of sSetting, or sDefault when the key is absent or empty or the file is missing (the
// read then shows the missing-file message).
QString GS(const QString& sSetting, const QString& sDefault = QString());
void SS(const QString& sSetting, const QString& sValue);

// One of the five stored options: its key and whether it is on when the key says nothing.
// Only the exact text that switches it away from its default counts ("1" for an option that is
// off by default, "0" for one that is on); anything else reads as the default.
struct OptionSetting {
    QStringView Key;
    bool Default;
};

inline constexpr OptionSetting kStartupMaximize{u"startupmaximize", false};
inline constexpr OptionSetting kViewConnectionPanel{u"viewconnectionpanel", true};
inline constexpr OptionSetting kViewLeftPanel{u"viewleftpanel", true};
inline constexpr OptionSetting kRowColors{u"rowcolors", true};
inline constexpr OptionSetting kColorUsers{u"colorusers", false};

// The order in which the start-up reads them.
inline constexpr std::array<OptionSetting, 5> kStartupOptions{
    kStartupMaximize, kViewConnectionPanel, kViewLeftPanel, kRowColors, kColorUsers};

// One GS call with the option's default text.
bool ReadOption(const OptionSetting& option);
// One SS call storing "1" or "0".
void WriteOption(const OptionSetting& option, bool on);
