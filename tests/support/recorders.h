#pragma once

#include "ui/responsive.h"
#include "ui/services.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QApplication>

#include <functional>

// Stands in for the message boxes: keeps kind and exact text of every box
// and answers with scripted replies (OK / Sì by default).
struct MessageRecorder
{
    struct Box
    {
        Messages::Kind kind;
        QString text;
    };
    QList<Box> boxes;
    QList<bool> answers;
    // Runs while a box is shown, before it is answered.
    std::function<void(const Box &)> whileShown;

    MessageRecorder()
    {
        Messages::setHandler([this](QWidget *, Messages::Kind kind, const QString &text) {
            boxes.append({kind, text});
            if (whileShown)
                whileShown(boxes.last());
            return answers.isEmpty() ? true : answers.takeFirst();
        });
    }
    ~MessageRecorder() { Messages::setHandler({}); }

    QString lastText() const { return boxes.isEmpty() ? QString() : boxes.last().text; }
    Messages::Kind lastKind() const { return boxes.last().kind; }
};

// Stands in for the desktop's open operation.
struct ShellRecorder
{
    QStringList opened;
    ShellRecorder()
    {
        TMisc::setOpener([this](const QString &target) { opened << target; });
    }
    ~ShellRecorder() { TMisc::setOpener({}); }
};

// A program folder in a temporary directory, with the shipped password file.
struct ProgramFolder
{
    QTemporaryDir dir;
    ProgramFolder(bool withPasswordFile = true)
    {
        AppContext::setProgramFolder(dir.path());
        if (withPasswordFile)
            writePasswordFile(QByteArray("[Accesso]\r\nValore=6F30231B7F9E4FED1A\r\n"));
    }
    ~ProgramFolder() { AppContext::setProgramFolder(QString()); }
    QString path() const { return dir.path(); }
    QString file(const QString &name) const { return dir.filePath(name); }
    void writePasswordFile(const QByteArray &bytes) const
    {
        QFile f(file(QStringLiteral("unins000.dll")));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
    }
    QByteArray passwordFile() const
    {
        QFile f(file(QStringLiteral("unins000.dll")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// Types text as key presses; characters beyond ASCII go as key events that
// carry only their text, as an input method delivers them.
inline void typeText(QWidget *widget, const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// Runs `inspect` on the modal window that the next action opens, once the
// window has finished reading its archive, then closes it if the
// inspection left it open.
inline void whenModal(std::function<void(QWidget *)> inspect)
{
    QTimer::singleShot(0, [inspect] {
        if (responsiveWorkRunning()) {
            whenModal(inspect);
            return;
        }
        QWidget *modal = QApplication::activeModalWidget();
        inspect(modal);
        if (modal && modal->isVisible())
            modal->close();
    });
}
