#pragma once
// A console window on its own program folder (settings file, geodata, reference) in a temporary
// directory, with the desktop seam counting message boxes and catching opened links.
#include "core/ui_seam.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class fMain;

class WindowFixture {
public:
    WindowFixture();
    ~WindowFixture();

    QString folder() const { return dir_.path(); }
    // Writes ovclient.ini with these lines under [settings]; no call leaves no file at all.
    void writeSettings(const QStringList& lines) const;
    void writeFile(const QString& name, const QByteArray& content) const;
    // Creates the window and runs its start-up with this command line.
    fMain& start(const QString& commandLine = QString(), quint16 servicePort = 0);
    fMain& window() { return *window_; }

    QStringList messages; // "title: text" of every message box
    QStringList openedUrls;

private:
    QTemporaryDir dir_;
    std::unique_ptr<fMain> window_;
    ov::ui::Handler previous_;
};
