#include "app/helptopics.h"
#include "ui/helpwindows.h"
#include "app/loginwindow.h"
#include "app/mainmenu.h"
#include "app/scramble.h"
#include "app/safetycopies.h"
#include "app/screenset.h"
#include "receipts/invoicewindow.h"
#include "products/inventorymenu.h"
#include "products/productcard.h"
#include "receipts/receiptcard.h"
#include "receipts/summarymenu.h"
#include "receipts/yearmenu.h"
#include "suppliers/suppliercard.h"
#include "support/childrun.h"
#include "support/recorders.h"
#include "ui/italian.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

void type(QLineEdit *box, const QString &text)
{
    box->setFocus();
    QTest::keyClicks(box, text);
}

void enter(QWidget *w)
{
    QTest::keyClick(w, Qt::Key_Return);
}

// Records, at the moment a window is shown, whether another one was visible.
struct ShowWatch : QObject
{
    QWidget *other;
    bool otherVisibleAtShow = false;
    bool shown = false;
    ShowWatch(QWidget *target, QWidget *source) : other(source) { target->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Show && !shown) {
            shown = true;
            otherVisibleAtShow = other->isVisible();
        }
        return false;
    }
};

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void readOnlyFolderSaidOnceAtStart();
    void safetyCopyOnceADayAfterLogin();
    void failedSafetyCopySaidOnce();

    void loginAcceptsTrimmedLowerCase();
    void blanksKeepOKDisabled();
    void wrongPasswordEmptiesTheField();
    void unreadableStoredPassword();
    void changeWrongOldEmptiesOnlyOld();
    void changeMismatchEmptiesBothNew();
    void changeRefusesCharactersAboveLatin1();
    void changeSucceedsAndReturnsToEmptyLogin();
    void changeEnterCyclesAndChiudiLeavesFile();
    void eachApplicationOpensAndReturns_data();
    void eachApplicationOpensAndReturns();
    void receiptScreensReturnToMenu();
    void closingMenuEndsApplication();
    void loginEsciEndsApplication();
    void helpFromMenuIsFreshEachTime();
    void infoMailtoAndLinkColours();
    void splashAndSiteOpenWebAddress();
    void messageBoxesSpeakItalian();
    void everyControlHasAName();

private:
    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<ShellRecorder> m_shell;
    std::unique_ptr<ScreenSet> m_screens;

    void login();
};

void TestShell::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    m_messages = std::make_unique<MessageRecorder>();
    m_shell = std::make_unique<ShellRecorder>();
    m_screens = std::make_unique<ScreenSet>();
    m_screens->start();
}

