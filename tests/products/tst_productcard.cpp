#include "products/extradata.h"
#include "products/pricecalc.h"
#include "products/productcard.h"
#include "products/productrecord.h"
#include "products/stockwindow.h"
#include "storage/recordfile.h"
#include "support/recorders.h"
#include "ui/italian.h"

#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

#include <functional>

class TestProductCard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void blankCardValues();
    void exitRules_data();
    void exitRules();
    void keyFiltersPerBoxKind();
    void saveWithEveryNumericBlank();
    void saveRecomputesPriceAndValue();
    void calcola_data();
    void calcola();
    void scorporaThenSave();
    void largeValuesStayReadable();
    void valoreCases();
    void unreadableValuesWarnAndReset();
    void stockWindowFromTheCard();
    void stockWindowRules();
    void extraDataAppliedOrCancelled();
    void duplicateKeepsExtraDataDropsAttachments();
    void webSearch();
    void archiveFailureUsesWarningBox();

private:
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<ShellRecorder> m_shell;
    std::unique_ptr<TfrmMagazzino> m_card;

    QString archive() const { return ProductRecord::archivePath(m_folder->path()); }
    Record stored(int position) const;
    void click(const char *name);
    void leave(QLineEdit *box);
};

void TestProductCard::init()
{
    m_folder = std::make_unique<ProgramFolder>(false);
    m_messages = std::make_unique<MessageRecorder>();
    m_shell = std::make_unique<ShellRecorder>();
    m_card = std::make_unique<TfrmMagazzino>();
    m_card->open();
    QApplication::setActiveWindow(m_card.get());
}

void TestProductCard::cleanup()
{
    m_card.reset();
    m_shell.reset();
    m_messages.reset();
    m_folder.reset();
}

Record TestProductCard::stored(int position) const
{
    QFile f(archive());
    if (!f.open(QIODevice::ReadOnly))
        return Record(ProductRecord::layout());
    f.seek(qint64(position - 1) * ProductRecord::Size);
    return Record(ProductRecord::layout(), f.read(ProductRecord::Size));
}

void TestProductCard::click(const char *name)
{
    auto *b = m_card->findChild<QAbstractButton *>(QLatin1StringView(name));
    QVERIFY2(b, name);
    QTest::mouseClick(b, Qt::LeftButton);
}

void TestProductCard::leave(QLineEdit *box)
{
    box->setFocus();
    m_card->txtNote->setFocus();
}

void TestProductCard::blankCardValues()
{
    QCOMPARE(m_card->txtCodice->text(), QString());
    for (QLineEdit *box : {m_card->txtGiacenza, m_card->txtSottoscorta, m_card->txtPercIva})
        QCOMPARE(box->text(), QStringLiteral("0"));
    for (QLineEdit *box : {m_card->txtCosto, m_card->txtValore, m_card->txtPrezzo, m_card->txtPrezzo_con_Iva})
        QCOMPARE(box->text(), QStringLiteral("0,00"));
    QCOMPARE(m_card->txtPercIva->maxLength(), 2);
    QCOMPARE(m_card->txtCosto->maxLength(), 15);
    QCOMPARE(m_card->txtCodice->maxLength(), 30);
    QCOMPARE(m_card->focusWidget(), m_card->txtCodice);
}

void TestProductCard::exitRules_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("12") << "txtCosto" << "12" << "12,00";
    QTest::newRow("12,5") << "txtPrezzo" << "12,5" << "12,50";
    QTest::newRow("12,555") << "txtCosto" << "12,555" << "12,555";
    QTest::newRow("12,55555") << "txtCosto" << "12,55555" << "12,5556";
    QTest::newRow("lone comma") << "txtValore" << "," << "0,00";
    QTest::newRow("two commas") << "txtCosto" << "1,,2" << "0,00";
    QTest::newRow("empty money") << "txtPrezzo_con_Iva" << "" << "0,00";
    QTest::newRow("empty stock") << "txtGiacenza" << "" << "0";
    QTest::newRow("whole 7") << "txtSottoscorta" << "7" << "7";
}

