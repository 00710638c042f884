#pragma once

#include <QString>

// One string entry of one section of an INI file. Section and key names
// match without regard to letter case, as on the platform the files come
// from. Everything else in the file is kept as it is.
namespace IniFile {

// The entry's value, trimmed; empty when the file, section or entry is missing.
QString readString(const QString &path, const QString &section, const QString &key);

// Writes the whole file atomically (SafeFile): either the new file is in
// place or the old one is untouched. False when it cannot be written.
bool writeString(const QString &path, const QString &section, const QString &key, const QString &value);

} // namespace IniFile
