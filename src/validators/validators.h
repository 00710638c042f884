#pragma once

#include <QString>

// The four code checks of the suppliers card, as rules: what each window's
// Controlla shows for the text in its box.
namespace Validators {

enum class Kind { TaxCode, VatNumber, CreditCard, Iban };

struct Verdict
{
    enum class Box { None, Information, Warning };
    Box box = Box::None;
    QString text;
    bool valid = false;
    bool closesWindow = true; // false: a length or empty-entry warning, to correct
};

// Check letter test of a 16-character tax code (decree of 23 December 1976).
bool taxCodeCheckLetterOk(const QString &code);
// The check digit test of an 11-digit VAT number.
bool vatCheckDigitOk(const QString &number);
// The provincial VAT office of a three-digit code; empty when unknown.
QString vatOffice(const QString &code);
// 0 for an invalid card number, else its first digit minus 2 (Luhn on the
// digits of the first 20 characters).
int cardCheckResult(const QString &text);
// ISO 7064 MOD 97-10 remainder, computed nine digits at a time.
int ibanRemainder(const QString &text);

Verdict checkTaxCode(const QString &boxText);
Verdict checkVatNumber(const QString &boxText);
Verdict checkCreditCard(const QString &boxText);
Verdict checkIban(const QString &boxText);
Verdict check(Kind kind, const QString &boxText);

// The box of each window: its maximum length, the keys it lets through and
// what it does to the text after each typed change.
int maxLength(Kind kind);
bool keyAccepted(Kind kind, QChar c);
QString afterTyping(Kind kind, const QString &text);
// The box's text after typing `keys` one by one into an empty box.
QString typed(Kind kind, const QString &keys);

} // namespace Validators
