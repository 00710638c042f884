#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <unistd.h>

// Runs one test function of this test program again in a child process, in
// conditions the parent cannot give itself: as an unprivileged user (the
// superuser writes to read-only files), or with a file-size limit that makes
// writes fail as on a full disk. The child sees SCORTEX_CHILD set.
enum class ChildRun { AsNobodyIfRoot, WithFileSizeLimit };

inline bool inChild()
{
    return !qEnvironmentVariableIsEmpty("SCORTEX_CHILD");
}

// In the child, when asked for: writes past `bytes` fail with EFBIG instead
// of killing the process.
inline void applyFileSizeLimit()
{
    const QByteArray limit = qgetenv("SCORTEX_FSIZE");
    if (limit.isEmpty())
        return;
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit r;
    r.rlim_cur = r.rlim_max = rlim_t(limit.toLongLong());
    setrlimit(RLIMIT_FSIZE, &r);
}

// False when the parent should go on running the body itself.
inline bool runInChild(const char *function, ChildRun how, qint64 fileSizeLimit = 0)
{
    if (inChild())
        return false;
    if (how == ChildRun::AsNobodyIfRoot && ::geteuid() != 0)
        return false;
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({QString::fromLatin1(function)});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SCORTEX_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("HOME"), QStringLiteral("/tmp"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("/tmp"));
    if (how == ChildRun::WithFileSizeLimit)
        env.insert(QStringLiteral("SCORTEX_FSIZE"), QString::number(fileSizeLimit));
    child.setProcessEnvironment(env);
    if (how == ChildRun::AsNobodyIfRoot) {
        child.setChildProcessModifier([] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
        });
    }
    child.start();
    const bool finished = child.waitForFinished(120000);
    const QByteArray output = child.readAllStandardOutput();
    [&] {
        QVERIFY2(finished, "the child test did not finish");
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
    }();
    return true;
}
