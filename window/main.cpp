// ovclient: the Orvalen console.
#include "core/ui_seam.h"
#include "settings/modCmdLineParser.h"
#include "window/fMain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ovclient"));
    QApplication::setApplicationVersion(QStringLiteral(OV_VERSION));
    // The console speaks Spanish; without Qt's translations installed its own words stay English.
    ov::ui::installQtSpanish();

    fMain window(QCoreApplication::applicationDirPath());
    // Message boxes and dialogs, also those of the start-up, appear over the window.
    ov::ui::setOwner(&window);
    window.Form_Load(CommandLineFromArguments(QCoreApplication::arguments()));
    return app.exec();
}
