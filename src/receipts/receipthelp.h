#pragma once

#include "ui/helptopic.h"

// The help pages of the receipts' screens.
namespace ReceiptHelp {

// The receipts card and the year menu.
HelpTopic card();
// The receipt summary, its menu and window.
HelpTopic summary();
// The export of a year's receipts archive.
HelpTopic exportSheet();

} // namespace ReceiptHelp