void TestProductCard::exitRules()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    auto *edit = m_card->findChild<QLineEdit *>(box);
    edit->setFocus();
    edit->clear();
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), typed); // no change until the box is left
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(QApplication::focusWidget() != edit);
    QCOMPARE(edit->text(), shown);
}

void TestProductCard::keyFiltersPerBoxKind()
{
    struct Case
    {
        QLineEdit *box;
        QString expected;
    };
    for (const Case &c : {Case{m_card->txtPercIva, QStringLiteral("5")}, Case{m_card->txtGiacenza, QStringLiteral("5")},
                          Case{m_card->txtSottoscorta, QStringLiteral("5")}, Case{m_card->txtCosto, QStringLiteral(",,5")},
                          Case{m_card->txtPrezzo_con_Iva, QStringLiteral(",,5")}}) {
        c.box->setFocus();
        c.box->clear();
        QTest::keyClicks(c.box, QStringLiteral("a.- ,5"));
        QCOMPARE(c.box->text(), c.expected);
    }
    // The keypad's point types the decimal comma, once.
    m_card->txtCosto->setFocus();
    m_card->txtCosto->clear();
    QTest::keyClicks(m_card->txtCosto, QStringLiteral("12.5.0"));
    QCOMPARE(m_card->txtCosto->text(), QStringLiteral("12,50"));
    QTest::keyClick(m_card->txtCosto, Qt::Key_Period, Qt::KeypadModifier);
    QCOMPARE(m_card->txtCosto->text(), QStringLiteral("12,50"));
    // An amount pasted in the Italian grouped form is read as what it is;
    // a lone point before one, two or four and more digits is the decimal
    // point of a figure pasted in English.
    for (const auto &[pasted, shown] : {std::pair{"1.000,50", "1000,50"}, std::pair{"12.345.678,9", "12345678,90"},
                                        std::pair{"-1.000", "-1000,00"}, std::pair{"1.00", "1,00"},
                                        std::pair{"1.0000", "1,00"}, std::pair{"12.5", "12,50"},
                                        std::pair{"12.50", "12,50"}, std::pair{"1.2.3", "0,00"}}) {
        m_card->txtCosto->setText(QString::fromLatin1(pasted));
        leave(m_card->txtCosto);
        QCOMPARE(m_card->txtCosto->text(), QString::fromLatin1(shown));
    }
    // A stock pasted as 2,5 becomes 3 on leaving.
    m_card->txtGiacenza->setText(QStringLiteral("2,5"));
    leave(m_card->txtGiacenza);
    QCOMPARE(m_card->txtGiacenza->text(), QStringLiteral("3"));
}

void TestProductCard::saveWithEveryNumericBlank()
{
    for (QLineEdit *box : {m_card->txtGiacenza, m_card->txtSottoscorta, m_card->txtPercIva, m_card->txtCosto,
                           m_card->txtValore, m_card->txtPrezzo, m_card->txtPrezzo_con_Iva})
        box->setText(QStringLiteral("  "));
    QTest::keyClicks(m_card->txtCodice, QStringLiteral("  A-100 "));
    click("cmdSalva");
    QCOMPARE(m_messages->lastText(), QStringLiteral("La scheda corrente è stata inserita in archivio."));
    const Record r = stored(1);
    QCOMPARE(r.value(ProductRecord::Codice), QStringLiteral("A-100"));
    QCOMPARE(r.value(ProductRecord::Giacenza), QStringLiteral("0"));
    QCOMPARE(r.value(ProductRecord::Sottoscorta), QStringLiteral("0"));
    QCOMPARE(r.value(ProductRecord::PercIva), QStringLiteral("0"));
    for (int f : {ProductRecord::Costo, ProductRecord::Valore, ProductRecord::Prezzo, ProductRecord::Prezzo_con_Iva})
        QCOMPARE(r.value(f), QStringLiteral("0,00"));
    QCOMPARE(QFileInfo(archive()).size(), 4874);
}

