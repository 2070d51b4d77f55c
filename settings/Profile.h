#pragma once
// Configuration profiles: what the operator typed into the connection panel (server address,
// buffer size, remote log path) and the view that was showing, kept in section "main" of an INI
// file (extension ".ovp"). Loading only hands the values back; the window puts them in place.
#include <QString>

struct ProfileValues {
    QString ip;
    // The buffer size as its text: the numeric box converts it when the window assigns it.
    QString numbytes;
    QString logpath;
    int view = 1; // the selected tab, 1 to 3
};

// Writes "version", "time", "date", "ip", "numbytes", "logpath" and "view" in this order, one
// key at a time; other keys and sections of the file stay as they are.
void WriteProfile(const QString& path, const ProfileValues& values);
// Reads "ip", "numbytes", "logpath" and "view" in this order. A missing file shows the
// missing-file message once per read and gives empty values and view 1.
ProfileValues ReadProfile(const QString& path);
// "1", "2" or "3" give that tab; any other text, the empty one included, gives 1.
int ViewFromText(const QString& text);
// The program's version as major.minor.revision: the application's version when it has one,
// otherwise the project's.
QString ProgramVersion();
