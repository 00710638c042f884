#include "responsive.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>

#include <exception>
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

} // namespace

bool responsiveWorkRunning()
{
    return g_running > 0;
}

void runResponsive(const std::function<void()> &work)
{
    InputBlocker blocker;
    ++g_running;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    QApplication::restoreOverrideCursor();
    --g_running;
    if (failure)
        std::rethrow_exception(failure);
}
