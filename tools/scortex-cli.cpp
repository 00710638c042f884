#include "archivecli.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char *argv[])
{
#ifdef SIGPIPE
    // A closed pipe (dump | head) ends the output with status 2, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return ArchiveCli::run(args, stdout, stderr);
}