void TestShell::readOnlyFolderSaidOnceAtStart()
{
    // The superuser may write anywhere: this runs as another user.
    if (runInChild("readOnlyFolderSaidOnceAtStart", ChildRun::AsNobodyIfRoot))
        return;
    // A writable folder: nothing was said when the screens started.
    QVERIFY(m_messages->boxes.isEmpty());
    QVERIFY(ScreenSet::readOnlyNotice(m_folder->path()).isEmpty());
#ifdef Q_OS_WIN
    // No read-only attribute holds for a folder: the Windows suite names a
    // folder this user may not write to.
    const QString readOnly = qEnvironmentVariable("SCORTEX_READONLY_FOLDER");
    if (readOnly.isEmpty())
        QSKIP("SCORTEX_READONLY_FOLDER names no folder this user may not write to (windows/test.sh does)");
    AppContext::setProgramFolder(readOnly);
    ScreenSet screens;
    screens.start();
    AppContext::setProgramFolder(m_folder->path());
    QVERIFY(QDir(readOnly).entryList({QStringLiteral("scortex-*")}, QDir::Files).isEmpty());
#else
    QVERIFY(QFile::setPermissions(m_folder->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    ScreenSet screens;
    screens.start();
    // Nor does the login that follows try a safety copy, or say more.
    type(screens.frmPassword->txtPassword, QStringLiteral("magazzino"));
    enter(screens.frmPassword->txtPassword);
    QVERIFY(screens.frmAvvio->isVisible());
    QVERIFY(!screens.safetyCopyRunning());
    QVERIFY(!QFileInfo::exists(SafetyCopies::folder(m_folder->path())));
    QFile::setPermissions(m_folder->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
#endif
    QVERIFY(QDir(m_folder->path()).entryList({QStringLiteral("scortex-*")}, QDir::Files).isEmpty());
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Information);
    QCOMPARE(m_messages->lastText(),
             QStringLiteral("Attenzione: la cartella del programma non consente la scrittura (ad esempio una cartella "
                            "di rete in sola lettura o un CD).\r\n\r\nLe schede possono essere consultate, stampate "
                            "ed esportate in altre cartelle, ma non salvate."));
}

void TestShell::safetyCopyOnceADayAfterLogin()
{
    // The copy starts once the menu shows, on its own thread.
    QSignalSpy finished(m_screens.get(), &ScreenSet::safetyCopyFinished);
    login();
    QVERIFY(finished.count() == 1 || finished.wait(30000));
    const SafetyCopies::Outcome made = m_screens->safetyCopyOutcome();
    QVERIFY2(made.made, qPrintable(made.error));
    QCOMPARE(made.name, QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".zip"));
    QCOMPARE(made.files, QStringList{QStringLiteral("unins000.dll")});
    QVERIFY(m_messages->boxes.isEmpty());

    // Back at the menu from an application: no second copy.
    m_screens->frmAvvio->btnApp[0]->click();
    m_screens->frmFornitori->close();
    QVERIFY(m_screens->frmAvvio->isVisible());
    QCOMPARE(finished.count(), 1);

    // The next start the same day makes none.
    m_screens = std::make_unique<ScreenSet>();
    m_screens->start();
    QSignalSpy again(m_screens.get(), &ScreenSet::safetyCopyFinished);
    login();
    QVERIFY(again.count() == 1 || again.wait(30000));
    QVERIFY(!m_screens->safetyCopyOutcome().made);
    QVERIFY(m_screens->safetyCopyOutcome().error.isEmpty());
    QCOMPARE(QDir(SafetyCopies::folder(m_folder->path())).entryList({QStringLiteral("*.zip")}, QDir::Files), QStringList{made.name});
    QVERIFY(m_messages->boxes.isEmpty());
}

void TestShell::failedSafetyCopySaidOnce()
{
    // A file where the copies' folder should be: the copy cannot be written.
    QFile blocker(SafetyCopies::folder(m_folder->path()));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QSignalSpy finished(m_screens.get(), &ScreenSet::safetyCopyFinished);
    login();
    QVERIFY(finished.count() == 1 || finished.wait(30000));
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Warning);
    QCOMPARE(m_messages->lastText(), ScreenSet::safetyCopyFailure(m_screens->safetyCopyOutcome().error));
    QVERIFY2(m_messages->lastText().startsWith(
                 QStringLiteral("Attenzione: la copia di sicurezza giornaliera degli archivi non è stata salvata nella "
                                "cartella \"Copie di sicurezza\" (impossibile creare la cartella ")),
             qPrintable(m_messages->lastText()));
    // The program goes on, and says it no more.
    m_screens->frmAvvio->btnApp[1]->click();
    QVERIFY(m_screens->frmMagazzino->isVisible());
    m_screens->frmMagazzino->close();
    QVERIFY(m_screens->frmAvvio->isVisible());
    QCOMPARE(m_messages->boxes.size(), 1);
}

void TestShell::cleanup()
{
    m_screens.reset();
    m_shell.reset();
    m_messages.reset();
    m_folder.reset();
}

void TestShell::login()
{
    type(m_screens->frmPassword->txtPassword, QStringLiteral("magazzino"));
    enter(m_screens->frmPassword->txtPassword);
    QVERIFY(m_screens->frmAvvio->isVisible());
}