void TestProductCard::saveRecomputesPriceAndValue()
{
    m_card->txtCodice->setText(QStringLiteral("B7"));
    m_card->txtPrezzo->setText(QStringLiteral("10,00"));
    m_card->txtPercIva->setText(QStringLiteral("22"));
    m_card->txtPrezzo_con_Iva->setText(QStringLiteral("99,99")); // typed by hand
    m_card->txtCosto->setText(QStringLiteral("2,50"));
    m_card->txtGiacenza->setText(QStringLiteral("2,5")); // pasted, box not left
    m_card->txtSottoscorta->setText(QStringLiteral("1,4"));
    m_card->txtGiacenza->setFocus();
    click("cmdSalva");
    const Record r = stored(1);
    QCOMPARE(r.value(ProductRecord::Prezzo_con_Iva), QStringLiteral("12,20"));
    QCOMPARE(r.value(ProductRecord::Giacenza), QStringLiteral("3"));
    QCOMPARE(r.value(ProductRecord::Sottoscorta), QStringLiteral("1"));
    QCOMPARE(r.value(ProductRecord::Valore), QStringLiteral("7,50"));
    QCOMPARE(m_card->txtPrezzo_con_Iva->text(), QStringLiteral("12,20"));
    QCOMPARE(m_messages->boxes.size(), 1);
}

void TestProductCard::calcola_data()
{
    QTest::addColumn<QString>("prezzo");
    QTest::addColumn<QString>("perc");
    QTest::addColumn<QString>("conIva");
    QTest::newRow("10,05 at 10") << "10,05" << "10" << "11,05";
    QTest::newRow("1,15 at 10") << "1,15" << "10" << "1,26";
    QTest::newRow("0,05 at 10") << "0,05" << "10" << "0,06";
    QTest::newRow("8,20 at 22") << "8,20" << "22" << "10,00";
    QTest::newRow("rate 0") << "10,5" << "0" << "10,50";
}

void TestProductCard::calcola()
{
    QFETCH(QString, prezzo);
    QFETCH(QString, perc);
    QFETCH(QString, conIva);
    m_card->txtPrezzo->setText(prezzo);
    m_card->txtPercIva->setText(perc);
    click("btnCalcola");
    QCOMPARE(m_card->txtPrezzo_con_Iva->text(), conIva);
    QVERIFY(m_messages->boxes.isEmpty());
}

void TestProductCard::scorporaThenSave()
{
    m_card->txtCodice->setText(QStringLiteral("S1"));
    m_card->txtPercIva->setText(QStringLiteral("22"));
    m_card->txtPrezzo_con_Iva->setText(QStringLiteral("10,00"));
    click("btnScorpora");
    QCOMPARE(m_card->txtPrezzo->text(), QStringLiteral("8,20"));
    QCOMPARE(m_card->txtPrezzo_con_Iva->text(), QStringLiteral("10,00"));
    click("cmdSalva");
    QCOMPARE(stored(1).value(ProductRecord::Prezzo_con_Iva), QStringLiteral("10,00")); // 8,20 x 1,22 = 10,004
    QCOMPARE(stored(1).value(ProductRecord::Prezzo), QStringLiteral("8,20"));
}

void TestProductCard::largeValuesStayReadable()
{
    m_card->txtPrezzo->setText(QStringLiteral("819672131147541"));
    m_card->txtPercIva->setText(QStringLiteral("22"));
    click("btnCalcola");
    QCOMPARE(m_card->txtPrezzo_con_Iva->text(), QStringLiteral("1E15"));
    click("btnCalcola");
    QVERIFY(m_messages->boxes.isEmpty());
    QCOMPARE(m_card->txtPrezzo_con_Iva->text(), QStringLiteral("1E15"));
}

