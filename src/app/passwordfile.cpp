#include "passwordfile.h"

#include "app/scramble.h"
#include "storage/inifile.h"
#include "storage/programfolder.h"
#include "storage/textrules.h"

namespace PasswordFile {

namespace {

const QString kSection = QStringLiteral("Accesso");
const QString kKey = QStringLiteral("Valore");

// nullopt when the stored value cannot be unscrambled.
std::optional<QString> storedPassword(const QString &programFolder)
{
    const std::optional<QString> plain
        = Scramble::unscramble(IniFile::readString(path(programFolder), kSection, kKey));
    if (!plain)
        return std::nullopt;
    return TextRules::trimmed(*plain);
}

bool matches(const QString &expected, const QString &typed)
{
    const QString t = TextRules::trimmed(TextRules::upperAZ(typed));
    return !expected.isEmpty() && expected == t;
}

} // namespace

QString path(const QString &programFolder)
{
    return programFile(programFolder, QLatin1StringView(FileName));
}

Outcome checkLogin(const QString &programFolder, const QString &typed)
{
    const std::optional<QString> expected = storedPassword(programFolder);
    if (!expected)
        return Outcome::Unreadable;
    return matches(*expected, typed) ? Outcome::Accepted : Outcome::Refused;
}

Outcome change(const QString &programFolder, const QString &oldPassword,
               const QString &newPassword, const QString &confirmation)
{
    const std::optional<QString> expected = storedPassword(programFolder);
    if (!expected)
        return Outcome::Unreadable;
    if (!matches(*expected, oldPassword))
        return Outcome::Refused;
    const QString fresh = TextRules::trimmed(newPassword);
    if (fresh != TextRules::trimmed(confirmation))
        return Outcome::NotConfirmed;
    // The stored form keeps one byte per character.
    for (QChar c : fresh) {
        if (c.unicode() > 255)
            return Outcome::Unsupported;
    }
    const QString stored = Scramble::scramble(TextRules::upperAZ(fresh));
    if (!IniFile::writeString(path(programFolder), kSection, kKey, stored))
        return Outcome::WriteFailed;
    return Outcome::Accepted;
}

} // namespace PasswordFile
