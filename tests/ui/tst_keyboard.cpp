#include "products/productcard.h"
#include "products/productrecord.h"
#include "receipts/calendar.h"
#include "receipts/receiptcard.h"
#include "suppliers/suppliercard.h"
#include "support/recorders.h"
#include "validators/validatorwindow.h"

#include <QAccessible>
#include <QCalendarWidget>
#include <QFile>
#include <QClipboard>
#include <QLineEdit>

// The keys every box lets through, whatever its own rule: Tab and
// Shift+Tab, and the clipboard shortcuts, whose text then goes through the
// box's own exit rule.
class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void tabLeavesEveryKindOfBox_data();
    void tabLeavesEveryKindOfBox();
    void checkWindowsLetTabThrough();
    void pastedAmountGoesThroughTheExitRule();
    void pastedDigitsAreTidied();
    void groupedIbanIsPastedWhole();
    void enterOnACalendarDayImportsIt();
    void positionAndStatusSpeakTheirText();
    void clipboardKeysReachDatesAndLists();
    void digitBoxesTakeOnlyPastedDigits();

private:
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
};

void TestKeyboard::init()
{
    m_folder = std::make_unique<ProgramFolder>(false);
    m_messages = std::make_unique<MessageRecorder>();
}

void TestKeyboard::cleanup()
{
    m_messages.reset();
    m_folder.reset();
}

void TestKeyboard::tabLeavesEveryKindOfBox_data()
{
    QTest::addColumn<QString>("box");
    QTest::newRow("money") << "txtCosto";
    QTest::newRow("whole number") << "txtGiacenza";
    QTest::newRow("VAT rate") << "txtPercIva";
    QTest::newRow("text") << "txtCodice";
}

void TestKeyboard::tabLeavesEveryKindOfBox()
{
    QFETCH(QString, box);
    TfrmMagazzino card;
    card.open();
    QApplication::setActiveWindow(&card);
    auto *edit = card.findChild<QLineEdit *>(box);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Tab);
    QWidget *next = QApplication::focusWidget();
    QVERIFY(next && next != edit);
    QTest::keyClick(next, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), edit);
}

void TestKeyboard::checkWindowsLetTabThrough()
{
    for (TValidatorWindow *w : std::initializer_list<TValidatorWindow *>{new TfrmPartitaIva(nullptr), new TfrmCarta(nullptr)}) {
        w->show();
        QApplication::setActiveWindow(w);
        w->box->setFocus();
        QTest::keyClicks(w->box, QStringLiteral("12a3"));
        QCOMPARE(w->box->text(), QStringLiteral("123"));
        QTest::keyClick(w->box, Qt::Key_Tab);
        QVERIFY2(QApplication::focusWidget() != w->box, qPrintable(w->objectName()));
        delete w;
    }
}

