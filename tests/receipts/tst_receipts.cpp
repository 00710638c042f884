#include "app/mainmenu.h"
#include "app/screenset.h"
#include "output/layouts.h"
#include "output/reportoutput.h"
#include "receipts/calendar.h"
#include "receipts/receiptcalc.h"
#include "products/pricecalc.h"
#include "products/productcard.h"
#include "receipts/receiptcard.h"
#include "receipts/receiptprint.h"
#include "receipts/receiptrecord.h"
#include "receipts/summarymenu.h"
#include "receipts/yearmenu.h"
#include "storage/recordfile.h"
#include "support/recorders.h"
#include "ui/italian.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QDateTime kToday(QDate(2025, 3, 5), QTime(16, 5, 9));

const ReportObject *find(const PreparedPage &page, const QString &name)
{
    for (const ReportObject &o : page.objects) {
        if (o.name == name)
            return &o;
    }
    return nullptr;
}

} // namespace

class TestReceipts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void totalRule_data();
    void totalRule();
    void newCardDefaults();
    void calcolaOnTheCard();
    void exitsOfTheNumberBoxes();
    void requiredFieldsInOrder();
    void saveRecomputesTheTotal();
    void saveRefusesWhatItCannotStore();
    void enterChainThroughTheDateBoxes();
    void dateBoxKeys();
    void calendarWritesOnlyItsTarget();
    void daSaldareBytes();
    void duplicateFailureUsesWarningBox();
    void yearMenuNavigation();
    void yearMenuKeys();
    void receiptLayout();
    void receiptPrint();

private:
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<ShellRecorder> m_shell;
    std::unique_ptr<TfrmCarichi> m_card;
    QList<PreparedReport> m_printed;

    QString archive() const { return m_folder->file(QStringLiteral("2025.odc")); }
    Record stored(int position) const;
    void click(const char *name);
};

void TestReceipts::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_messages = std::make_unique<MessageRecorder>();
    m_shell = std::make_unique<ShellRecorder>();
    AppContext::setClock([] { return kToday; });
    m_printed.clear();
    ReportOutput::setHandler([this](ReportOutput::Kind, const PreparedReport &r) { m_printed << r; });
    m_card = std::make_unique<TfrmCarichi>();
    m_card->lblFile->setText(archive());
    m_card->open();
    QApplication::setActiveWindow(m_card.get());
}

void TestReceipts::cleanup()
{
    m_card.reset();
    ReportOutput::setHandler({});
    AppContext::setClock({});
    m_shell.reset();
    m_messages.reset();
    m_folder.reset();
}

Record TestReceipts::stored(int position) const
{
    QFile f(archive());
    if (!f.open(QIODevice::ReadOnly))
        return Record(ReceiptRecord::layout());
    f.seek(qint64(position - 1) * ReceiptRecord::Size);
    return Record(ReceiptRecord::layout(), f.read(ReceiptRecord::Size));
}

void TestReceipts::click(const char *name)
{
    auto *b = m_card->findChild<QAbstractButton *>(QLatin1StringView(name));
    QVERIFY2(b, name);
    QTest::mouseClick(b, Qt::LeftButton);
}

void TestReceipts::totalRule_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("total");
    QTest::addColumn<bool>("ok");
    QTest::newRow("12,5 x 3") << "12,5" << "3" << "37,50" << true;
    QTest::newRow("0,1 x 3") << "0,1" << "3" << "0,30" << true;
    QTest::newRow("10 x 3") << "10" << "3" << "30,00" << true;
    QTest::newRow("imported 2,5 x 1,10") << "1,10" << "2,5" << "2,75" << true;
    QTest::newRow("empty") << "" << "" << "0,00" << true;
    QTest::newRow("unreadable") << "12.5" << "3" << "0,00" << false;
}

void TestReceipts::totalRule()
{
    QFETCH(QString, unit);
    QFETCH(QString, quantity);
    QFETCH(bool, ok);
    ReceiptCalc::Total t{unit, quantity, QStringLiteral("99,00")};
    QCOMPARE(ReceiptCalc::calcola(t) == PriceCalc::Result::Done, ok);
    QTEST(t.costoTot, "total");
    if (!ok) {
        QCOMPARE(t.costoUni, QStringLiteral("0,00"));
        QCOMPARE(t.quant, QStringLiteral("0"));
    }
}

