#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <csignal>

#ifdef Q_OS_WIN
#include <QtGlobal>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

// Runs one test function of this test program again in a child process, in
// conditions the parent cannot give itself: as an unprivileged user (the
// superuser writes to read-only files), or with a file-size limit that makes
// writes fail as on a full disk. The child sees SCORTEX_CHILD set.
enum class ChildRun { AsNobodyIfRoot, WithFileSizeLimit };

// Whether permissions bind this process. Windows programs run here as the
// user they are started by (the Windows suite runs unprivileged), and the
// read-only attribute binds every user there.
inline bool isSuperuser()
{
#ifdef Q_OS_WIN
    return false;
#else
    return ::geteuid() == 0;
#endif
}

inline bool inChild()
{
    return !qEnvironmentVariableIsEmpty("SCORTEX_CHILD");
}

// In the child, when asked for: writes past `bytes` fail with EFBIG instead
// of killing the process.
inline void applyFileSizeLimit()
{
#ifndef Q_OS_WIN
    const QByteArray limit = qgetenv("SCORTEX_FSIZE");
    if (limit.isEmpty())
        return;
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit r;
    r.rlim_cur = r.rlim_max = rlim_t(limit.toLongLong());
    setrlimit(RLIMIT_FSIZE, &r);
#endif
}

// False when the parent should go on running the body itself.
inline bool runInChild(const char *function, ChildRun how, qint64 fileSizeLimit = 0)
{
    if (inChild())
        return false;
    if (how == ChildRun::AsNobodyIfRoot && !isSuperuser())
        return false;
#ifdef Q_OS_WIN
    // True: the caller returns, with its test skipped.
    QTest::qSkip("Windows gives a process no file-size limit (RLIMIT_FSIZE) that cuts a write part-way "
                 "at a chosen byte; Wine has no disk quotas either",
                 __FILE__, __LINE__);
    Q_UNUSED(function);
    Q_UNUSED(fileSizeLimit);
    return true;
#else
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
#endif
}