void TestProductCard::valoreCases()
{
    m_card->txtCosto->setText(QStringLiteral("0,333"));
    m_card->txtGiacenza->setText(QStringLiteral("3"));
    click("btnValore");
    QCOMPARE(m_card->txtValore->text(), QStringLiteral("1,00"));
    m_card->txtCosto->setText(QStringLiteral("2,50"));
    m_card->txtGiacenza->setText(QStringLiteral("-2"));
    click("btnValore");
    QCOMPARE(m_card->txtValore->text(), QStringLiteral("-5,00"));
    // Unreadable: silent reset of all three.
    m_card->txtGiacenza->setText(QStringLiteral("tre"));
    click("btnValore");
    QCOMPARE(m_card->txtCosto->text(), QStringLiteral("0,00"));
    QCOMPARE(m_card->txtGiacenza->text(), QStringLiteral("0"));
    QCOMPARE(m_card->txtValore->text(), QStringLiteral("0,00"));
    QVERIFY(m_messages->boxes.isEmpty());
}

void TestProductCard::unreadableValuesWarnAndReset()
{
    m_card->txtPrezzo->setText(QStringLiteral("10,00"));
    m_card->txtPercIva->setText(QStringLiteral("22"));
    m_card->txtPrezzo_con_Iva->setText(QStringLiteral("abc"));
    click("btnCalcola");
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QCOMPARE(m_messages->lastText(), QStringLiteral("Attenzione: valori non validi.\r\n\r\nInserire correttamente il "
                                                    "prezzo e l'aliquota IVA prima di premere il pulsante Calcola."));
    QCOMPARE(m_card->txtPrezzo->text(), QStringLiteral("0,00"));
    QCOMPARE(m_card->txtPercIva->text(), QStringLiteral("0"));
    QCOMPARE(m_card->txtPrezzo_con_Iva->text(), QStringLiteral("0,00"));
    QCOMPARE(m_card->focusWidget(), m_card->txtPrezzo_con_Iva);

    m_card->txtPercIva->setText(QStringLiteral("x"));
    click("btnScorpora");
    QCOMPARE(m_messages->lastText(), QStringLiteral("Attenzione: valori non validi.\r\n\r\nInserire correttamente il "
                                                    "prezzo IVA inclusa e l'aliquota IVA prima di premere il pulsante "
                                                    "Scorpora."));

    // A save refuses an amount it cannot read, naming the field, and
    // writes nothing; nothing is zeroed either.
    m_card->txtCodice->setText(QStringLiteral("Z9"));
    m_card->txtPrezzo->setText(QStringLiteral("5,00"));
    m_card->txtPercIva->setText(QStringLiteral(",,"));
    click("cmdSalva");
    QCOMPARE(m_messages->boxes.size(), 3);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QCOMPARE(m_messages->lastText(), PriceCalc::unreadableAmountWarning(QStringLiteral("Perc. IVA"), ",,"));
    QCOMPARE(m_card->txtPrezzo->text(), QStringLiteral("5,00"));
    QVERIFY(!QFile::exists(ProductRecord::archivePath(m_folder->path())) || QFileInfo(ProductRecord::archivePath(m_folder->path())).size() == 0);
    m_card->txtPercIva->setText(QStringLiteral("22"));
    for (const char *cost : {"1.000,5", "abc"}) {
        m_card->txtCosto->setText(QString::fromLatin1(cost));
        click("cmdSalva");
        QCOMPARE(m_messages->lastText(), PriceCalc::unreadableAmountWarning(QStringLiteral("Costo"), cost));
        QCOMPARE(m_card->txtCosto->text(), QString::fromLatin1(cost));
    }
    m_card->txtCosto->setText(QStringLiteral("2,00"));
    // A value too long for its field stops the save too.
    m_card->txtCosto->setText(QStringLiteral("123456789012345"));
    m_card->txtGiacenza->setText(QStringLiteral("1000000"));
    click("cmdSalva");
    QCOMPARE(m_messages->lastText(),
             PriceCalc::tooLongWarning(QStringLiteral("1,23456789012345E20"), QStringLiteral("Valore")));
    // So does one that overflows.
    m_card->txtCosto->setText(QStringLiteral("1E300"));
    m_card->txtGiacenza->setText(QStringLiteral("1E10"));
    click("cmdSalva");
    QCOMPARE(m_messages->lastText(), PriceCalc::overflowWarning(QStringLiteral("Valore")));
    QCOMPARE(m_card->txtCosto->text(), QStringLiteral("1E300"));
    m_card->txtCosto->setText(QStringLiteral("2,00"));
    m_card->txtGiacenza->setText(QStringLiteral("0"));
    click("cmdSalva");
    QCOMPARE(m_messages->lastText(), QStringLiteral("La scheda corrente è stata inserita in archivio."));
    QCOMPARE(stored(1).value(ProductRecord::Prezzo_con_Iva), QStringLiteral("6,10"));

    // Unreadable stock at save: nothing written.
    m_card->txtGiacenza->setText(QStringLiteral("molti"));
    click("cmdSalva");
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QCOMPARE(m_card->focusWidget(), m_card->txtGiacenza);
    QCOMPARE(stored(1).value(ProductRecord::Giacenza), QStringLiteral("0"));
}

