#include "screenset.h"

#include "app/loginwindow.h"
#include "app/mainmenu.h"
#include "products/inventorymenu.h"
#include "products/productcard.h"
#include "receipts/receiptcard.h"
#include "receipts/summarymenu.h"
#include "receipts/yearmenu.h"
#include "suppliers/suppliercard.h"
#include "storage/filelock.h"
#include "storage/recordfile.h"
#include "ui/services.h"

#include <QLineEdit>

#include <QApplication>
#include <QGuiApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QScreen>
#include <QTimer>

#include <new>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

ScreenSet::ScreenSet()
{
    // The login window first: it is the application's main window.
    frmPassword = new TfrmPassword;
    frmAvvio = new TfrmAvvio;
    frmCambiaPassword = new TfrmCambiaPassword;
    frmFornitori = new TfrmFornitori;
    frmMagazzino = new TfrmMagazzino;
    frmMenuRiepilogo = new TfrmMenuRiepilogo;
    frmMenuCarico = new TfrmMenuCarico;
    frmCarichi = new TfrmCarichi;
    frmMenuRiepilogoCarico = new TfrmMenuRiepilogoCarico;

    connect(frmPassword, &TfrmPassword::accepted, this, [this] {
        navigate(frmAvvio, frmPassword);
        // Once the menu is up and drawn: the start-up never waits for it.
        QTimer::singleShot(kSafetyCopyDelayMs, this, &ScreenSet::startSafetyCopy);
    });
    connect(frmPassword, &TfrmPassword::changeRequested, this, [this] { navigate(frmCambiaPassword, frmPassword); });
    connect(frmPassword, &TfrmPassword::exitRequested, this, &ScreenSet::applicationEnded);
    connect(frmCambiaPassword, &TfrmCambiaPassword::closed, this, [this] { frmPassword->comeBack(); });

    connect(frmAvvio, &TfrmAvvio::applicationChosen, this, &ScreenSet::openApplication);
    connect(frmAvvio, &TApplicationScreen::closing, this, &ScreenSet::applicationEnded);

    for (TApplicationScreen *screen : std::initializer_list<TApplicationScreen *>{
             frmFornitori, frmMagazzino, frmMenuRiepilogo, frmCarichi, frmMenuRiepilogoCarico}) {
        // The closing screen hides itself once the menu is up.
        connect(screen, &TApplicationScreen::closing, this, [this] { navigate(frmAvvio, nullptr); });
    }

    // The receipts year menu hands over to the screen its token names.
    frmMenuCarico->setTargets(frmCarichi, frmMenuRiepilogoCarico);
    connect(frmMenuCarico, &TApplicationScreen::closing, this, [this] {
        const QString token = frmMenuCarico->token();
        if (token == u"carichi") {
            navigate(frmCarichi, nullptr);
        } else if (token == u"riepcarichi") {
            frmMenuRiepilogoCarico->txtAnno->setText(frmMenuCarico->txtAnnoRiepLavoro->text().trimmed());
            navigate(frmMenuRiepilogoCarico, nullptr);
        } else {
            navigate(frmAvvio, nullptr);
        }
    });
}

ScreenSet::~ScreenSet()
{
    // Leaving the program abandons a copy still running: it stops at its
    // next block and leaves no partial file behind.
    if (m_copy.joinable()) {
        m_stopCopy = true;
        m_copy.join();
    }
    for (QWidget *w : screens())
        delete w;
}

QList<QWidget *> ScreenSet::screens() const
{
    return {frmPassword, frmAvvio, frmCambiaPassword, frmFornitori, frmMagazzino,
            frmMenuRiepilogo, frmMenuCarico, frmCarichi, frmMenuRiepilogoCarico};
}

QString ScreenSet::readOnlyNotice(const QString &programFolder)
{
    // Said once, at start, rather than by every save that would fail. A
    // file is made and removed to find out: Windows reports every folder
    // writable, a read-only share included.
    QTemporaryFile probe(QDir(programFolder).filePath(QStringLiteral("scortex-XXXXXX.tmp")));
    if (probe.open())
        return QString();
    return QStringLiteral("Attenzione: la cartella del programma non consente la scrittura (ad esempio una cartella "
                          "di rete in sola lettura o un CD).\r\n\r\nLe schede possono essere consultate, stampate "
                          "ed esportate in altre cartelle, ma non salvate.");
}

namespace {

// The copy gives way to the screens for the processor, too.
void lowerThisThreadsPriority()
{
#ifdef Q_OS_WIN
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#else
    setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 10);
#endif
}

} // namespace

QString ScreenSet::safetyCopyFailure(const QString &reason)
{
    return QStringLiteral("Attenzione: la copia di sicurezza giornaliera degli archivi non è stata salvata nella "
                          "cartella \"%1\" (%2).\r\n\r\nIl programma funziona normalmente e le copie precedenti "
                          "restano disponibili; la copia sarà ritentata al prossimo avvio.")
        .arg(SafetyCopies::folderName(), reason);
}

bool ScreenSet::safetyCopyRunning() const
{
    return m_copy.joinable() && !m_copyDone;
}

void ScreenSet::safetyCopyEnded()
{
    m_copy.join();
    if (!m_copyOutcome.error.isEmpty() && !m_stopCopy) {
        QWidget *parent = QApplication::activeModalWidget();
        if (!parent)
            parent = QApplication::activeWindow();
        Messages::warning(parent ? parent : frmAvvio, safetyCopyFailure(m_copyOutcome.error));
    }
    emit safetyCopyFinished();
}

void ScreenSet::startSafetyCopy()
{
    // Once per start of the program; a read-only folder was already said.
    if (m_copyStarted)
        return;
    m_copyStarted = true;
    const QString folder = AppContext::programFolder();
    if (!readOnlyNotice(folder).isEmpty())
        return;
    const QDate today = QDate::currentDate();
    // A plain thread: it reports back through this object's event loop,
    // and a report that finds the screens gone is dropped.
    m_copy = std::thread([this, folder, today] {
        FileLock::setBackgroundThread(true, &m_stopCopy);
        lowerThisThreadsPriority();
        // The copy says its own failures; only memory can fail it here.
        try {
            m_copyOutcome = SafetyCopies::daily(folder, today, &m_stopCopy);
        } catch (const std::bad_alloc &) {
            m_copyOutcome.error = QStringLiteral("memoria insufficiente");
        }
        m_copyDone = true;
        QMetaObject::invokeMethod(this, &ScreenSet::safetyCopyEnded, Qt::QueuedConnection);
    });
}

void ScreenSet::start()
{
    if (QScreen *screen = QGuiApplication::primaryScreen())
        frmPassword->move(screen->availableGeometry().center() - frmPassword->rect().center());
    frmPassword->show();
    const QString notice = readOnlyNotice(AppContext::programFolder());
    if (!notice.isEmpty())
        Messages::information(frmPassword, notice);
}

void ScreenSet::navigate(QWidget *target, QWidget *source)
{
    if (auto *screen = qobject_cast<TApplicationScreen *>(target)) {
        screen->open();
    } else {
        if (QScreen *s = QGuiApplication::primaryScreen())
            target->move(s->availableGeometry().center() - target->rect().center());
        target->show();
    }
    target->activateWindow();
    if (source)
        source->hide();
}

void ScreenSet::openApplication(int application)
{
    QWidget *targets[] = {frmFornitori, frmMagazzino, frmMenuRiepilogo, frmMenuCarico};
    if (application >= 1 && application <= 4)
        navigate(targets[application - 1], frmAvvio);
}