void TestReceipts::newCardDefaults()
{
    QCOMPARE(m_card->txtData->text(), QStringLiteral("05/03/2025"));
    QCOMPARE(m_card->txtCostoUni->text(), QStringLiteral("0,00"));
    QCOMPARE(m_card->txtQuant->text(), QStringLiteral("0"));
    QCOMPARE(m_card->txtCostoTot->text(), QStringLiteral("0,00"));
    QCOMPARE(m_card->txtDataDoc->text(), QString());
    QVERIFY(!m_card->chkDaSaldare->isChecked());
    QCOMPARE(m_card->focusWidget(), m_card->txtNumDoc);
    QCOMPARE(m_card->lblPosizione->text(), QString());
    QCOMPARE(m_card->txtNumDoc->maxLength(), 20);
    QCOMPARE(m_card->txtDataDoc->maxLength(), 10);
    QVERIFY(m_card->txtData->isReadOnly());
    // The entered box is yellow, the others white, all with a sky-blue border.
    const QImage focused = m_card->txtNumDoc->grab().toImage();
    QCOMPARE(QColor(focused.pixel(focused.width() - 8, focused.height() / 2)), QColor(0xFF, 0xFF, 0x00));
    QCOMPARE(QColor(focused.pixel(0, focused.height() / 2)), QColor(0x87, 0xCE, 0xEB));
    const QImage other = m_card->txtFornitore->grab().toImage();
    QCOMPARE(QColor(other.pixel(other.width() - 8, other.height() / 2)), QColor(Qt::white));
}

void TestReceipts::calcolaOnTheCard()
{
    m_card->txtCostoUni->setText(QStringLiteral("12,5"));
    m_card->txtQuant->setText(QStringLiteral("3"));
    click("btnCalcola");
    QCOMPARE(m_card->txtCostoTot->text(), QStringLiteral("37,50"));
    m_card->txtQuant->setText(QStringLiteral("tre"));
    click("btnCalcola");
    QCOMPARE(m_card->txtCostoUni->text(), QStringLiteral("0,00"));
    QCOMPARE(m_card->txtQuant->text(), QStringLiteral("0"));
    QCOMPARE(m_card->txtCostoTot->text(), QStringLiteral("0,00"));
    QVERIFY(m_messages->boxes.isEmpty());
}

void TestReceipts::exitsOfTheNumberBoxes()
{
    auto leave = [this](QLineEdit *box, const QString &text) {
        box->setFocus();
        box->setText(text);
        m_card->txtNote->setFocus();
        return box->text();
    };
    QCOMPARE(leave(m_card->txtCostoUni, QStringLiteral("2,12345")), QStringLiteral("2,1235"));
    QCOMPARE(leave(m_card->txtCostoUni, QStringLiteral("2,1")), QStringLiteral("2,10"));
    QCOMPARE(leave(m_card->txtCostoUni, QStringLiteral(",5")), QStringLiteral("0,50"));
    QCOMPARE(leave(m_card->txtCostoUni, QStringLiteral("12,346")), QStringLiteral("12,346"));
    QCOMPARE(leave(m_card->txtCostoTot, QStringLiteral("12,346")), QStringLiteral("12,35"));
    QCOMPARE(leave(m_card->txtQuant, QStringLiteral("2,5")), QStringLiteral("3"));
    m_card->txtQuant->setFocus();
    m_card->txtQuant->clear();
    QTest::keyClicks(m_card->txtQuant, QStringLiteral("1,-.a2"));
    QCOMPARE(m_card->txtQuant->text(), QStringLiteral("12"));
    m_card->txtCostoTot->setFocus();
    m_card->txtCostoTot->clear();
    QTest::keyClicks(m_card->txtCostoTot, QStringLiteral("1,-.a2"));
    QCOMPARE(m_card->txtCostoTot->text(), QStringLiteral("1,2"));
}

