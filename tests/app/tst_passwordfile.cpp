#include "app/passwordfile.h"
#include "app/scramble.h"
#include "storage/inifile.h"
#include "support/childrun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <sys/wait.h>
#include <unistd.h>
#endif

using PasswordFile::Outcome;
Q_DECLARE_METATYPE(PasswordFile::Outcome)

namespace {

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestPasswordFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void login_data();
    void login();
    void missingFileMatchesNothing();
    void changeChecksInOrder_data();
    void changeChecksInOrder();
    void successfulChangeRewritesOnlyTheEntry();
    void unwritableFileKeepsTheOldPassword();
    void fullDiskKeepsTheOldPassword();
    void textEditorEncodingsAreRead_data();
    void textEditorEncodingsAreRead();
    void iniEntryAddedWhenMissing();

private:
    QTemporaryDir m_dir;
    QString m_file;
};

void TestPasswordFile::init()
{
    m_file = PasswordFile::path(m_dir.path());
    QFile::remove(m_file);
    write(m_file, "[Accesso]\r\nValore=6F30231B7F9E4FED1A\r\n");
}

void TestPasswordFile::fullDiskKeepsTheOldPassword()
{
    // Writes past 16 bytes fail, as on a full disk: the new file cannot be
    // whole, so the old one must stay and the change must not be reported.
    if (runInChild("fullDiskKeepsTheOldPassword", ChildRun::WithFileSizeLimit, 16))
        return;
    QFile f(m_file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    applyFileSizeLimit();
    QCOMPARE(PasswordFile::change(m_dir.path(), QStringLiteral("magazzino"), QStringLiteral("nuova"),
                                  QStringLiteral("nuova")),
             PasswordFile::Outcome::WriteFailed);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QCOMPARE(PasswordFile::checkLogin(m_dir.path(), QStringLiteral("magazzino")), PasswordFile::Outcome::Accepted);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("unins000.dll")});
}

void TestPasswordFile::textEditorEncodingsAreRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QString text = QStringLiteral("[Accesso]\r\nValore=6F30231B7F9E4FED1A\r\n");
    QByteArray le("\xFF\xFE"), be("\xFE\xFF");
    for (QChar c : text) {
        le += char(c.unicode() & 0xFF);
        le += char(c.unicode() >> 8);
        be += char(c.unicode() >> 8);
        be += char(c.unicode() & 0xFF);
    }
    QTest::newRow("UTF-8 with its mark") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QTest::newRow("UTF-16 little-endian") << le;
    QTest::newRow("UTF-16 big-endian") << be;
}

void TestPasswordFile::textEditorEncodingsAreRead()
{
    QFETCH(QByteArray, bytes);
    write(m_file, bytes);
    QCOMPARE(PasswordFile::checkLogin(m_dir.path(), QStringLiteral("magazzino")), PasswordFile::Outcome::Accepted);
    QCOMPARE(PasswordFile::checkLogin(m_dir.path(), QStringLiteral("altro")), PasswordFile::Outcome::Refused);
}

void TestPasswordFile::login_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Outcome>("outcome");
    const QByteArray shipped("[Accesso]\r\nValore=6F30231B7F9E4FED1A\r\n");
    QTest::newRow("exact") << shipped << "MAGAZZINO" << Outcome::Accepted;
    QTest::newRow("lower case, blanks around") << shipped << "  magazzino\t" << Outcome::Accepted;
    QTest::newRow("wrong") << shipped << "magazino" << Outcome::Refused;
    QTest::newRow("prefix") << shipped << "magazzin" << Outcome::Refused;
    QTest::newRow("accented upper not folded") << QByteArray("[Accesso]\r\nValore=") + Scramble::scramble(u"CITTà").toLatin1()
                                               << "città" << Outcome::Accepted;
    QTest::newRow("odd stored length") << QByteArray("[Accesso]\r\nValore=6F30231B7F9E4FED1A5\r\n") << "magazzino"
                                       << Outcome::Accepted;
    QTest::newRow("not hexadecimal") << QByteArray("[Accesso]\r\nValore=6F30ZZ\r\n") << "magazzino" << Outcome::Unreadable;
    QTest::newRow("empty value") << QByteArray("[Accesso]\r\nValore=\r\n") << "x" << Outcome::Refused;
    QTest::newRow("other section") << QByteArray("[Altro]\r\nValore=6F30231B7F9E4FED1A\r\n") << "magazzino"
                                   << Outcome::Refused;
    QTest::newRow("names in any case, LF") << QByteArray("[accesso]\nvalore = 6F30231B7F9E4FED1A\n") << "magazzino"
                                           << Outcome::Accepted;
}

void TestPasswordFile::login()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, typed);
    QFETCH(Outcome, outcome);
    write(m_file, file);
    QCOMPARE(PasswordFile::checkLogin(m_dir.path(), typed), outcome);
}

