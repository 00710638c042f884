#pragma once

#include "ui/helptopic.h"

#include <QList>
#include <QString>

// The help pages the program itself adds to those of the archives' screens.
namespace HelpTopics {

// The main menu's page: an overview that repeats the applications' pages.
HelpTopic overview();
// Every page, in the order of the help document Guida.pdf.
QList<HelpTopic> all();

// The password named to the user for the first access.
inline QString initialPassword() { return QStringLiteral("magazzino"); }

} // namespace HelpTopics
