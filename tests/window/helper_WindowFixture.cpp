#include "WindowFixture.h"

#include "window/fMain.h"

#include <QFile>

WindowFixture::WindowFixture() {
    ov::ui::Handler handler;
    handler.messageBox = [this](const QString& text, const QString& title, ov::ui::Icon) {
        messages << title + QStringLiteral(": ") + text;
    };
    handler.openUrl = [this](const QString& url) {
        openedUrls << url;
        return true;
    };
    handler.fileDialog = [](const ov::ui::FileDialogRequest&) { return QString(); };
    previous_ = ov::ui::setHandler(handler);
}

WindowFixture::~WindowFixture() {
    window_.reset();
    ov::ui::setHandler(previous_);
}

void WindowFixture::writeSettings(const QStringList& lines) const {
    writeFile(QStringLiteral("ovclient.ini"),
              (QStringLiteral("[settings]\r\n") + lines.join(QStringLiteral("\r\n")) +
               QStringLiteral("\r\n"))
                  .toLatin1());
}

void WindowFixture::writeFile(const QString& name, const QByteArray& content) const {
    QFile file(dir_.filePath(name));
    if (file.open(QIODevice::WriteOnly)) file.write(content);
}

fMain& WindowFixture::start(const QString& commandLine, quint16 servicePort) {
    window_ = std::make_unique<fMain>(dir_.path());
    if (servicePort) window_->setServicePort(servicePort);
    window_->Form_Load(commandLine);
    return *window_;
}