void TestReceipts::requiredFieldsInOrder()
{
    // Emptied with Delete, the receipt date is missing.
    m_card->txtData->setFocus();
    QTest::keyClick(m_card->txtData, Qt::Key_Delete);
    QCOMPARE(m_card->txtData->text(), QString());
    const QList<QPair<QLineEdit *, QString>> steps = {
        {m_card->txtFornitore, QStringLiteral("Attenzione: per salvare la scheda è necessario indicare il nome del fornitore.")},
        {m_card->txtData, QStringLiteral("Attenzione: per salvare la scheda è necessario indicare la data di carico.")},
        {m_card->txtCodice, QStringLiteral("Attenzione: per salvare la scheda è necessario indicare il codice articolo.")},
        {m_card->txtTipologia,
         QStringLiteral("Attenzione: per salvare la scheda è necessario indicare la tipologia di merce.")},
        {m_card->txtDescrizione,
         QStringLiteral("Attenzione: per salvare la scheda è necessario indicare la descrizione dell'articolo.")},
    };
    for (const auto &[box, warning] : steps) {
        m_card->txtNote->setFocus();
        click("cmdSalva");
        QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
        QCOMPARE(m_messages->lastText(), warning);
        QCOMPARE(m_card->focusWidget(), box);
        box->setText(box == m_card->txtData ? QStringLiteral("01/03/2025") : QStringLiteral("  x  "));
    }
    QVERIFY(!QFile::exists(archive()));
    click("cmdSalva");
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Information);
    QCOMPARE(m_messages->lastText(), QStringLiteral("La scheda corrente è stata inserita in archivio."));
    QCOMPARE(QFileInfo(archive()).size(), 2937);
}

void TestReceipts::saveRecomputesTheTotal()
{
    m_card->txtFornitore->setText(QStringLiteral("Rossi"));
    m_card->txtCodice->setText(QStringLiteral("V-4"));
    m_card->txtTipologia->setText(QStringLiteral("Viteria"));
    m_card->txtDescrizione->setText(QStringLiteral("Viti"));
    m_card->txtCostoUni->setText(QStringLiteral("0,1"));
    m_card->txtQuant->setText(QStringLiteral("3"));
    m_card->txtCostoTot->setText(QStringLiteral("99,00"));
    m_card->chkDaSaldare->setChecked(true);
    click("cmdSalva");
    const Record r = stored(1);
    QCOMPARE(r.value(ReceiptRecord::CostoTot), QStringLiteral("0,30"));
    QCOMPARE(r.value(ReceiptRecord::Data), QStringLiteral("05/03/2025"));
    QCOMPARE(r.value(ReceiptRecord::Fornitore), QStringLiteral("Rossi"));
    QCOMPARE(r.bytes().mid(1428, 3), QByteArray("\x02\x53\xEC", 3));
    QCOMPARE(m_card->lblPosizione->text(), QStringLiteral("1"));

    // The total is recomputed even when a required field then stops the save.
    m_card->txtDescrizione->clear();
    m_card->txtCostoTot->setText(QStringLiteral("5,00"));
    click("cmdSalva");
    QCOMPARE(m_card->txtCostoTot->text(), QStringLiteral("0,30"));
}

