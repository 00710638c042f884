// Any bytes as a zip from outside: open() and read() either succeed or say
// why; read() never hands over more than an entry's declared size, a read
// that succeeds matched its size and CRC, an encrypted entry is never read,
// and what was read writes and reads back the same.

#include "storage/zipfile.h"

#include <QBuffer>
#include <QByteArray>

#include <zlib.h>

#include <cstdlib>

namespace {

// Output of one input at most: a small file may declare gigabytes.
constexpr qint64 kBudget = 8 << 20;
constexpr int kRoundTrip = 8;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    Zip::Reader reader(&buffer);
    if (!reader.open()) {
        check(!reader.errorString().isEmpty() && reader.entries().isEmpty());
        return 0;
    }
    qint64 budget = kBudget;
    QList<std::pair<Zip::Entry, QByteArray>> read;
    for (const Zip::Entry &e : reader.entries()) {
        check(e.size >= 0 && e.packed >= 0 && e.headerOffset >= 0 && e.headerOffset + e.packed < qint64(size));
        qint64 handed = 0;
        quint32 crc = quint32(crc32(0, nullptr, 0));
        QByteArray content;
        bool stopped = false;
        const bool ok = reader.read(e, [&](QByteArrayView b) {
            handed += b.size();
            check(handed <= e.size);
            if (b.size() > budget) {
                stopped = true;
                return false;
            }
            budget -= b.size();
            crc = quint32(crc32(crc, reinterpret_cast<const Bytef *>(b.data()), uInt(b.size())));
            content += b;
            return true;
        });
        if (ok) {
            check(!e.encrypted && handed == e.size && crc == e.crc);
            if (read.size() < kRoundTrip)
                read.append({e, content});
        } else {
            check(stopped || !reader.errorString().isEmpty());
        }
    }

    // What was read, written by the writer, reads back the same.
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    Zip::Writer writer(&out, 1);
    for (const auto &[e, content] : read) {
        if (!writer.begin(e.name, e.modified, content.size()) || !writer.add(content) || !writer.end()) {
            // Only a name too long for UTF-8 in 65 535 bytes is refused.
            check(e.name.toUtf8().size() > 0xFFFF && !writer.errorString().isEmpty());
            return 0;
        }
    }
    // A comment of bytes that are not UTF-8 grows when written as UTF-8.
    const bool fits = reader.comment().toUtf8().size() <= 0xFFFF;
    check(writer.finish(reader.comment()) == fits && (fits || !writer.errorString().isEmpty()));
    if (!fits)
        return 0;
    out.close();
    out.open(QIODevice::ReadOnly);
    Zip::Reader back(&out);
    check(back.open() && back.entries().size() == read.size() && back.comment() == reader.comment());
    for (qsizetype i = 0; i < read.size(); ++i) {
        const Zip::Entry &e = back.entries()[i];
        check(e.name == read[i].first.name && !e.encrypted);
        QByteArray again;
        check(back.read(e, [&](QByteArrayView b) {
            again += b;
            return true;
        }));
        check(again == read[i].second);
    }
    return 0;
}