void TestShell::loginAcceptsTrimmedLowerCase()
{
    TfrmPassword *w = m_screens->frmPassword;
    QVERIFY(w->isVisible());
    QVERIFY(!w->cmdOK->isEnabled());
    ShowWatch watch(m_screens->frmAvvio, w);
    type(w->txtPassword, QStringLiteral("  MaGazzino  "));
    QVERIFY(w->cmdOK->isEnabled());
    enter(w->txtPassword);
    QVERIFY(m_messages->boxes.isEmpty());
    QVERIFY(m_screens->frmAvvio->isVisible());
    QVERIFY(!w->isVisible());
    QVERIFY(watch.otherVisibleAtShow); // the menu came up before the login went
}

void TestShell::blanksKeepOKDisabled()
{
    TfrmPassword *w = m_screens->frmPassword;
    type(w->txtPassword, QStringLiteral("   "));
    QVERIFY(!w->cmdOK->isEnabled());
    enter(w->txtPassword);
    QVERIFY(m_messages->boxes.isEmpty());
    QVERIFY(w->isVisible());
    QVERIFY(!m_screens->frmAvvio->isVisible());
    QTest::keyClick(w->txtPassword, Qt::Key_X);
    QVERIFY(w->cmdOK->isEnabled());
    QTest::keyClick(w->txtPassword, Qt::Key_Backspace);
    QVERIFY(!w->cmdOK->isEnabled());
}

void TestShell::wrongPasswordEmptiesTheField()
{
    TfrmPassword *w = m_screens->frmPassword;
    type(w->txtPassword, QStringLiteral("magazino"));
    QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    QCOMPARE(m_messages->boxes.size(), 1);
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Plain);
    QCOMPARE(m_messages->lastText(), QStringLiteral("Attenzione: password errata."));
    QCOMPARE(w->txtPassword->text(), QString());
    QCOMPARE(w->focusWidget(), w->txtPassword);
    QVERIFY(!m_screens->frmAvvio->isVisible());
    // Any number of attempts.
    login();
}

void TestShell::unreadableStoredPassword()
{
    m_folder->writePasswordFile("[Accesso]\r\nValore=6F3XX1\r\n");
    TfrmPassword *w = m_screens->frmPassword;
    type(w->txtPassword, QStringLiteral("magazzino"));
    enter(w->txtPassword);
    QCOMPARE(m_messages->lastText(), QStringLiteral("Attenzione: si è verificato un errore durante la procedura di "
                                                    "lettura della password. Si consiglia di reinstallare il software."));
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Plain);
    QCOMPARE(w->txtPassword->text(), QStringLiteral("magazzino"));
    QVERIFY(!m_screens->frmAvvio->isVisible());
}

void TestShell::changeWrongOldEmptiesOnlyOld()
{
    QTest::mouseClick(m_screens->frmPassword->btnCambiaPassword, Qt::LeftButton);
    TfrmCambiaPassword *c = m_screens->frmCambiaPassword;
    QVERIFY(c->isVisible());
    QVERIFY(!m_screens->frmPassword->isVisible());
    type(c->txtPasswordOld, QStringLiteral("sbagliata"));
    type(c->txtPasswordNew, QStringLiteral("nuova"));
    QVERIFY(!c->cmdOK->isEnabled());
    type(c->txtConferma, QStringLiteral("nuova"));
    QVERIFY(c->cmdOK->isEnabled());
    const QByteArray before = m_folder->passwordFile();
    QTest::mouseClick(c->cmdOK, Qt::LeftButton);
    QCOMPARE(m_messages->lastText(), QStringLiteral("Attenzione: vecchia password errata."));
    QCOMPARE(c->txtPasswordOld->text(), QString());
    QCOMPARE(c->txtPasswordNew->text(), QStringLiteral("nuova"));
    QCOMPARE(c->txtConferma->text(), QStringLiteral("nuova"));
    QCOMPARE(c->focusWidget(), c->txtPasswordOld);
    QVERIFY(c->isVisible());
    QCOMPARE(m_folder->passwordFile(), before);
}