void TestReceipts::saveRefusesWhatItCannotStore()
{
    // A stored unit cost from elsewhere that reads as no number.
    Record r(ReceiptRecord::layout());
    r.setValue(ReceiptRecord::Fornitore, QStringLiteral("Rossi"));
    r.setValue(ReceiptRecord::Codice, QStringLiteral("V-4"));
    r.setValue(ReceiptRecord::Tipologia, QStringLiteral("Viteria"));
    r.setValue(ReceiptRecord::Descrizione, QStringLiteral("Viti"));
    r.setValue(ReceiptRecord::Data, QStringLiteral("05/03/2025"));
    r.setValue(ReceiptRecord::CostoUni, QStringLiteral("abc"));
    r.setValue(ReceiptRecord::Quant, QStringLiteral("3"));
    r.setValue(ReceiptRecord::CostoTot, QStringLiteral("9,00"));
    {
        QFile f(archive());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(r.bytes());
    }
    m_card->showRecord(r.bytes(), 1);
    click("cmdSalva");
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QCOMPARE(m_messages->lastText(), PriceCalc::unreadableAmountWarning(QStringLiteral("Costo unitario"), "abc"));
    QCOMPARE(stored(1).bytes(), r.bytes());
    QCOMPARE(m_card->txtQuant->text(), QStringLiteral("3"));

    // A total longer than its field: Calcola and the save refuse it.
    m_card->txtCostoUni->setText(QStringLiteral("999999999999999"));
    m_card->txtQuant->setText(QStringLiteral("9"));
    click("btnCalcola");
    QCOMPARE(m_messages->lastText(),
             PriceCalc::tooLongWarning(QStringLiteral("8,99999999999999E15"), QStringLiteral("Costo totale")));
    QCOMPARE(m_card->txtCostoTot->text(), QStringLiteral("9,00"));
    click("cmdSalva");
    QCOMPARE(m_messages->lastText(),
             PriceCalc::tooLongWarning(QStringLiteral("8,99999999999999E15"), QStringLiteral("Costo totale")));
    QCOMPARE(stored(1).bytes(), r.bytes());
    // One that can be written exactly in a shorter form is kept, also when
    // the focus passes through the box.
    m_card->txtCostoUni->setText(QStringLiteral("1000000"));
    m_card->txtQuant->setText(QStringLiteral("1000000"));
    click("btnCalcola");
    QCOMPARE(m_card->txtCostoTot->text(), QStringLiteral("1000000000000"));
    m_card->txtCostoTot->setText(QStringLiteral("1E12"));
    m_card->txtCostoTot->setFocus();
    m_card->txtNote->setFocus();
    QCOMPARE(m_card->txtCostoTot->text(), QStringLiteral("1000000000000"));
    // A total that overflows stops the save.
    m_card->txtCostoUni->setText(QStringLiteral("1E300"));
    m_card->txtQuant->setText(QStringLiteral("1E300"));
    click("cmdSalva");
    QCOMPARE(m_messages->lastText(), PriceCalc::overflowWarning(QStringLiteral("Costo totale")));
    QCOMPARE(stored(1).bytes(), r.bytes());
    QCOMPARE(m_card->txtCostoUni->text(), QStringLiteral("1E300"));
}

void TestReceipts::enterChainThroughTheDateBoxes()
{
    QTest::keyClicks(m_card->txtNumDoc, QStringLiteral("DDT 12"));
    QTest::keyClick(m_card->txtNumDoc, Qt::Key_Return);
    QCOMPARE(m_card->focusWidget(), m_card->txtDataDoc);

    bool picked = false;
    whenModal([&](QWidget *modal) {
        auto *picker = qobject_cast<TfrmCalendario *>(modal);
        QVERIFY(picker);
        picked = true;
        QCOMPARE(picker->windowTitle(), QStringLiteral(" Importazione data"));
        QCOMPARE(picker->lblMemory->text(), QStringLiteral("carichi_datadoc"));
        QCOMPARE(picker->calAppuntamenti->selectedDate(), kToday.date());
        picker->calAppuntamenti->setSelectedDate(QDate(2025, 2, 28));
        QTest::mouseClick(picker->btnImportaData, Qt::LeftButton);
    });
    QTest::keyClick(m_card->txtDataDoc, Qt::Key_Return); // Enter opens the picker
    QVERIFY(picked);
    QCOMPARE(m_card->txtDataDoc->text(), QStringLiteral("28/02/2025"));

    m_card->txtRecapiti->setFocus();
    QTest::keyClick(m_card->txtRecapiti, Qt::Key_Return);
    QCOMPARE(m_card->focusWidget(), m_card->txtData);
    m_card->txtNote->setFocus();
    QTest::keyClick(m_card->txtNote, Qt::Key_Return);
    QCOMPARE(m_card->focusWidget(), m_card->txtFornitore);
    for (QLineEdit *from : {m_card->txtCostoUni, m_card->txtQuant}) {
        from->setFocus();
        QTest::keyClick(from, Qt::Key_Return);
    }
    QCOMPARE(m_card->focusWidget(), m_card->txtCostoTot);
}

