#include "services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace AppContext {

namespace {
QString g_folder;
std::function<QDateTime()> g_clock;
} // namespace

QString programFolder()
{
    return g_folder;
}

void setProgramFolder(const QString &folder)
{
    g_folder = QDir::fromNativeSeparators(folder);
}

QDateTime now()
{
    return g_clock ? g_clock() : QDateTime::currentDateTime();
}

void setClock(std::function<QDateTime()> clock)
{
    g_clock = std::move(clock);
}

} // namespace AppContext

namespace Messages {

namespace {

Handler g_handler;

bool showReal(QWidget *parent, Kind kind, const QString &text)
{
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Scortex"));
    // Record text is shown as typed, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (kind) {
    case Kind::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Kind::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Kind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Kind::Confirmation:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Kind::Overwrite:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Kind::Plain:
        box.setIcon(QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    // Enter never overwrites someone else's work by itself.
    box.setDefaultButton(kind == Kind::Confirmation ? QMessageBox::Yes
                         : kind == Kind::Overwrite  ? QMessageBox::No
                                                    : QMessageBox::Ok);
    const int answer = box.exec();
    return answer == QMessageBox::Ok || answer == QMessageBox::Yes;
}

} // namespace

void setHandler(Handler handler)
{
    g_handler = std::move(handler);
}

void show(QWidget *parent, Kind kind, const QString &text)
{
    g_handler ? g_handler(parent, kind, text) : showReal(parent, kind, text);
}

void information(QWidget *parent, const QString &text)
{
    show(parent, Kind::Information, text);
}

void warning(QWidget *parent, const QString &text)
{
    show(parent, Kind::Warning, text);
}

void error(QWidget *parent, const QString &text)
{
    show(parent, Kind::Error, text);
}

bool confirm(QWidget *parent, const QString &text)
{
    return g_handler ? g_handler(parent, Kind::Confirmation, text) : showReal(parent, Kind::Confirmation, text);
}

bool confirmOverwrite(QWidget *parent, const QString &text)
{
    return g_handler ? g_handler(parent, Kind::Overwrite, text) : showReal(parent, Kind::Overwrite, text);
}

void plain(QWidget *parent, const QString &text)
{
    show(parent, Kind::Plain, text);
}

} // namespace Messages

namespace TMisc {

namespace {

Opener g_opener;

void openOnDesktop(const QString &target)
{
    QUrl url;
    if (target.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive)) {
        // Blanks and the like are encoded for the desktop.
        url = QUrl(target, QUrl::TolerantMode);
    } else if (target.contains(QStringLiteral("://"))) {
        url = QUrl(target, QUrl::TolerantMode);
    } else {
        url = QUrl::fromLocalFile(target);
    }
    QDesktopServices::openUrl(url);
}

} // namespace

void Open(const QString &command)
{
    QString target = command.trimmed();
    if (target.size() >= 2 && target.startsWith(u'"') && target.endsWith(u'"'))
        target = target.mid(1, target.size() - 2);
    g_opener ? g_opener(target) : openOnDesktop(target);
}

void setOpener(Opener opener)
{
    g_opener = std::move(opener);
}

} // namespace TMisc

namespace FileDialogs {

namespace {
Chooser g_chooser;
} // namespace

QString openFile(QWidget *parent, const QString &title, const QString &filter)
{
    if (g_chooser)
        return g_chooser(parent, title, filter);
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

void setChooser(Chooser chooser)
{
    g_chooser = std::move(chooser);
}

namespace {
FilesChooser g_filesChooser;
} // namespace

QStringList openFiles(QWidget *parent, const QString &title, const QString &filter)
{
    if (g_filesChooser)
        return g_filesChooser(parent, title, filter);
    return QFileDialog::getOpenFileNames(parent, title, QString(), filter);
}

void setFilesChooser(FilesChooser chooser)
{
    g_filesChooser = std::move(chooser);
}

} // namespace FileDialogs