void TestShell::changeMismatchEmptiesBothNew()
{
    QTest::mouseClick(m_screens->frmPassword->btnCambiaPassword, Qt::LeftButton);
    TfrmCambiaPassword *c = m_screens->frmCambiaPassword;
    type(c->txtPasswordOld, QStringLiteral("magazzino"));
    type(c->txtPasswordNew, QStringLiteral("nuova"));
    type(c->txtConferma, QStringLiteral("NUOVA"));
    QTest::mouseClick(c->cmdOK, Qt::LeftButton);
    QCOMPARE(m_messages->lastText(),
             QStringLiteral("Attenzione: la nuova password non è stata confermata correttamente. E' necessario "
                            "reinserire entrambi i valori."));
    QCOMPARE(c->txtPasswordOld->text(), QStringLiteral("magazzino"));
    QCOMPARE(c->txtPasswordNew->text(), QString());
    QCOMPARE(c->txtConferma->text(), QString());
    QCOMPARE(c->focusWidget(), c->txtPasswordNew);
    QVERIFY(!c->cmdOK->isEnabled());
}

void TestShell::changeRefusesCharactersAboveLatin1()
{
    QTest::mouseClick(m_screens->frmPassword->btnCambiaPassword, Qt::LeftButton);
    TfrmCambiaPassword *c = m_screens->frmCambiaPassword;
    const QByteArray before = m_folder->passwordFile();
    type(c->txtPasswordOld, QStringLiteral("magazzino"));
    // The euro sign comes from the keyboard as text, not as a plain key.
    type(c->txtPasswordNew, QStringLiteral("euro"));
    c->txtPasswordNew->insert(QStringLiteral("€"));
    type(c->txtConferma, QStringLiteral("euro"));
    c->txtConferma->insert(QStringLiteral("€"));
    QTest::mouseClick(c->cmdOK, Qt::LeftButton);
    QVERIFY(m_messages->lastText().startsWith(QStringLiteral("Attenzione: la nuova password contiene caratteri non ammessi")));
    QCOMPARE(m_folder->passwordFile(), before);
    QVERIFY(c->isVisible());
    QCOMPARE(c->txtPasswordNew->text(), QString());
}

void TestShell::changeSucceedsAndReturnsToEmptyLogin()
{
    type(m_screens->frmPassword->txtPassword, QStringLiteral("resto"));
    QTest::mouseClick(m_screens->frmPassword->btnCambiaPassword, Qt::LeftButton);
    TfrmCambiaPassword *c = m_screens->frmCambiaPassword;
    type(c->txtPasswordOld, QStringLiteral(" magazzino"));
    type(c->txtPasswordNew, QStringLiteral("Cassa24 "));
    type(c->txtConferma, QStringLiteral("Cassa24"));
    QTest::mouseClick(c->cmdOK, Qt::LeftButton);
    QCOMPARE(m_messages->lastText(), QStringLiteral("Modifica della password completata con successo."));
    QCOMPARE(m_messages->lastKind(), Messages::Kind::Plain);
    QVERIFY(!c->isVisible());
    TfrmPassword *w = m_screens->frmPassword;
    QVERIFY(w->isVisible());
    QCOMPARE(w->txtPassword->text(), QString());
    QCOMPARE(w->focusWidget(), w->txtPassword);
    QVERIFY(m_folder->passwordFile().contains("Valore=" + Scramble::scramble(u"CASSA24").toLatin1() + "\r\n"));

    type(w->txtPassword, QStringLiteral("magazzino"));
    enter(w->txtPassword);
    QCOMPARE(m_messages->lastText(), QStringLiteral("Attenzione: password errata."));
    type(w->txtPassword, QStringLiteral("cASSA24"));
    enter(w->txtPassword);
    QVERIFY(m_screens->frmAvvio->isVisible());

    // Opening the window again starts from empty boxes.
    m_screens->frmAvvio->hide();
    m_screens->frmPassword->show();
    QTest::mouseClick(m_screens->frmPassword->btnCambiaPassword, Qt::LeftButton);
    QCOMPARE(c->txtPasswordOld->text(), QString());
    QCOMPARE(c->txtConferma->text(), QString());
}

