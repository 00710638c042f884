#pragma once

#include "ui/helptopic.h"

// The help pages of the products' screens.
namespace ProductHelp {

// The products card.
HelpTopic card();
// The inventory window and its menu.
HelpTopic inventory();
// The export of the products archive.
HelpTopic exportSheet();

} // namespace ProductHelp
