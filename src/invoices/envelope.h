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
inline constexpr qint64 ZipTotalBytes = qint64(1) << 30;
inline constexpr int EnvelopeDepth = 4;
inline constexpr int ElementDepth = 64;
} // namespace Limits

struct Unwrapped
{
    QByteArray xml;
    QString error; // why there is none, in Italian
    bool signedEnvelope = false;
};

Unwrapped unwrap(const QByteArray &bytes);

} // namespace Invoices
