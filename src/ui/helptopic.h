#pragma once

#include <QString>
#include <QStringList>

// A page of the help window, and of the help document Guida.pdf. Each folder
// keeps the texts of its own screens' pages; the main menu's overview and the
// order of the document are the program's (app/helptopics.h). No widget here:
// the build's tool that writes Guida.pdf reads the same texts.
struct HelpTopic
{
    QString title;
    QString body; // paragraphs separated by CR LF CR LF

    static QString paragraphBreak() { return QStringLiteral("\r\n\r\n"); }
    static QString join(const QStringList &paragraphs) { return paragraphs.join(paragraphBreak()); }

    // The page of an export window: what the archive's export holds, then how
    // the window is used, which is the same for every archive.
    static HelpTopic exportPage(const QString &title, const QString &first)
    {
        return {title,
                join({first,
                      QStringLiteral("Fare clic sull'icona di Excel per creare il file e rispondere Sì alla domanda "
                                     "per aprirlo subito."),
                      QStringLiteral("Una volta aperto, il foglio di lavoro può essere salvato con il nome e nella "
                                     "cartella che si preferisce.")})};
    }
};