void TestProductCard::stockWindowFromTheCard()
{
    // Stock 10 on a stored card, add 5: the card shows 15, the archive keeps 10.
    m_card->txtCodice->setText(QStringLiteral("G1"));
    m_card->txtGiacenza->setText(QStringLiteral("10"));
    click("cmdSalva");
    whenModal([](QWidget *modal) {
        auto *w = qobject_cast<TfrmGiacenza *>(modal);
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral(" Aggiornamento giacenza"));
        QCOMPARE(w->lblAggiunta->text(), QStringLiteral("Quantità da aggiungere:"));
        QCOMPARE(w->txtGiacenza->text(), QStringLiteral("10"));
        QCOMPARE(w->txtTotale->text(), QStringLiteral("10"));
        QCOMPARE(w->txtAggiunta->text(), QStringLiteral("0"));
        w->txtAggiunta->setText(QStringLiteral("5"));
        QTest::mouseClick(w->btnAggiorna, Qt::LeftButton); // without Calcola totale first
    });
    click("btnAggiungi");
    QCOMPARE(m_card->txtGiacenza->text(), QStringLiteral("15"));
    QCOMPARE(stored(1).value(ProductRecord::Giacenza), QStringLiteral("10"));

    // A total longer than the stock field is refused, and Aggiorna leaves
    // the card alone.
    m_card->txtGiacenza->setText(QStringLiteral("12345678901,234"));
    whenModal([this](QWidget *modal) {
        auto *w = qobject_cast<TfrmGiacenza *>(modal);
        QVERIFY(w);
        w->txtAggiunta->setText(QStringLiteral("0,0001"));
        QTest::mouseClick(w->btnAggiorna, Qt::LeftButton);
        QCOMPARE(m_messages->lastText(),
                 PriceCalc::tooLongWarning(QStringLiteral("12345678901,2341"), QStringLiteral("Giacenza")));
        QVERIFY(w->isVisible());
    });
    click("btnAggiungi");
    QCOMPARE(m_card->txtGiacenza->text(), QStringLiteral("12345678901,234"));

    // Stock 3, subtract 5: -2.
    m_card->txtGiacenza->setText(QStringLiteral("3"));
    whenModal([](QWidget *modal) {
        auto *w = qobject_cast<TfrmGiacenza *>(modal);
        QVERIFY(w);
        QCOMPARE(w->lblAggiunta->text(), QStringLiteral("Quantità da sottrarre:"));
        w->txtAggiunta->setText(QStringLiteral("5"));
        QTest::mouseClick(w->btnTotale, Qt::LeftButton);
        QCOMPARE(w->txtTotale->text(), QStringLiteral("-2"));
        QTest::mouseClick(w->btnAggiorna, Qt::LeftButton);
    });
    click("btnSottrai");
    QCOMPARE(m_card->txtGiacenza->text(), QStringLiteral("-2"));

    // Cancel after Calcola totale leaves the card alone.
    whenModal([](QWidget *modal) {
        auto *w = qobject_cast<TfrmGiacenza *>(modal);
        QVERIFY(w);
        w->txtAggiunta->setText(QStringLiteral("40"));
        QTest::mouseClick(w->btnTotale, Qt::LeftButton);
        QTest::mouseClick(w->btnChiudi, Qt::LeftButton);
    });
    click("btnAggiungi");
    QCOMPARE(m_card->txtGiacenza->text(), QStringLiteral("-2"));

    // An empty card stock becomes 0, even when the window is cancelled.
    m_card->txtGiacenza->setText(QString());
    whenModal([](QWidget *modal) {
        auto *w = qobject_cast<TfrmGiacenza *>(modal);
        QVERIFY(w);
        QCOMPARE(w->txtGiacenza->text(), QStringLiteral("0"));
        QTest::mouseClick(w->btnChiudi, Qt::LeftButton);
    });
    click("btnAggiungi");
    QCOMPARE(m_card->txtGiacenza->text(), QStringLiteral("0"));
}