void TestReceipts::dateBoxKeys()
{
    m_card->txtData->setFocus();
    QTest::keyClick(m_card->txtData, Qt::Key_Backspace);
    QCOMPARE(m_card->txtData->text(), QString());
    m_card->txtDataDoc->setText(QStringLiteral("01/01/2025"));
    QTest::keyClick(m_card->txtDataDoc, Qt::Key_Delete);
    QCOMPARE(m_card->txtDataDoc->text(), QString());

    // A letter opens the picker; Annulla writes nothing.
    bool opened = false;
    whenModal([&](QWidget *modal) {
        auto *picker = qobject_cast<TfrmCalendario *>(modal);
        QVERIFY(picker);
        opened = true;
        QCOMPARE(picker->lblMemory->text(), QStringLiteral("carichi_data"));
        QTest::mouseClick(picker->btnAnnulla, Qt::LeftButton);
    });
    QTest::keyClick(m_card->txtData, Qt::Key_A);
    QVERIFY(opened);
    QCOMPARE(m_card->txtData->text(), QString());

    // Tab moves on without a picker (one that opened would be noted and shut).
    bool openedOnTab = false;
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [&] {
        if (auto *modal = QApplication::activeModalWidget()) {
            openedOnTab = true;
            modal->close();
        }
    });
    guard.start(0);
    QTest::keyClick(m_card->txtData, Qt::Key_Tab);
    QCoreApplication::processEvents();
    QVERIFY(!openedOnTab);
}

void TestReceipts::calendarWritesOnlyItsTarget()
{
    TfrmCalendario picker(m_card.get());
    picker.setCard(m_card.get());
    picker.lblMemory->setText(QStringLiteral("fornitori"));
    picker.show();
    QTest::mouseClick(picker.btnImportaData, Qt::LeftButton);
    QVERIFY(picker.isVisible()); // an unknown word: stays open, writes nothing
    QCOMPARE(m_card->txtDataDoc->text(), QString());
    QCOMPARE(m_card->txtData->text(), QStringLiteral("05/03/2025"));
    picker.lblMemory->setText(QStringLiteral("carichi_data"));
    picker.calAppuntamenti->setSelectedDate(QDate(2024, 12, 31));
    QTest::mouseClick(picker.btnImportaData, Qt::LeftButton);
    QVERIFY(!picker.isVisible());
    QCOMPARE(m_card->txtData->text(), QStringLiteral("31/12/2024"));
    QCOMPARE(m_card->txtDataDoc->text(), QString());
}

void TestReceipts::daSaldareBytes()
{
    Record r(ReceiptRecord::layout());
    r.setValue(ReceiptRecord::Fornitore, QStringLiteral("Uno"));
    QByteArray yes = r.bytes();
    yes.replace(1428, 3, QByteArray("\x02\x53\xEC", 3));
    QByteArray no = r.bytes();
    no.replace(1428, 3, QByteArray("\x02\x4E\x6F", 3));
    QByteArray zero = r.bytes();
    zero.replace(1428, 3, QByteArray(3, '\0'));
    {
        QFile f(archive());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(yes + zero + no + zero);
    }
    click("cmdAvanti");
    QVERIFY(m_card->chkDaSaldare->isChecked());
    click("cmdAvanti");
    QVERIFY(m_card->chkDaSaldare->isChecked()); // left as it was
    click("cmdAvanti");
    QVERIFY(!m_card->chkDaSaldare->isChecked());
    click("cmdAvanti");
    QVERIFY(!m_card->chkDaSaldare->isChecked());
    // Saved back, the field holds "No" now.
    m_card->txtData->setText(QStringLiteral("01/03/2025"));
    for (QLineEdit *box : {m_card->txtCodice, m_card->txtTipologia, m_card->txtDescrizione})
        box->setText(QStringLiteral("x"));
    click("cmdSalva");
    QCOMPARE(m_messages->lastText(), QStringLiteral("Le modifiche apportate alla scheda corrente sono state salvate in archivio."));
    QCOMPARE(stored(4).bytes().mid(1428, 3), QByteArray("\x02\x4E\x6F", 3));
}

void TestReceipts::duplicateFailureUsesWarningBox()
{
    {
        RecordFile file(archive(), ReceiptRecord::Size);
        Record r(ReceiptRecord::layout());
        r.setValue(ReceiptRecord::Fornitore, QStringLiteral("Uno"));
        r.setValue(ReceiptRecord::File01, QStringLiteral("bolla.pdf"));
        file.append(r.bytes());
    }
    click("cmdAvanti");
    m_card->lblFile->setText(m_folder->file(QStringLiteral("assente/2025.odc")));
    click("cmdDuplica");
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QVERIFY(m_messages->lastText().startsWith(QStringLiteral("Attenzione: il sistema non permette di accedere")));
    click("cmdPrimo");
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Error);
}

