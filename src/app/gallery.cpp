// Renders every screen to <out>/<objectName>.png under the offscreen
// platform, from a program folder in a temporary directory, so each screen
// can be looked at without a display.
#include "app/helpwindows.h"
#include "app/mainmenu.h"
#include "products/extradata.h"
#include "products/productcard.h"
#include "products/stockwindow.h"
#include "app/screenset.h"
#include "ui/applicationscreen.h"
#include "ui/italian.h"
#include "ui/services.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool save(QWidget *w, const QString &folder)
{
    if (qobject_cast<TApplicationScreen *>(w))
        w->resize(TApplicationScreen::designSize());
    w->show();
    QCoreApplication::processEvents();
    const QString path = QDir(folder).filePath(w->objectName() + QStringLiteral(".png"));
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    w->hide();
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installItalian(app);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gallery");
    QDir().mkpath(out);
    QTemporaryDir folder;
    AppContext::setProgramFolder(folder.path());

    bool ok = true;
    ScreenSet screens;
    for (QWidget *w : screens.screens())
        ok = save(w, out) && ok;

    TfrmGuida help(screens.frmAvvio);
    help.setTopic(HelpTopics::topic(HelpTopics::Topic::Panoramica));
    ok = save(&help, out) && ok;
    TfrmInfo info(screens.frmAvvio);
    ok = save(&info, out) && ok;
    TfrmSplash splash(screens.frmAvvio);
    ok = save(&splash, out) && ok;
    TfrmGiacenza stock(screens.frmMagazzino);
    ok = save(&stock, out) && ok;
    TfrmDatiPneumatici extra(screens.frmMagazzino);
    ok = save(&extra, out) && ok;
    return ok ? 0 : 1;
}
