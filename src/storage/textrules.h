#pragma once

#include <QString>
#include <QStringView>

// Text helpers shared by records, lists and the login.
namespace TextRules {

// Removes leading and trailing characters whose code is 32 or lower.
QString trimmed(QStringView text);

// Case changes of the letters a-z and A-Z only; accented letters stay.
QString upperAZ(QStringView text);
QString lowerAZ(QStringView text);

// The first / last n characters, or the whole text when it is shorter.
QString leftCopy(QStringView text, qsizetype n);
QString rightCopy(QStringView text, qsizetype n);

// Exactly n characters: padded on the right with blanks, or cut.
QString padOrCut(QStringView text, qsizetype n);

} // namespace TextRules
