#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The reversible scrambling of the stored password: two upper-case
// hexadecimal digits per character, each byte mixed with a running 16-bit
// key that is fed the scrambled byte.
namespace Scramble {

QString scramble(QStringView plain);

// nullopt when a pair of digits is not hexadecimal; an odd last digit is
// ignored.
std::optional<QString> unscramble(QStringView stored);

} // namespace Scramble
