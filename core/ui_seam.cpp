#include "core/ui_seam.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QTranslator>
#include <QUrl>
#include <memory>

namespace ov::ui {
namespace {

Handler& installed() {
    static Handler handler;
    return handler;
}

QPointer<QWidget>& ownerWindow() {
    static QPointer<QWidget> window;
    return window;
}

QMessageBox::Icon toQt(Icon icon) {
    switch (icon) {
    case Icon::Stop:
        return QMessageBox::Critical;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void setOwner(QWidget* window) {
    ownerWindow() = window;
}

QWidget* owner() {
    return ownerWindow();
}

bool installQtSpanish() {
    auto* app = QCoreApplication::instance();
    if (!app) return false;
    auto translator = std::make_unique<QTranslator>(app);
    if (!translator->load(QStringLiteral("qtbase_es"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    // The application owns the translator from here on.
    return QCoreApplication::installTranslator(translator.release());
}

void messageBox(const QString& text, const QString& title, Icon icon) {
    if (installed().messageBox) return installed().messageBox(text, title, icon);
    QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, owner());
    box.exec();
}

QString fileDialog(const FileDialogRequest& asked) {
    FileDialogRequest request = asked;
    if (!request.owner) request.owner = owner();
    if (installed().fileDialog) return installed().fileDialog(request);
    QFileDialog dialog(request.owner, request.title, request.initialDir, request.filter);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save || !request.mustExist ? QFileDialog::AnyFile
                                                          : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultExt);
    if (!request.overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

bool openUrl(const QString& url) {
    if (installed().openUrl) return installed().openUrl(url);
    return QDesktopServices::openUrl(QUrl(url));
}

bool startProgram(const QString& program, const QStringList& args) {
    if (installed().startProgram) return installed().startProgram(program, args);
    return QProcess::startDetached(program, args);
}

Handler setHandler(Handler handler) {
    Handler previous = std::move(installed());
    installed() = std::move(handler);
    return previous;
}

} // namespace ov::ui
