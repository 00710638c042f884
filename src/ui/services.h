#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Services the screens reach only through these seams, so that tests can
// put recorders in their place.

// The program folder (the executable's folder; a temporary folder in tests)
// and the clock.
namespace AppContext {
QString programFolder();
void setProgramFolder(const QString &folder);
QDateTime now();
void setClock(std::function<QDateTime()> clock); // empty: the system clock
} // namespace AppContext

// Message boxes. Information, warning and error boxes show OK and Cancel,
// either of which only closes the box; the confirmation box shows Sì and No;
// the overwrite question is a warning with Sì and No, No the default button;
// the plain box shows OK alone.
namespace Messages {

enum class Kind { Information, Warning, Error, Confirmation, Plain, Overwrite };

// Shows the box; true when the answer is OK or Sì.
using Handler = std::function<bool(QWidget *parent, Kind kind, const QString &text)>;
void setHandler(Handler handler); // empty: the real boxes

void information(QWidget *parent, const QString &text);
void warning(QWidget *parent, const QString &text);
void error(QWidget *parent, const QString &text);
bool confirm(QWidget *parent, const QString &text);
bool confirmOverwrite(QWidget *parent, const QString &text);
void plain(QWidget *parent, const QString &text);
void show(QWidget *parent, Kind kind, const QString &text);

} // namespace Messages

// The shell-open operation: hands a document, folder, web address or
// "mailto:" link to the desktop. Nothing is reported when it cannot be opened.
namespace TMisc {

// Callers may enclose the command in double quotes; they are removed here.
void Open(const QString &command);

// The handler receives the command without its quotes.
using Opener = std::function<void(const QString &target)>;
void setOpener(Opener opener); // empty: the desktop

} // namespace TMisc

// The file-open dialog: the file the user chooses, empty when cancelled.
namespace FileDialogs {
QString openFile(QWidget *parent, const QString &title, const QString &filter);
using Chooser = std::function<QString(QWidget *parent, const QString &title, const QString &filter)>;
void setChooser(Chooser chooser); // empty: the real dialog
// Several files at once; empty when cancelled.
QStringList openFiles(QWidget *parent, const QString &title, const QString &filter);
using FilesChooser = std::function<QStringList(QWidget *parent, const QString &title, const QString &filter)>;
void setFilesChooser(FilesChooser chooser); // empty: the real dialog
} // namespace FileDialogs
