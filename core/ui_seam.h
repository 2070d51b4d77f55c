#pragma once
// The one place where the console reaches the operator's desktop: message boxes, the open and
// save dialogs, the shell (web and mail links) and starting another program, and the language of
// Qt's own words in them. Production code calls these functions; tests install a Handler that
// counts or answers instead of showing.
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace ov::ui {

enum class Icon { None, Stop, Exclamation, Information, Question };

struct FileDialogRequest {
    bool save = false;
    QString filter;     // Qt form, e.g. "Perfil de configuración (OVP) (*.ovp)"
    QString defaultExt; // without the dot
    QString initialDir;
    QString title;
    bool mustExist = false;
    bool overwritePrompt = false;
    // The window the dialog stands over; none: the owner set below. A handler sees the one used.
    QWidget* owner = nullptr;
};

struct Handler {
    std::function<void(const QString& text, const QString& title, Icon icon)> messageBox;
    // Answers the chosen path, or an empty text when the operator cancelled.
    std::function<QString(const FileDialogRequest&)> fileDialog;
    std::function<bool(const QString& url)> openUrl;
    std::function<bool(const QString& program, const QStringList& args)> startProgram;
};

// The window message boxes and dialogs stand over, so that they appear over it rather than
// anywhere on the screen: the console's main window. Null (or once that window is gone) leaves
// them on their own.
void setOwner(QWidget* window);
QWidget* owner();

// Qt's own words (dialog labels and buttons, context menus) in Spanish, from the translations
// Qt installs (qtbase_es.qm); false, leaving them in English, when they are not installed.
bool installQtSpanish();

void messageBox(const QString& text, const QString& title, Icon icon = Icon::None);
QString fileDialog(const FileDialogRequest& request);
bool openUrl(const QString& url);
bool startProgram(const QString& program, const QStringList& args);

// Replaces the desktop for tests; any member left empty keeps the real behaviour. Returns the
// previous handler so that a test can put it back.
Handler setHandler(Handler handler);

} // namespace ov::ui
