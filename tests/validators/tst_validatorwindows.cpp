#include "suppliers/suppliercard.h"
#include "support/recorders.h"
#include "ui/italian.h"
#include "validators/validatorwindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TestValidatorWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void cardOpensTheRightWindow_data();
    void cardOpensTheRightWindow();
    void taxCodeWindow();
    void vatWindowKeys();
    void cardWindowWithoutBox();
    void ibanWindowTyping();

private:
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
};

void TestValidatorWindows::init()
{
    m_folder = std::make_unique<ProgramFolder>(false);
    m_messages = std::make_unique<MessageRecorder>();
}

void TestValidatorWindows::cleanup()
{
    m_messages.reset();
    m_folder.reset();
}

void TestValidatorWindows::cardOpensTheRightWindow_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("boxText");
    QTest::newRow("tax code of 11 digits") << "btnCodFisc" << "txtCodFisc" << " 12345670157 " << "frmPartitaIva"
                                           << "12345670157";
    QTest::newRow("ten digits and a letter") << "btnCodFisc" << "txtCodFisc" << "1234567015A" << "frmCodFisc"
                                             << "1234567015A";
    QTest::newRow("empty tax code") << "btnCodFisc" << "txtCodFisc" << "" << "frmCodFisc" << "";
    QTest::newRow("credit card") << "btnCarta" << "txtCarta" << "4111111111111111" << "frmCarta" << "4111111111111111";
    QTest::newRow("VAT number") << "btnPartitaIva" << "txtPartitaIva" << "" << "frmPartitaIva" << "";
    QTest::newRow("IBAN") << "btnIban" << "txtIban" << "IT60X0542811101000000123456" << "frmIban"
                          << "IT60X0542811101000000123456";
}

void TestValidatorWindows::cardOpensTheRightWindow()
{
    QFETCH(QString, button);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, window);
    QFETCH(QString, boxText);
    TfrmFornitori card;
    card.open();
    card.findChild<QLineEdit *>(field)->setText(value);
    QString opened;
    QString shown;
    whenModal([&](QWidget *modal) {
        auto *w = qobject_cast<TValidatorWindow *>(modal);
        QVERIFY(w);
        opened = w->objectName();
        shown = w->box->text();
        QTest::mouseClick(w->btnChiudi, Qt::LeftButton);
    });
    QTest::mouseClick(card.findChild<QAbstractButton *>(button), Qt::LeftButton);
    QCOMPARE(opened, window);
    QCOMPARE(shown, boxText);
    QCOMPARE(card.findChild<QLineEdit *>(field)->text(), value); // the card is never changed
    QVERIFY(card.findChildren<TValidatorWindow *>().isEmpty());  // destroyed after closing
}

void TestValidatorWindows::taxCodeWindow()
{
    TfrmCodFisc w(nullptr);
    QCOMPARE(w.windowTitle(), QStringLiteral(" Controllo codice fiscale"));
    QCOMPARE(w.size(), QSize(478, 254));
    QCOMPARE(w.txtCodFisc->maxLength(), 16);
    w.show();
    typeText(w.txtCodFisc, QStringLiteral(" rssmra85t10a562"));
    QCOMPARE(w.txtCodFisc->text(), QStringLiteral("RSSMRA85T10A562"));
    QTest::keyClick(w.txtCodFisc, Qt::Key_Return);
    QCOMPARE(w.focusWidget(), w.btnControlla);
    QVERIFY(m_messages->boxes.isEmpty()); // Enter presses nothing
    QTest::mouseClick(w.btnControlla, Qt::LeftButton);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QCOMPARE(m_messages->lastText(),
             QStringLiteral("Attenzione: il codice fiscale deve essere composto da 16 caratteri alfanumerici."));
    QVERIFY(w.isVisible());
    QCOMPARE(w.focusWidget(), w.txtCodFisc);
    w.txtCodFisc->end(false);
    typeText(w.txtCodFisc, QStringLiteral("s "));
    QTest::mouseClick(w.btnControlla, Qt::LeftButton);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Information);
    QCOMPARE(m_messages->lastText(), QStringLiteral("Il codice fiscale digitato è VALIDO."));
    QVERIFY(!w.isVisible());
}

void TestValidatorWindows::vatWindowKeys()
{
    TfrmPartitaIva w(nullptr);
    w.show();
    QTest::keyClicks(w.txtPartitaIva, QStringLiteral("1a2 3-4"));
    QCOMPARE(w.txtPartitaIva->text(), QStringLiteral("1234"));
    QTest::mouseClick(w.btnControlla, Qt::LeftButton);
    QCOMPARE(m_messages->lastText(),
             QStringLiteral("Attenzione: la partita IVA deve essere composta da 11 caratteri numerici."));
    QVERIFY(w.isVisible());
    QTest::keyClicks(w.txtPartitaIva, QStringLiteral("5670158"));
    QTest::mouseClick(w.btnControlla, Qt::LeftButton);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QVERIFY(m_messages->lastText().startsWith(QStringLiteral("Attenzione: il numero di partita IVA digitato risulta ERRATO!")));
    QVERIFY(!w.isVisible());
}

void TestValidatorWindows::cardWindowWithoutBox()
{
    TfrmCarta w(nullptr);
    w.show();
    QTest::mouseClick(w.btnControlla, Qt::LeftButton);
    QCOMPARE(m_messages->lastText(), QStringLiteral("Attenzione: immettere il numero di carta di credito prima di "
                                                    "premere il pulsante di controllo."));
    QVERIFY(w.isVisible());
    w.setText(QStringLiteral("3200000000000002"));
    QTest::mouseClick(w.btnControlla, Qt::LeftButton);
    QCOMPARE(m_messages->boxes.size(), 1); // no box for a 32 prefix
    QVERIFY(!w.isVisible());
}

void TestValidatorWindows::ibanWindowTyping()
{
    TfrmIban w(nullptr);
    w.show();
    QTest::keyClicks(w.txtIban, QStringLiteral("it60x0542811101000000123456"));
    QCOMPARE(w.txtIban->text(), QStringLiteral("IT60X0542811101000000123456"));
    QTest::mouseClick(w.btnControlla, Qt::LeftButton);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Information);
    QCOMPARE(m_messages->lastText(), QStringLiteral("L'IBAN digitato è VALIDO."));
    QVERIFY(!w.isVisible());
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installItalian(app);
    TestValidatorWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_validatorwindows.moc"
