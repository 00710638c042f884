#include "responsive.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>

#include <exception>
#include <system_error>
#include <thread>

namespace {

// Swallows the user's input while the work runs, so that nothing typed or
// clicked meanwhile acts on a half-finished window afterwards.
class InputBlocker : public QObject
{
public:
    InputBlocker() { qApp->installEventFilter(this); }
    ~InputBlocker() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        case QEvent::Close:
            event->ignore();
            return true;
        default:
            return false;
        }
    }
};

int g_running = 0;


// The waiting state, undone however the work ends.
class Busy
{
public:
    Busy()
    {
        ++g_running;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~Busy()
    {
        QApplication::restoreOverrideCursor();
        --g_running;
    }

private:
    InputBlocker m_blocker;
};

} // namespace

bool responsiveWorkRunning()
{
    return g_running > 0;
}

void runResponsive(const std::function<void()> &work)
{
    Busy busy;
    QEventLoop loop;
    std::exception_ptr failure;
    auto run = [&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    };
    std::thread worker;
    try {
        worker = std::thread([&] {
            run();
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    } catch (const std::system_error &) {
        // No thread to be had: the work runs here, and the window waits.
    }
    if (worker.joinable()) {
        loop.exec();
        worker.join();
    } else {
        run();
    }
    if (failure)
        std::rethrow_exception(failure);
}
