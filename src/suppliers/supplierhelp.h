#pragma once

#include "ui/helptopic.h"

// The help pages of the suppliers' screens.
namespace SupplierHelp {

// The suppliers card.
HelpTopic card();
// The export of the suppliers archive.
HelpTopic exportSheet();

} // namespace SupplierHelp
