#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// `make install` into a folder of one's own, twice: the second run keeps a
// changed password file and the archives placed there.
class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void installTwice();

private:
    void install(const QString &prefix, const QString &home);
};

void TestInstall::install(const QString &prefix, const QString &home)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(CMAKE_COMMAND), {QStringLiteral("--install"), QStringLiteral(BUILD_DIR),
                                            QStringLiteral("--prefix"), prefix});
    QVERIFY(p.waitForFinished(120000));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
}

void TestInstall::installTwice()
{
#ifdef Q_OS_WIN
    QSKIP("make install writes a Linux program folder with its desktop menu entry; on Windows the program "
          "folder is the zip of make windows, whose contents windows/test.sh checks");
#endif
    QTemporaryDir dir;
    const QString prefix = dir.filePath(QStringLiteral("Scortex"));
    const QString home = dir.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(home));
    install(prefix, home);
    for (const char *name : {"scortex", "scortex-cli", "Guida.pdf", "unins000.dll", "scortex.desktop", "scortex.svg"})
        QVERIFY2(QFile::exists(QDir(prefix).filePath(QLatin1StringView(name))), name);
    QVERIFY(QFileInfo(QDir(prefix).filePath(QStringLiteral("scortex"))).isExecutable());
    QFile entry(QDir(home).filePath(QStringLiteral(".local/share/applications/scortex.desktop")));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QByteArray desktop = entry.readAll();
    QVERIFY(desktop.contains("Exec=\"" + QDir(prefix).filePath(QStringLiteral("scortex")).toUtf8() + '"'));
    QVERIFY(desktop.contains("Name=Scortex"));

    // A changed password and an archive stay through a second install.
    const QByteArray changed("[Accesso]\r\nValore=00112233\r\n");
    for (const auto &[name, bytes] : {std::pair{"unins000.dll", changed}, std::pair{"Fornitori.pro", QByteArray(3643, 'x')}}) {
        QFile f(QDir(prefix).filePath(QLatin1StringView(name)));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    install(prefix, home);
    QFile password(QDir(prefix).filePath(QStringLiteral("unins000.dll")));
    QVERIFY(password.open(QIODevice::ReadOnly));
    QCOMPARE(password.readAll(), changed);
    QCOMPARE(QFileInfo(QDir(prefix).filePath(QStringLiteral("Fornitori.pro"))).size(), 3643);
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
