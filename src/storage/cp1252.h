#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows-1252, the code page of every text byte in the archives.
// Every byte round-trips: the five bytes the code page leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) read as the control characters of the
// same code.
namespace Cp1252 {

// The byte for one Unicode code point, or '?' when the code page has none.
char encodeCodePoint(char32_t codePoint);

// One byte per character; a character outside the code page becomes '?'.
QByteArray encode(QStringView text);

QChar decodeByte(unsigned char byte);
QString decode(QByteArrayView bytes);

// The UTF-8 form of one byte's character: 1 to 3 bytes written to `out`,
// their count returned. For writers that skip QString altogether.
int toUtf8(unsigned char byte, char out[3]);

// The characters of `text` that Windows-1252 cannot hold, each once, in
// order of appearance; empty when it holds them all.
QString unrepresentable(QStringView text);

} // namespace Cp1252