void TestShell::changeEnterCyclesAndChiudiLeavesFile()
{
    type(m_screens->frmPassword->txtPassword, QStringLiteral("qualcosa"));
    QTest::mouseClick(m_screens->frmPassword->btnCambiaPassword, Qt::LeftButton);
    TfrmCambiaPassword *c = m_screens->frmCambiaPassword;
    QCOMPARE(c->focusWidget(), c->txtPasswordOld);
    type(c->txtPasswordOld, QStringLiteral("magazzino"));
    enter(c->txtPasswordOld);
    QCOMPARE(c->focusWidget(), c->txtPasswordNew);
    type(c->txtPasswordNew, QStringLiteral("nuova"));
    enter(c->txtPasswordNew);
    QCOMPARE(c->focusWidget(), c->txtConferma);
    type(c->txtConferma, QStringLiteral("nuova"));
    enter(c->txtConferma);
    QCOMPARE(c->focusWidget(), c->txtPasswordOld);
    QVERIFY(m_messages->boxes.isEmpty()); // Enter never confirms
    const QByteArray before = m_folder->passwordFile();
    QTest::mouseClick(c->cmdEsci, Qt::LeftButton);
    QVERIFY(!c->isVisible());
    QVERIFY(m_screens->frmPassword->isVisible());
    QCOMPARE(m_screens->frmPassword->txtPassword->text(), QString());
    QCOMPARE(m_folder->passwordFile(), before);
}

void TestShell::eachApplicationOpensAndReturns_data()
{
    QTest::addColumn<int>("application");
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("caption");
    QTest::newRow("1") << 1 << "frmFornitori" << " Scortex - Archivio Fornitori";
    QTest::newRow("2") << 2 << "frmMagazzino" << " Scortex - Magazzino Prodotti";
    QTest::newRow("3") << 3 << "frmMenuRiepilogo" << " Scortex - Inventario Merce";
    QTest::newRow("4") << 4 << "frmMenuCarico" << " Scortex - Operazioni di carico";
}

void TestShell::eachApplicationOpensAndReturns()
{
    QFETCH(int, application);
    QFETCH(QString, screen);
    QFETCH(QString, caption);
    login();
    TfrmAvvio *menu = m_screens->frmAvvio;
    QWidget *target = nullptr;
    for (QWidget *w : m_screens->screens()) {
        if (w->objectName() == screen)
            target = w;
    }
    QVERIFY(target);
    QCOMPARE(target->windowTitle(), caption);

    // Both the picture and the caption button of the tile open it.
    for (QAbstractButton *opener : {static_cast<QAbstractButton *>(menu->imgApp[application - 1]),
                                    static_cast<QAbstractButton *>(menu->btnApp[application - 1])}) {
        ShowWatch watch(target, menu);
        QTest::mouseClick(opener, Qt::LeftButton);
        QVERIFY(target->isVisible());
        QVERIFY(!menu->isVisible());
        QVERIFY(watch.otherVisibleAtShow);
        QVERIFY(target->windowState() & Qt::WindowMaximized);

        ShowWatch back(menu, target);
        QVERIFY(target->close());
        QVERIFY(menu->isVisible());
        QVERIFY(!target->isVisible());
        QVERIFY(back.otherVisibleAtShow);
    }
}

void TestShell::receiptScreensReturnToMenu()
{
    login();
    for (QWidget *screen : {static_cast<QWidget *>(m_screens->frmCarichi),
                            static_cast<QWidget *>(m_screens->frmMenuRiepilogoCarico)}) {
        screen->show();
        m_screens->frmAvvio->hide();
        screen->close();
        QVERIFY(m_screens->frmAvvio->isVisible());
        QVERIFY(!m_screens->frmMenuCarico->isVisible());
    }
}

void TestShell::closingMenuEndsApplication()
{
    login();
    QSignalSpy ended(m_screens.get(), &ScreenSet::applicationEnded);
    QVERIFY(m_screens->frmPassword->isHidden());
    m_screens->frmAvvio->close();
    QCOMPARE(ended.count(), 1);

    ended.clear();
    m_screens->frmAvvio->show();
    QTest::mouseClick(m_screens->frmAvvio->imgEsci, Qt::LeftButton);
    QCOMPARE(ended.count(), 1);
}

