#pragma once

class QCoreApplication;

// The process-wide formats (decimal comma, dd/mm/yyyy) and Qt's own Italian
// texts for standard buttons and dialogs ("Sì", "Annulla").
void installItalian(QCoreApplication &app);
