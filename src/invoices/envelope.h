#pragma once

#include <QByteArray>
#include <QString>

// The XML of an electronic invoice out of the envelopes it travels in: a
// signed CMS file (.p7m, DER or BER with the content in pieces), base64 text
// of either, or envelopes one inside the other. The signature is not checked:
// the exchange system checked it before handing the file over.
namespace Invoices {

namespace Limits {
// No electronic invoice comes near these: the exchange system takes files
// of at most 5 MB. A file beyond them is refused before it is unpacked.
inline constexpr qint64 FileBytes = 32 << 20;
inline constexpr qint64 ZipEntryBytes = 32 << 20;
inline constexpr qint64 ZipTotalBytes = 256 << 20;
// An entry above 1 MB that unpacks to more than this many times its packed
// size is a bomb: invoices pack about ten to one.
inline constexpr qint64 ZipRatio = 100;
inline constexpr int EnvelopeDepth = 4;
inline constexpr int ElementDepth = 64;
// Elements of a signed envelope outside its content's pieces: a real one
// has about 150; the CMS library spends kilobytes on each.
inline constexpr int EnvelopeElements = 20000;
// Lines of one file: a shop's largest invoices have some thousands.
inline constexpr int Lines = 100000;
// Bodies, codes of a line, delivery notes, payments, attachments of a file.
inline constexpr int Repeats = 10000;
} // namespace Limits

struct Unwrapped
{
    QByteArray xml;
    QString error; // why there is none, in Italian
    bool signedEnvelope = false;
};

Unwrapped unwrap(const QByteArray &bytes);

} // namespace Invoices
