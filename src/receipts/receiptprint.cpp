#include "receiptprint.h"

#include "output/layouts.h"
#include "output/reportoutput.h"
#include "receipts/receiptcard.h"
#include "storage/textrules.h"
#include "ui/services.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmStampaCarico::TfrmStampaCarico(QWidget *owner)
    : TFixedDialog(QStringLiteral("frmStampaCarico"), QStringLiteral(" Stampa scheda"), QSize(364, 287), owner,
                   Qt::white, QColor(0x46, 0x82, 0xB4)),
      repDocumento(ReportLayouts::receiptReport())
{
    centreOnOwner(true);
    auto *stampa = new TPicture(QStringLiteral("imgStampa"), QStringLiteral(":/art/stampa.svg"), this);
    stampa->setGeometry(20, 20, 48, 48);
    auto *explain = new QLabel(QStringLiteral("<b>Stampa scheda</b><br>Questa operazione provvederà a stampare la "
                                              "scheda corrente su carta con i dati immessi dall'utente."),
                               this);
    explain->setObjectName(QStringLiteral("imgSpiegazione"));
    explain->setWordWrap(true);
    explain->setFont(layoutFont(QStringLiteral("Arial"), 10));
    explain->setGeometry(80, 16, 264, 90);
    auto *press = new QLabel(QStringLiteral("Premere il pulsante Stampa per dare avvio alla stampa oppure premere "
                                            "Annulla per annullare l'operazione."),
                             this);
    press->setObjectName(QStringLiteral("imgIstruzioni"));
    press->setWordWrap(true);
    press->setFont(layoutFont(QStringLiteral("Arial"), 10, true));
    press->setStyleSheet(QStringLiteral("color: #1F2A33;"));
    press->setGeometry(20, 120, 324, 70);

    btnAnnulla = makeButton(this, QStringLiteral("btnAnnulla"), QStringLiteral("Annulla"), QRect(20, 222, 130, 40));
    btnStampa = makeButton(this, QStringLiteral("btnStampa"), QStringLiteral("Stampa"), QRect(214, 222, 130, 40));
    setTabOrder(btnAnnulla, btnStampa);
    connect(btnAnnulla, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnStampa, &QPushButton::clicked, this, &TfrmStampaCarico::btnStampaClick);
}

void TfrmStampaCarico::fillReport()
{
    repDocumento.setOrientation(QPageLayout::Portrait);
    for (const QString &name : ReportLayouts::receiptRows()) {
        const auto *box = m_card ? m_card->findChild<QLineEdit *>(name) : nullptr;
        repDocumento.object(name).setText(box ? TextRules::trimmed(box->text()) : QString());
    }
    repDocumento.object(QStringLiteral("txtCalce")).setText(ReportLayouts::printFooter(AppContext::now()));
}

void TfrmStampaCarico::btnStampaClick()
{
    fillReport();
    ReportOutput::print(this, repDocumento.prepare(AppContext::now()));
    // Printed or cancelled, the window closes.
    accept();
}