void TestPasswordFile::missingFileMatchesNothing()
{
    QFile::remove(m_file);
    QCOMPARE(PasswordFile::checkLogin(m_dir.path(), QStringLiteral("magazzino")), Outcome::Refused);
    QCOMPARE(PasswordFile::change(m_dir.path(), QStringLiteral("magazzino"), QStringLiteral("a"), QStringLiteral("a")),
             Outcome::Refused);
    QVERIFY(!QFile::exists(m_file));
}

void TestPasswordFile::changeChecksInOrder_data()
{
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<Outcome>("outcome");
    QTest::newRow("wrong old beats mismatch") << "sbagliata" << "uno" << "due" << Outcome::Refused;
    QTest::newRow("confirmation is case-sensitive") << "magazzino" << "nuova" << "NUOVA" << Outcome::NotConfirmed;
    QTest::newRow("euro cannot be stored") << "magazzino" << "prezzo€" << "prezzo€" << Outcome::Unsupported;
}

void TestPasswordFile::changeChecksInOrder()
{
    QFETCH(QString, oldPassword);
    QFETCH(QString, newPassword);
    QFETCH(QString, confirmation);
    QFETCH(Outcome, outcome);
    const QByteArray before = read(m_file);
    QCOMPARE(PasswordFile::change(m_dir.path(), oldPassword, newPassword, confirmation), outcome);
    QCOMPARE(read(m_file), before);
}

void TestPasswordFile::successfulChangeRewritesOnlyTheEntry()
{
    write(m_file, "; shipped\r\n[Altro]\r\nValore=00\r\n[Accesso]\r\nValore=6F30231B7F9E4FED1A\r\nAltro=1\r\n");
    QCOMPARE(PasswordFile::change(m_dir.path(), QStringLiteral(" Magazzino "), QStringLiteral(" Nuova1 "),
                                  QStringLiteral("Nuova1")),
             Outcome::Accepted);
    const QString stored = Scramble::scramble(u"NUOVA1");
    QCOMPARE(stored.size(), 12);
    QCOMPARE(read(m_file), QByteArray("; shipped\r\n[Altro]\r\nValore=00\r\n[Accesso]\r\nValore=") + stored.toLatin1()
                               + "\r\nAltro=1\r\n");
    QCOMPARE(PasswordFile::checkLogin(m_dir.path(), QStringLiteral("magazzino")), Outcome::Refused);
    QCOMPARE(PasswordFile::checkLogin(m_dir.path(), QStringLiteral("nUoVa1")), Outcome::Accepted);
}

void TestPasswordFile::unwritableFileKeepsTheOldPassword()
{
    // A folder the user cannot write to. Root writes anywhere, so the change
    // runs in a child process that drops to an unprivileged user.
    QTemporaryDir folder;
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                             | QFileDevice::ReadOther | QFileDevice::ExeOther);
    const QString file = PasswordFile::path(folder.path());
    write(file, "[Accesso]\r\nValore=6F30231B7F9E4FED1A\r\n");
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    if (!isSuperuser()) {
        QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(file, QFileDevice::ReadOwner);
        const Outcome outcome = PasswordFile::change(folder.path(), QStringLiteral("magazzino"),
                                                     QStringLiteral("nuova"), QStringLiteral("nuova"));
        QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(outcome, Outcome::WriteFailed);
    } else {
#ifndef Q_OS_WIN
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(99);
            const Outcome outcome = PasswordFile::change(folder.path(), QStringLiteral("magazzino"),
                                                         QStringLiteral("nuova"), QStringLiteral("nuova"));
            ::_exit(int(outcome));
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        if (WEXITSTATUS(status) == 99)
            QSKIP("cannot run as an unprivileged user here");
        QCOMPARE(WEXITSTATUS(status), int(Outcome::WriteFailed));
#endif
    }
    QCOMPARE(read(file), QByteArray("[Accesso]\r\nValore=6F30231B7F9E4FED1A\r\n"));
}

void TestPasswordFile::iniEntryAddedWhenMissing()
{
    const QString path = m_dir.filePath(QStringLiteral("nuovo.ini"));
    QFile::remove(path);
    QVERIFY(IniFile::writeString(path, QStringLiteral("Accesso"), QStringLiteral("Valore"), QStringLiteral("AB")));
    QCOMPARE(read(path), QByteArray("[Accesso]\r\nValore=AB\r\n"));
    write(path, "[Accesso]\nAltro=1\n\n[Dopo]\nX=2\n");
    QVERIFY(IniFile::writeString(path, QStringLiteral("Accesso"), QStringLiteral("Valore"), QStringLiteral("CD")));
    QCOMPARE(read(path), QByteArray("[Accesso]\nAltro=1\nValore=CD\n\n[Dopo]\nX=2\n"));
    QCOMPARE(IniFile::readString(path, QStringLiteral("ACCESSO"), QStringLiteral("valore")), QStringLiteral("CD"));
}

QTEST_GUILESS_MAIN(TestPasswordFile)
#include "tst_passwordfile.moc"