void TestReceipts::yearMenuNavigation()
{
    m_card.reset();
    ScreenSet screens;
    screens.frmAvvio->show();
    QTest::mouseClick(screens.frmAvvio->btnApp[3], Qt::LeftButton);
    TfrmMenuCarico *years = screens.frmMenuCarico;
    QVERIFY(years->isVisible());
    QCOMPARE(years->txtAnnoLavoro->text(), QStringLiteral("2025"));
    QCOMPARE(years->txtAnnoRiepLavoro->text(), QStringLiteral("2025"));
    QCOMPARE(years->token(), QStringLiteral("avvio"));

    // Four ASCII digits and nothing else: a pasted "../x" names no archive.
    for (const QString &bad : {QStringLiteral("24"), QStringLiteral("../x"), QStringLiteral("20 4"),
                               QStringLiteral("\uFF12\uFF10\uFF12\uFF14")}) {
        for (QLineEdit *box : {years->txtAnnoLavoro, years->txtAnnoRiepLavoro}) {
            box->setText(bad);
            QTest::mouseClick(box == years->txtAnnoLavoro ? years->btnApriLavoro : years->btnApriRiepLavoro,
                              Qt::LeftButton);
            QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
            QCOMPARE(m_messages->lastText(),
                     QStringLiteral("Attenzione: indicare l'anno solare utilizzando quattro cifre."));
        }
    }
    years->txtAnnoRiepLavoro->setText(QStringLiteral("2025"));
    years->txtAnnoLavoro->setText(QStringLiteral("24"));
    QTest::mouseClick(years->btnApriLavoro, Qt::LeftButton);
    QVERIFY(years->isVisible());
    QCOMPARE(years->token(), QStringLiteral("avvio"));
    QCOMPARE(years->focusWidget(), years->txtAnnoLavoro);

    years->txtAnnoLavoro->setText(QStringLiteral("2023"));
    QTest::mouseClick(years->btnApriLavoro, Qt::LeftButton);
    TfrmCarichi *card = screens.frmCarichi;
    QVERIFY(card->isVisible());
    QVERIFY(!years->isVisible());
    QCOMPARE(card->windowTitle(), QStringLiteral(" Scortex - Operazioni di carico anno 2023"));
    const QString file = m_folder->file(QStringLiteral("2023.odc"));
    QCOMPARE(card->lblFile->text(), file);
    QVERIFY(!QFile::exists(file));
    QTest::mouseClick(card->findChild<QAbstractButton *>(QStringLiteral("cmdAvanti")), Qt::LeftButton);
    QVERIFY(QFile::exists(file));
    QCOMPARE(QFileInfo(file).size(), 0);
    QCOMPARE(m_messages->lastText(), QStringLiteral("L'archivio non contiene nessuna scheda."));

    card->close(); // back to the main menu, not to the year menu
    QVERIFY(screens.frmAvvio->isVisible());
    QVERIFY(!years->isVisible());

    // A second opening of the card on another year starts from a blank card.
    card->txtFornitore->setText(QStringLiteral("rimasto"));
    card->txtCostoUni->setText(QStringLiteral("9,99"));
    card->lblPosizione->setText(QStringLiteral("4"));
    QTest::mouseClick(screens.frmAvvio->btnApp[3], Qt::LeftButton);
    QCOMPARE(years->txtAnnoLavoro->text(), QStringLiteral("2025"));
    QCOMPARE(years->txtAnnoRiepLavoro->text(), QStringLiteral("2025"));
    years->txtAnnoLavoro->setFocus();
    QTest::keyClick(years->txtAnnoLavoro, Qt::Key_Return);
    QTest::keyClick(years->btnApriLavoro, Qt::Key_Return); // Enter on the focused button opens
    QVERIFY(card->isVisible());
    QCOMPARE(card->windowTitle(), QStringLiteral(" Scortex - Operazioni di carico anno 2025"));
    QCOMPARE(card->lblFile->text(), m_folder->file(QStringLiteral("2025.odc")));
    QCOMPARE(card->txtFornitore->text(), QString());
    QCOMPARE(card->txtCostoUni->text(), QStringLiteral("0,00"));
    QCOMPARE(card->txtData->text(), QStringLiteral("05/03/2025"));
    QCOMPARE(card->lblPosizione->text(), QString());
    QCOMPARE(card->focusWidget(), card->txtNumDoc);
    card->close();

    QTest::mouseClick(screens.frmAvvio->btnApp[3], Qt::LeftButton);
    years->txtAnnoRiepLavoro->setText(QStringLiteral("2023"));
    QTest::mouseClick(years->btnApriRiepLavoro, Qt::LeftButton);
    TfrmMenuRiepilogoCarico *summary = screens.frmMenuRiepilogoCarico;
    QVERIFY(summary->isVisible());
    QCOMPARE(summary->windowTitle(), QStringLiteral(" Scortex - Riepilogo operazioni di carico anno 2023"));
    QCOMPARE(summary->txtAnno->text(), QStringLiteral("2023"));
    QCOMPARE(summary->lblAnnoInizio->text(), QStringLiteral("2023"));
    QCOMPARE(summary->lblAnnoFine->text(), QStringLiteral("2023"));
    QCOMPARE(summary->lblFile->text(), file);
    summary->close();
    QVERIFY(screens.frmAvvio->isVisible());

    // Esci (or the close box) goes back to the main menu.
    QTest::mouseClick(screens.frmAvvio->btnApp[3], Qt::LeftButton);
    QTest::mouseClick(years->imgEsci, Qt::LeftButton);
    QVERIFY(screens.frmAvvio->isVisible());
    QVERIFY(!years->isVisible());
    QVERIFY(!card->isVisible());
}