void TestShell::loginEsciEndsApplication()
{
    QSignalSpy ended(m_screens.get(), &ScreenSet::applicationEnded);
    QTest::mouseClick(m_screens->frmPassword->cmdEsci, Qt::LeftButton);
    QCOMPARE(ended.count(), 1);
    QVERIFY(!m_screens->frmAvvio->isVisible());
}

void TestShell::helpFromMenuIsFreshEachTime()
{
    login();
    TfrmAvvio *menu = m_screens->frmAvvio;
    const HelpTopic topic = HelpTopics::overview();
    bool seen = false;
    whenModal([&](QWidget *modal) {
        auto *help = qobject_cast<TfrmGuida *>(modal);
        QVERIFY(help);
        seen = true;
        QCOMPARE(help->windowTitle(), QStringLiteral(" Guida all'utilizzo del software"));
        QCOMPARE(help->size(), QSize(670, 572));
        QCOMPARE(help->parentWidget(), menu);
        QCOMPARE(help->lblTitolo->text(), QStringLiteral("Uno sguardo a Scortex."));
        QVERIFY(help->txtGuida->isReadOnly());
        QVERIFY(help->txtGuida->toPlainText().startsWith(topic.body.section(u'.', 0, 0)));
        QVERIFY(help->txtGuida->toPlainText().contains(QStringLiteral(".\n\n")));
        QTest::mouseClick(help->lnkWeb, Qt::LeftButton);
        QTest::mouseClick(help->imgPDF, Qt::LeftButton);
        help->lblTitolo->setText(QStringLiteral("cambiato"));
    });
    QTest::mouseClick(menu->imgGuida, Qt::LeftButton);
    QVERIFY(seen);
    const QString pdf = m_folder->file(QStringLiteral("Guida.pdf"));
    QCOMPARE(m_shell->opened, (QStringList{pdf, pdf}));
    QVERIFY(m_messages->boxes.isEmpty()); // a missing Guida.pdf gives no message
    QVERIFY(menu->findChildren<TfrmGuida *>().isEmpty());

    whenModal([&](QWidget *modal) {
        auto *help = qobject_cast<TfrmGuida *>(modal);
        QVERIFY(help);
        QCOMPARE(help->lblTitolo->text(), QStringLiteral("Uno sguardo a Scortex."));
    });
    QTest::mouseClick(menu->imgGuida, Qt::LeftButton);
}

void TestShell::infoMailtoAndLinkColours()
{
    login();
    bool seen = false;
    whenModal([&](QWidget *modal) {
        auto *info = qobject_cast<TfrmInfo *>(modal);
        QVERIFY(info);
        seen = true;
        QCOMPARE(info->windowTitle(), QStringLiteral(" Informazioni su Scortex"));
        TLinkLabel *link = info->lnkWeb;
        QCOMPARE(link->color(), TLinkLabel::restColor());
        QTest::mousePress(link, Qt::LeftButton);
        QCOMPARE(link->color(), QColor(0xFF, 0xA5, 0x00));
        QTest::mouseRelease(link, Qt::LeftButton);
        QCOMPARE(link->color(), QColor(0x00, 0x00, 0x8B));
        QTest::mousePress(info->imgEmail, Qt::LeftButton);
        QCOMPARE(link->color(), TLinkLabel::pressedColor());
        QTest::mouseRelease(info->imgEmail, Qt::LeftButton);
        QCOMPARE(link->color(), TLinkLabel::restColor());
    });
    QTest::mouseClick(m_screens->frmAvvio->imgInfo, Qt::LeftButton);
    QVERIFY(seen);
    const QString mail = QStringLiteral("mailto:assistenza@scortex.example.com?subject=Software Scortex&body=Salve, "
                                        "desidererei avere le seguenti informazioni sul software in oggetto:");
    QCOMPARE(m_shell->opened, (QStringList{mail, mail}));
}

