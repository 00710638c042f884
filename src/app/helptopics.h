#pragma once

#include <QList>
#include <QString>

// The texts of the help window, kept in one place: the windows show them and
// the build turns them into the help document Guida.pdf.
namespace HelpTopics {

enum class Topic {
    Panoramica,       // main menu
    Fornitori,        // suppliers card
    Magazzino,        // products card
    Carichi,          // receipts card and year menu
    Inventario,       // inventory window and menu
    RiepilogoCarichi, // receipt summary
    EspFornitori,     // suppliers export
    EspMagazzino,     // products export
    EspCarichi,       // receipts export
};

struct HelpTopic
{
    Topic topic;
    QString title;
    QString body; // paragraphs separated by CR LF CR LF
};

HelpTopic topic(Topic which);
QList<HelpTopic> all();

// The paragraph separator of every body.
inline QString paragraphBreak() { return QStringLiteral("\r\n\r\n"); }

// The password named to the user for the first access.
inline QString initialPassword() { return QStringLiteral("magazzino"); }

} // namespace HelpTopics