void TestReceipts::yearMenuKeys()
{
    m_card.reset();
    ScreenSet screens;
    TfrmMenuCarico *years = screens.frmMenuCarico;
    years->open();
    years->txtAnnoLavoro->clear();
    QTest::keyClicks(years->txtAnnoLavoro, QStringLiteral("2a0 -2.4"));
    QCOMPARE(years->txtAnnoLavoro->text(), QStringLiteral("2024"));
    QTest::keyClick(years->txtAnnoLavoro, Qt::Key_Return);
    QCOMPARE(years->focusWidget(), years->btnApriLavoro);
    QVERIFY(years->isVisible()); // Enter presses nothing
    QCOMPARE(years->token(), QStringLiteral("avvio"));
    QTest::keyClick(years->txtAnnoRiepLavoro, Qt::Key_Return);
    QCOMPARE(years->focusWidget(), years->btnApriRiepLavoro);
}

void TestReceipts::receiptLayout()
{
    using ReportUnits::mm;
    Report r = ReportLayouts::receiptReport();
    QCOMPARE(r.name(), QStringLiteral("Scheda Carico Merce"));
    struct Expected
    {
        const char *name;
        QRectF rect; // mm
        double points;
        QColor fill;
        Qt::Alignment horizontal;
    };
    const QColor none;
    const QList<Expected> table = {
        {"shpTitolo", QRectF(1, 1, 188, 5.8), 0, QColor(0xB0, 0xC4, 0xDE), Qt::AlignLeft},
        {"titArcataSup", QRectF(2, 2, 185.8, 4.2), 9, none, Qt::AlignHCenter},
        {"shpRiga01", QRectF(1, 7, 188, 4.6), 0, none, Qt::AlignLeft},
        {"shpRiga13", QRectF(1, 67, 188, 4.6), 0, none, Qt::AlignLeft},
        {"linColonna", QRectF(42, 7, 0, 64.6), 0, none, Qt::AlignLeft},
        {"titNumDoc", QRectF(2, 7.5, 37.8, 3.5), 7, none, Qt::AlignLeft},
        {"titDescrizione", QRectF(2, 47.5, 39.5, 3.5), 7, none, Qt::AlignLeft},
        {"txtNumDoc", QRectF(44, 7.5, 144, 3.5), 7, none, Qt::AlignLeft},
        {"txtNote", QRectF(44, 67.5, 144, 3.5), 7, none, Qt::AlignLeft},
        {"shpCalce", QRectF(1, 72, 188, 5.8), 0, QColor(0xFF, 0xD7, 0x00), Qt::AlignLeft},
        {"txtCalce", QRectF(2, 73, 185.8, 4.2), 8, none, Qt::AlignHCenter},
    };
    for (const Expected &e : table) {
        QVERIFY2(r.hasObject(QLatin1StringView(e.name)), e.name);
        const ReportObject &o = r.object(QLatin1StringView(e.name));
        const QRectF want(mm(e.rect.x()), mm(e.rect.y()), mm(e.rect.width()), mm(e.rect.height()));
        QVERIFY2(qAbs(o.rect.x() - want.x()) < 1e-6 && qAbs(o.rect.y() - want.y()) < 1e-6
                     && qAbs(o.rect.width() - want.width()) < 1e-6 && qAbs(o.rect.height() - want.height()) < 1e-6,
                 e.name);
        QCOMPARE(o.fill, e.fill);
        if (o.kind == ReportObject::Kind::Text) {
            QCOMPARE(o.pointSize, e.points);
            QCOMPARE(o.horizontal, e.horizontal);
            QVERIFY(!o.wordWrap);
            QCOMPARE(o.fontFamily, QStringLiteral("Arial"));
        }
    }
    QCOMPARE(r.object(QStringLiteral("txtCalce")).text(), QStringLiteral("Data e ora stampa"));
    QVERIFY(!r.object(QStringLiteral("shpTitolo")).outline);
    QVERIFY(r.object(QStringLiteral("shpRiga07")).outline);
}