void TestProductCard::stockWindowRules()
{
    QLineEdit cardStock(QStringLiteral("0"));
    TfrmGiacenza w(m_card.get());
    w.prepare(&cardStock, true);
    w.show();
    QApplication::setActiveWindow(&w);

    // Overwriting the current stock: 0 changed to 12, add 3, gives 15.
    w.txtGiacenza->setFocus();
    QTest::keyClick(w.txtGiacenza, Qt::Key_Backspace);
    QTest::keyClicks(w.txtGiacenza, QStringLiteral("1a2"));
    QCOMPARE(w.txtGiacenza->text(), QStringLiteral("12"));
    QTest::keyClick(w.txtGiacenza, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w.txtAggiunta);
    w.txtAggiunta->setText(QStringLiteral("3"));
    QTest::keyClick(w.txtAggiunta, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w.btnTotale);
    QCOMPARE(w.txtTotale->text(), QStringLiteral("0")); // Enter presses nothing
    QTest::mouseClick(w.btnTotale, Qt::LeftButton);
    QCOMPARE(w.txtTotale->text(), QStringLiteral("15"));

    // A box of 16 digits is emptied by the next digit, which then stands alone.
    w.txtAggiunta->setFocus();
    w.txtAggiunta->setText(QStringLiteral("1234567890123456"));
    QTest::keyClick(w.txtAggiunta, Qt::Key_7);
    QCOMPARE(w.txtAggiunta->text(), QStringLiteral("7"));
    w.txtAggiunta->setText(QStringLiteral("123456789012345")); // 15 stays
    QTest::keyClick(w.txtAggiunta, Qt::Key_End);
    QCOMPARE(w.txtAggiunta->text(), QStringLiteral("123456789012345"));
    QTest::keyClick(w.txtAggiunta, Qt::Key_8);
    QCOMPARE(w.txtAggiunta->text(), QStringLiteral("1234567890123458"));

    // A quantity pasted as 2,5 becomes 3 on leaving the box.
    w.txtAggiunta->setText(QStringLiteral("2,5"));
    w.txtGiacenza->setFocus();
    QCOMPARE(w.txtAggiunta->text(), QStringLiteral("3"));

    // Unreadable text (pasted, its box not left) makes Calcola totale reset
    // the three boxes.
    w.txtTotale->setFocus();
    w.txtGiacenza->setText(QStringLiteral("x"));
    QTest::mouseClick(w.btnTotale, Qt::LeftButton);
    QCOMPARE(w.txtGiacenza->text(), QStringLiteral("0"));
    QCOMPARE(w.txtAggiunta->text(), QStringLiteral("0"));
    QCOMPARE(w.txtTotale->text(), QStringLiteral("0"));

    // A discarded key also empties a box past 15 characters.
    w.txtAggiunta->setFocus();
    w.txtAggiunta->setText(QStringLiteral("1234567890123456"));
    QTest::keyClick(w.txtAggiunta, Qt::Key_A);
    QCOMPARE(w.txtAggiunta->text(), QString());

    // A menu popping up is not leaving the box; Tab is.
    w.txtAggiunta->setText(QStringLiteral("2,5"));
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(w.txtAggiunta, &popup);
    QCOMPARE(w.txtAggiunta->text(), QStringLiteral("2,5"));
    QFocusEvent tab(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(w.txtAggiunta, &tab);
    QCOMPARE(w.txtAggiunta->text(), QStringLiteral("3"));

    // Applica with unreadable text (pasted, box not left) writes the reset total.
    cardStock.setText(QStringLiteral("7"));
    w.txtTotale->setFocus();
    w.txtGiacenza->setText(QStringLiteral("?"));
    QTest::mouseClick(w.btnAggiorna, Qt::LeftButton);
    QCOMPARE(cardStock.text(), QStringLiteral("0"));
}

void TestProductCard::extraDataAppliedOrCancelled()
{
    m_card->memConsumo->setText(QStringLiteral("10 cm"));
    whenModal([](QWidget *modal) {
        auto *w = qobject_cast<TfrmDatiPneumatici *>(modal);
        QVERIFY(w);
        QCOMPARE(w->txtConsumo->text(), QStringLiteral("10 cm"));
        w->txtConsumo->setText(QStringLiteral("99 cm"));
        QTest::mouseClick(w->btnAnnulla, Qt::LeftButton);
    });
    click("btnPneumatici");
    QCOMPARE(m_card->memConsumo->text(), QStringLiteral("10 cm"));

    whenModal([](QWidget *modal) {
        auto *w = qobject_cast<TfrmDatiPneumatici *>(modal);
        QVERIFY(w);
        QCOMPARE(w->focusWidget(), w->txtConsumo);
        QCOMPARE(w->txtOnde->maxLength(), 30);
        w->txtConsumo->setText(QStringLiteral(" 12 cm "));
        QTest::keyClick(w->txtConsumo, Qt::Key_Return);
        QCOMPARE(w->focusWidget(), w->txtAderenza);
        QTest::keyClicks(w->txtAderenza, QStringLiteral("30 cm"));
        QTest::keyClick(w->txtAderenza, Qt::Key_Return);
        QTest::keyClick(w->txtRumore, Qt::Key_Return);
        QTest::keyClick(w->txtOnde, Qt::Key_Return);
        QCOMPARE(w->focusWidget(), w->btnApplica);
        QVERIFY(w->isVisible()); // Enter presses nothing
        QTest::mouseClick(w->btnApplica, Qt::LeftButton);
    });
    click("btnPneumatici");
    QCOMPARE(m_card->memConsumo->text(), QStringLiteral("12 cm"));
    QCOMPARE(m_card->memAderenza->text(), QStringLiteral("30 cm"));
    QVERIFY(!QFile::exists(archive())); // the card is not saved

    m_card->txtCodice->setText(QStringLiteral("P1"));
    click("cmdSalva");
    QCOMPARE(stored(1).value(ProductRecord::Consumo), QStringLiteral("12 cm"));
    QCOMPARE(stored(1).value(ProductRecord::Aderenza), QStringLiteral("30 cm"));
}

void TestProductCard::duplicateKeepsExtraDataDropsAttachments()
{
    Record r(ProductRecord::layout());
    r.setValue(ProductRecord::Codice, QStringLiteral("D1"));
    r.setValue(ProductRecord::Marca, QStringLiteral("Rossi"));
    r.setValue(ProductRecord::Prezzo, QStringLiteral("10,00"));
    r.setValue(ProductRecord::PercIva, QStringLiteral("22"));
    r.setValue(ProductRecord::Prezzo_con_Iva, QStringLiteral("12,20"));
    r.setValue(ProductRecord::Giacenza, QStringLiteral("4"));
    r.setValue(ProductRecord::Costo, QStringLiteral("1,00"));
    r.setValue(ProductRecord::Valore, QStringLiteral("4,00"));
    r.setValue(ProductRecord::Sottoscorta, QStringLiteral("1"));
    r.setValue(ProductRecord::Consumo, QStringLiteral("alto"));
    r.setValue(ProductRecord::Onde, QStringLiteral("12/2027"));
    r.setValue(ProductRecord::File01, QStringLiteral("scheda.pdf"));
    r.setValue(ProductRecord::Cartella, QStringLiteral("cartella"));
    {
        RecordFile file(archive(), ProductRecord::Size);
        file.append(r.bytes());
    }
    click("cmdAvanti");
    QCOMPARE(m_card->memOnde->text(), QStringLiteral("12/2027"));
    click("cmdDuplica");
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Information);
    click("cmdSalva");
    QCOMPARE(m_card->lblPosizione->text(), QStringLiteral("2"));
    const Record copy = stored(2);
    QCOMPARE(copy.value(ProductRecord::Marca), QStringLiteral("Rossi"));
    QCOMPARE(copy.value(ProductRecord::Prezzo_con_Iva), QStringLiteral("12,20"));
    QCOMPARE(copy.value(ProductRecord::Consumo), QStringLiteral("alto"));
    QCOMPARE(copy.value(ProductRecord::Onde), QStringLiteral("12/2027"));
    QCOMPARE(copy.value(ProductRecord::File01), QString());
    QCOMPARE(copy.value(ProductRecord::Cartella), QString());
    QCOMPARE(stored(1).bytes(), r.bytes());

    // A new card empties the extra data too.
    click("cmdNuovo");
    QCOMPARE(m_card->memConsumo->text(), QString());
    QCOMPARE(m_card->memOnde->text(), QString());
}

