#pragma once

#include <QString>

// The access password, stored scrambled in entry Valore of section Accesso
// of the password file in the program folder.
namespace PasswordFile {

inline constexpr char FileName[] = "unins000.dll";

QString path(const QString &programFolder);

enum class Outcome {
    Accepted,
    Refused,
    Unreadable,     // the stored value is not hexadecimal
    NotConfirmed,   // the new password and its confirmation differ
    Unsupported,    // the new password holds a character above code 255
    WriteFailed,
};

// The typed text counts trimmed and upper-cased (a-z only); an empty stored
// value matches nothing.
Outcome checkLogin(const QString &programFolder, const QString &typed);

// Changes the password: old password first, then the confirmation, then the
// write. Nothing is written unless the result is Accepted.
Outcome change(const QString &programFolder, const QString &oldPassword,
               const QString &newPassword, const QString &confirmation);

} // namespace PasswordFile