void TestReceipts::receiptPrint()
{
    m_card->txtNumDoc->setText(QStringLiteral("  DDT 7 "));
    m_card->txtFornitore->setText(QStringLiteral("Ferramenta Rossi"));
    m_card->txtDescrizione->setText(QStringLiteral("Viti [M4]"));
    m_card->txtCostoUni->setText(QStringLiteral("12,50"));
    m_card->txtQuant->setText(QStringLiteral("3"));
    m_card->txtCostoTot->setText(QStringLiteral("37,50"));
    whenModal([](QWidget *modal) {
        auto *w = qobject_cast<TfrmStampaCarico *>(modal);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral(" Stampa scheda"));
        QTest::mouseClick(w->btnAnnulla, Qt::LeftButton);
    });
    click("cmdStampa");
    QVERIFY(m_printed.isEmpty());

    whenModal([](QWidget *modal) {
        auto *w = qobject_cast<TfrmStampaCarico *>(modal);
        QVERIFY(w);
        QTest::mouseClick(w->btnStampa, Qt::LeftButton);
        QVERIFY(!w->isVisible());
    });
    click("cmdStampa");
    QCOMPARE(m_printed.size(), 1);
    const PreparedReport &report = m_printed.first();
    QCOMPARE(report.name, QStringLiteral("Scheda Carico Merce"));
    QCOMPARE(report.pages.size(), 1);
    const PreparedPage &page = report.pages.first();
    QCOMPARE(page.orientation, QPageLayout::Portrait);
    const QStringList expected = {QStringLiteral("DDT 7"), QString(), QStringLiteral("Ferramenta Rossi"), QString(),
                                  QStringLiteral("05/03/2025"), QString(), QString(), QString(),
                                  QStringLiteral("Viti [M4]"), QStringLiteral("12,50"), QStringLiteral("3"),
                                  QStringLiteral("37,50"), QString()};
    const QStringList names = ReportLayouts::receiptRows();
    QCOMPARE(names.size(), 13);
    for (int k = 0; k < 13; ++k) {
        const ReportObject *value = find(page, names[k]);
        QVERIFY2(value, qPrintable(names[k]));
        QCOMPARE(value->text(), expected[k]);
    }
    QVERIFY(find(page, QStringLiteral("titDescrizione")) && find(page, QStringLiteral("titArcataSup"))
            && find(page, QStringLiteral("txtCalce")) && find(page, QStringLiteral("shpRiga13"))
            && find(page, QStringLiteral("linColonna")));
    QCOMPARE(find(page, QStringLiteral("titDescrizione"))->text(), QStringLiteral("Descrizione:"));
    QCOMPARE(find(page, QStringLiteral("titDescrizione"))->rect.width(), ReportUnits::mm(39.5));
    QCOMPARE(find(page, QStringLiteral("titArcataSup"))->text(), QStringLiteral("SCHEDA CARICO MERCE"));
    QCOMPARE(find(page, QStringLiteral("txtCalce"))->text(),
             QStringLiteral("Stampa eseguita in data 05/03/2025 alle ore 16:05:09"));
    QCOMPARE(find(page, QStringLiteral("shpRiga13"))->rect.top(), ReportUnits::mm(7 + 60));
    QCOMPARE(find(page, QStringLiteral("linColonna"))->rect.height(), ReportUnits::mm(64.6));
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installItalian(app);
    TestReceipts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_receipts.moc"