void TestProductCard::webSearch()
{
    click("cmdWeb");
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QCOMPARE(m_messages->lastText(), QStringLiteral("Attenzione: per poter effettuare una ricerca sul Web è necessario "
                                                    "compilare il campo relativo alla marca dell'articolo."));
    QCOMPARE(m_card->focusWidget(), m_card->txtMarca);
    QVERIFY(m_shell->opened.isEmpty());

    m_card->txtMarca->setText(QStringLiteral(" Rossi "));
    m_card->txtModello->setText(QStringLiteral("X 200"));
    click("cmdWeb");
    m_card->txtMarca->setText(QStringLiteral("A&B"));
    m_card->txtModello->setText(QStringLiteral("C#1+2 è"));
    click("cmdWeb");
    QCOMPARE(m_shell->opened, (QStringList{QStringLiteral("http://www.google.com/search?q=Rossi%20X%20200"),
                                           QStringLiteral("http://www.google.com/search?q=A%26B%20C%231%2B2%20%C3%A8")}));
    QCOMPARE(QUrl(m_shell->opened[1]).query(QUrl::FullyDecoded), QStringLiteral("q=A&B C#1+2 è"));
}

void TestProductCard::archiveFailureUsesWarningBox()
{
    QVERIFY(QDir().mkdir(archive())); // a folder where the archive should be
    click("cmdPrimo");
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QVERIFY(m_messages->lastText().startsWith(QStringLiteral("Attenzione: il sistema non permette di accedere")));
    m_card->txtCodice->setText(QStringLiteral("X"));
    click("cmdSalva");
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QCOMPARE(m_card->lblPosizione->text(), QString());
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installItalian(app);
    TestProductCard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_productcard.moc"
