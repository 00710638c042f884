#include "archivecli.h"

#include "app/registerkinds.h"

#include <QCoreApplication>

#include <csignal>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char *argv[])
{
#ifdef SIGPIPE
    // A closed pipe (dump | head) ends the output with status 2, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef Q_OS_WIN
    // Byte for byte what the Linux tool writes: no CR added before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    registerArchiveKinds();
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return ArchiveCli::run(args, stdout, stderr);
}