void TestShell::splashAndSiteOpenWebAddress()
{
    login();
    whenModal([&](QWidget *modal) {
        auto *splash = qobject_cast<TfrmSplash *>(modal);
        QVERIFY(splash);
        QCOMPARE(splash->size(), QSize(661, 467));
        QTest::mouseClick(splash->lnkWeb, Qt::LeftButton);
    });
    QTest::mouseClick(m_screens->frmAvvio->imgCopyright, Qt::LeftButton);
    QTest::mouseClick(m_screens->frmAvvio->icoSito, Qt::LeftButton);
    QCOMPARE(m_shell->opened, (QStringList{TfrmSplash::webAddress(), TfrmAvvio::siteAddress()}));
    QVERIFY(m_shell->opened.first().startsWith(QStringLiteral("https://")));
}

void TestShell::messageBoxesSpeakItalian()
{
    Messages::setHandler({}); // the real boxes
    QStringList confirmButtons;
    QStringList errorButtons;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        for (QAbstractButton *b : box->buttons())
            confirmButtons << b->text().remove(u'&');
        box->button(QMessageBox::No)->click();
    });
    const bool yes = Messages::confirm(nullptr, QStringLiteral("Procedere?"));
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        QCOMPARE(box->icon(), QMessageBox::Critical);
        for (QAbstractButton *b : box->buttons())
            errorButtons << b->text().remove(u'&');
        box->button(QMessageBox::Cancel)->click();
    });
    Messages::error(nullptr, QStringLiteral("Errore"));
    // Record text in a box is plain text: no markup, line breaks kept.
    QString shown;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        QCOMPARE(box->textFormat(), Qt::PlainText);
        shown = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    Messages::plain(nullptr, QStringLiteral("Carta 4111111111111111<b>BIG</b>\n\r\n\rfine"));
    QCOMPARE(shown, QStringLiteral("Carta 4111111111111111<b>BIG</b>\n\r\n\rfine"));
    // Overwriting another workstation's save: Enter alone answers No.
    QStringList overwriteButtons;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        QCOMPARE(box->icon(), QMessageBox::Warning);
        for (QAbstractButton *b : box->buttons())
            overwriteButtons << b->text().remove(u'&');
        QTest::keyClick(box, Qt::Key_Return);
    });
    QVERIFY(!Messages::confirmOverwrite(nullptr, QStringLiteral("Sovrascrivere?")));
    overwriteButtons.sort();
    QCOMPARE(overwriteButtons, (QStringList{"No", "Sì"}));
    QVERIFY(!yes);
    confirmButtons.sort();
    errorButtons.sort();
    QCOMPARE(confirmButtons, (QStringList{"No", "Sì"}));
    QCOMPARE(errorButtons, (QStringList{"Annulla", "OK"}));
}

void TestShell::everyControlHasAName()
{
    login();
    QList<QWidget *> windows = m_screens->screens();
    TfrmGuida help(m_screens->frmAvvio);
    TfrmInfo info(m_screens->frmAvvio);
    TfrmSplash splash(m_screens->frmAvvio);
    TfrmImportaFattura invoices(m_screens->frmCarichi);
    windows << &help << &info << &splash << &invoices;
    for (QWidget *window : windows) {
        for (QWidget *w : window->findChildren<QWidget *>()) {
            if (w->focusPolicy() == Qt::NoFocus || qobject_cast<QPlainTextEdit *>(w->parentWidget()))
                continue;
            if (auto *b = qobject_cast<QAbstractButton *>(w)) {
                QVERIFY2(!b->accessibleName().isEmpty() || !b->text().isEmpty(), qPrintable(b->objectName()));
            } else if (qobject_cast<QLineEdit *>(w) || qobject_cast<QPlainTextEdit *>(w) || qobject_cast<QComboBox *>(w)) {
                QVERIFY2(!w->accessibleName().isEmpty(),
                         qPrintable(window->objectName() + u'/' + w->objectName() + u' ' + w->metaObject()->className()));
            } else if (auto *l = qobject_cast<QLabel *>(w)) {
                QVERIFY2(!l->text().isEmpty(), qPrintable(l->objectName()));
            }
        }
    }
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installItalian(app);
    TestShell test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shell.moc"
