#pragma once
// Small file and text helpers shared by the settings, the geolocation and the window.
#include <QString>

// True when path (trimmed of spaces) names an existing file; folders do not count, and hidden,
// read-only and system files do. Any failure answers false.
bool FileExists(const QString& path);
// The path ending in the platform's folder separator (appended when missing).
QString AddSlash(const QString& path);
// "1" for true, "0" for false: how on/off options are stored.
QString BoolToStr(bool b);
