// ovclient: the Orvalen console.
#include "settings/modCmdLineParser.h"
#include "window/fMain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ovclient"));
    QApplication::setApplicationVersion(QStringLiteral(OV_VERSION));

    fMain window(QCoreApplication::applicationDirPath());
    window.Form_Load(CommandLineFromArguments(QCoreApplication::arguments()));
    return app.exec();
}
