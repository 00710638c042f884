// Renders every screen to <out>/<objectName>.png under the offscreen
// platform, from a program folder in a temporary directory, so each screen
// can be looked at without a display.
#include "app/helpwindows.h"
#include "app/mainmenu.h"
#include "output/layouts.h"
#include "products/extradata.h"
#include "receipts/calendar.h"
#include "receipts/receiptcard.h"
#include "receipts/receiptprint.h"
#include "suppliers/suppliercard.h"
#include "validators/validatorwindow.h"
#include "products/productcard.h"
#include "products/stockwindow.h"
#include "app/screenset.h"
#include "ui/applicationscreen.h"
#include "ui/italian.h"
#include "ui/services.h"

#include <QApplication>
#include <QLineEdit>
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

bool savePage(const PreparedReport &report, const QString &folder, const QString &name)
{
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    const bool ok = !report.pages.isEmpty() && ReportRenderer::pageImage(report.pages.first()).save(path);
    std::printf("%s %s (%lld pages)\n", ok ? "wrote" : "FAILED", qPrintable(path), qlonglong(report.pages.size()));
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

    // The dialogs, each over the screen that opens it.
    TfrmGuida help(screens.frmAvvio);
    help.setTopic(HelpTopics::topic(HelpTopics::Topic::Panoramica));
    TfrmInfo info(screens.frmAvvio);
    TfrmSplash splash(screens.frmAvvio);
    TfrmGiacenza stock(screens.frmMagazzino);
    TfrmDatiPneumatici extra(screens.frmMagazzino);
    TfrmCalendario calendar(screens.frmCarichi);
    TfrmStampaCarico receiptPrint(screens.frmCarichi);
    TfrmCodFisc codFisc(screens.frmFornitori);
    TfrmPartitaIva partitaIva(screens.frmFornitori);
    TfrmCarta carta(screens.frmFornitori);
    TfrmIban iban(screens.frmFornitori);
    iban.setText(QStringLiteral("IT60X0542811101000000123456"));
    for (QWidget *dialog : std::initializer_list<QWidget *>{&help, &info, &splash, &stock, &extra, &calendar,
                                                          &receiptPrint, &codFisc, &partitaIva, &carta, &iban})
        ok = save(dialog, out) && ok;

    // Page 1 of each report kind.
    Report list = ReportLayouts::listReport();
    QStringList lines;
    for (int i = 1; i <= 60; ++i)
        lines << QStringLiteral("%1 Ferramenta Rossi [%2]      Via Roma %1      0544 %1%1%1")
                     .arg(i, 4, 10, QLatin1Char('0'))
                     .arg(i % 7);
    ReportLayouts::fillList(list, QStringLiteral("Riepilogo fornitori da ricontattare"), lines);
    const QDateTime when(QDate(2024, 3, 9), QTime(15, 42, 7));
    ok = savePage(list.prepare(when), out, QStringLiteral("repRiepilogo")) && ok;
    screens.frmFornitori->txtDitta->setText(QStringLiteral("Ferramenta Rossi S.r.l."));
    screens.frmFornitori->txtComuneRes->setText(QStringLiteral("Forlì"));
    screens.frmFornitori->fillReport();
    ok = savePage(screens.frmFornitori->repScheda.prepare(when), out, QStringLiteral("repScheda")) && ok;
    screens.frmCarichi->open();
    screens.frmCarichi->txtFornitore->setText(QStringLiteral("Ferramenta Rossi S.r.l."));
    screens.frmCarichi->txtDescrizione->setText(QStringLiteral("Viti autofilettanti 4x30, confezione da 200 pezzi"));
    screens.frmCarichi->txtCostoUni->setText(QStringLiteral("12,50"));
    screens.frmCarichi->txtQuant->setText(QStringLiteral("3"));
    screens.frmCarichi->btnCalcolaClick();
    receiptPrint.setCard(screens.frmCarichi);
    receiptPrint.fillReport();
    ok = savePage(receiptPrint.repDocumento.prepare(when), out, QStringLiteral("repDocumento")) && ok;
    screens.frmCarichi->hide();
    return ok ? 0 : 1;
}
