#pragma once

#include "app/safetycopies.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <thread>

class QWidget;
class TApplicationScreen;
class TfrmAvvio;
class TfrmCambiaPassword;
class TfrmCarichi;
class TfrmFornitori;
class TfrmMagazzino;
class TfrmMenuCarico;
class TfrmMenuRiepilogo;
class TfrmMenuRiepilogoCarico;
class TfrmPassword;

// The long-lived screens, created once in start-up order, and the moves
// between them: the target is shown first, then the source is hidden.
class ScreenSet : public QObject
{
    Q_OBJECT

public:
    ScreenSet();
    ~ScreenSet() override;

    TfrmPassword *frmPassword;
    TfrmAvvio *frmAvvio;
    TfrmCambiaPassword *frmCambiaPassword;
    TfrmFornitori *frmFornitori;
    TfrmMagazzino *frmMagazzino;
    TfrmMenuRiepilogo *frmMenuRiepilogo;
    TfrmMenuCarico *frmMenuCarico;
    TfrmCarichi *frmCarichi;
    TfrmMenuRiepilogoCarico *frmMenuRiepilogoCarico;

    // Every long-lived screen, in creation order.
    QList<QWidget *> screens() const;

    // Shows the login window: the start of the application.
    void start();
    // The notice of a program folder that cannot be written, or empty.
    static QString readOnlyNotice(const QString &programFolder);
    // What the user is told of a safety copy that failed.
    static QString safetyCopyFailure(const QString &reason);
    // The day's safety copy starts this long after the main menu first
    // shows, on a thread of its own.
    static constexpr int kSafetyCopyDelayMs = 1500;

    // Whether the copy is still running, and how it ended (read once
    // safetyCopyFinished has been emitted: until then its thread writes it).
    bool safetyCopyRunning() const;
    const SafetyCopies::Outcome &safetyCopyOutcome() const { return m_copyOutcome; }

signals:
    // The menu was closed or Esci pressed on the login window.
    void applicationEnded();
    void safetyCopyFinished();

private:
    void startSafetyCopy();

    void navigate(QWidget *target, QWidget *source);
    void openApplication(int application);

    void safetyCopyEnded();

    std::thread m_copy;
    std::atomic<bool> m_stopCopy{false};
    std::atomic<bool> m_copyDone{false};
    bool m_copyStarted = false;
    SafetyCopies::Outcome m_copyOutcome;
};