void TestKeyboard::pastedAmountGoesThroughTheExitRule()
{
    TfrmMagazzino card;
    card.open();
    QApplication::setActiveWindow(&card);
    card.txtCosto->setFocus();
    card.txtCosto->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("1.000,50"));
    QTest::keyClick(card.txtCosto, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(card.txtCosto->text(), QStringLiteral("1.000,50"));
    QTest::keyClick(card.txtCosto, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(card.txtCosto->selectedText(), QStringLiteral("1.000,50"));
    QTest::keyClick(card.txtCosto, Qt::Key_Tab);
    QCOMPARE(card.txtCosto->text(), QStringLiteral("1000,50"));
    // Something no rule can read becomes what the rule gives.
    card.txtCosto->setFocus();
    card.txtCosto->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("dieci euro"));
    QTest::keyClick(card.txtCosto, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(card.txtCosto, Qt::Key_Tab);
    QCOMPARE(card.txtCosto->text(), QStringLiteral("0,00"));
}

void TestKeyboard::pastedDigitsAreTidied()
{
    TfrmFornitori card;
    card.open();
    QApplication::setActiveWindow(&card);
    card.txtCarta->setFocus();
    QGuiApplication::clipboard()->setText(QStringLiteral("4111 1111-1111 1111"));
    QTest::keyClick(card.txtCarta, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(card.txtCarta, Qt::Key_Tab);
    QCOMPARE(card.txtCarta->text(), QStringLiteral("4111111111111111"));
}

void TestKeyboard::groupedIbanIsPastedWhole()
{
    const QString grouped = QStringLiteral("IT60 X054 2811 1010 0000 0123 456");
    TfrmFornitori card;
    card.open();
    QApplication::setActiveWindow(&card);
    card.txtIban->setFocus();
    QGuiApplication::clipboard()->setText(grouped);
    QTest::keyClick(card.txtIban, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(card.txtIban->text(), QStringLiteral("IT60X0542811101000000123456"));

    TfrmIban check(nullptr);
    check.show();
    QApplication::setActiveWindow(&check);
    check.box->setFocus();
    QTest::keyClick(check.box, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(check.box->text(), QStringLiteral("IT60X0542811101000000123456"));
}

void TestKeyboard::enterOnACalendarDayImportsIt()
{
    AppContext::setClock([] { return QDateTime(QDate(2024, 3, 9), QTime(10, 0)); });
    TfrmCarichi card;
    card.open();
    bool opened = false;
    whenModal([&](QWidget *modal) {
        auto *w = qobject_cast<TfrmCalendario *>(modal);
        QVERIFY(w);
        opened = true;
        QApplication::setActiveWindow(w);
        w->calAppuntamenti->setFocus();
        // The days' grid inside the calendar takes the keys.
        QWidget *days = QApplication::focusWidget();
        QVERIFY(days && w->calAppuntamenti->isAncestorOf(days));
        QTest::keyClick(days, Qt::Key_Right);
        QTest::keyClick(days, Qt::Key_Return);
        QVERIFY(!w->isVisible());
    });
    card.openCalendar(card.txtData);
    AppContext::setClock({});
    QVERIFY(opened);
    QCOMPARE(card.txtData->text(), QStringLiteral("10/03/2024"));
}

void TestKeyboard::positionAndStatusSpeakTheirText()
{
    {
        QFile f(ProductRecord::archivePath(m_folder->path()));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(ProductRecord::Size * 2, '\0'));
    }
    TfrmMagazzino card;
    card.open();
    card.cmdUltimoClick();
    auto spoken = [](QWidget *w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    QCOMPARE(spoken(card.lblPosizione), QStringLiteral("2"));
    card.cmdPrimoClick();
    QCOMPARE(spoken(card.lblPosizione), QStringLiteral("1"));
    QCOMPARE(QAccessible::queryAccessibleInterface(card.lblPosizione)->text(QAccessible::Description),
             QStringLiteral("Posizione della scheda"));
    card.panInfo->setText(QStringLiteral("Salva la scheda corrente."));
    QCOMPARE(spoken(card.panInfo), QStringLiteral("Salva la scheda corrente."));
}

void TestKeyboard::clipboardKeysReachDatesAndLists()
{
    // Selecting all in a date box selects it: no calendar opens.
    TfrmCarichi card;
    card.open();
    QApplication::setActiveWindow(&card);
    card.txtData->setText(QStringLiteral("09/03/2024"));
    card.txtData->setFocus();
    bool calendar = false;
    whenModal([&](QWidget *modal) { calendar = modal != nullptr; });
    QTest::keyClick(card.txtData, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(card.txtData, Qt::Key_C, Qt::ControlModifier);
    QCoreApplication::processEvents();
    QVERIFY(!calendar);
    QCOMPARE(card.txtData->selectedText(), QStringLiteral("09/03/2024"));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("09/03/2024"));
}

void TestKeyboard::digitBoxesTakeOnlyPastedDigits()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("12a3 4"));
    for (TValidatorWindow *w : std::initializer_list<TValidatorWindow *>{new TfrmPartitaIva(nullptr), new TfrmCarta(nullptr)}) {
        w->show();
        QApplication::setActiveWindow(w);
        w->box->setFocus();
        QTest::keyClick(w->box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w->box->text(), QStringLiteral("1234"));
        delete w;
    }
    TfrmFornitori card;
    card.open();
    QApplication::setActiveWindow(&card);
    card.txtPartitaIva->setFocus();
    QTest::keyClick(card.txtPartitaIva, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(card.txtPartitaIva->text(), QStringLiteral("1234"));
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
