#include "app/registerkinds.h"
#include "app/screenset.h"
#include "ui/italian.h"
#include "ui/services.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    registerArchiveKinds();
    QApplication app(argc, argv);
    installItalian(app);
    // The archives, the password file and the documents live beside the program.
    AppContext::setProgramFolder(QCoreApplication::applicationDirPath());
    // The hidden login window stays the main window; the end is explicit.
    app.setQuitOnLastWindowClosed(false);

    ScreenSet screens;
    QObject::connect(&screens, &ScreenSet::applicationEnded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    screens.start();
    return app.exec();
}
