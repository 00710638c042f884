#include "zipfile.h"

#include <QtEndian>

#include <zlib.h>

#include <cstring>

namespace Zip {

namespace {

constexpr quint32 kLocalHeader = 0x04034b50;
constexpr quint32 kDataDescriptor = 0x08074b50;
constexpr quint32 kCentralHeader = 0x02014b50;
constexpr quint32 kEnd = 0x06054b50;
constexpr quint32 kEnd64 = 0x06064b50;
constexpr quint32 kEnd64Locator = 0x07064b50;
constexpr quint16 kZip64Extra = 0x0001;
constexpr quint16 kNtfsExtra = 0x000a;
// Sizes are followed by a data descriptor; names are UTF-8.
constexpr quint16 kFlags = 0x0008 | 0x0800;
constexpr qint64 kMax32 = 0xFFFFFFFFLL;
constexpr qint64 kChunk = 256 * 1024;
// 100 ns ticks from 1601-01-01 to 1970-01-01.
constexpr qint64 kFileTimeEpoch = 116444736000000000LL;

class Out
{
public:
    void u16(quint16 v) { raw(&v, 2); }
    void u32(quint32 v) { raw(&v, 4); }
    void u64(quint64 v) { raw(&v, 8); }
    void bytes(const QByteArray &b) { m_bytes += b; }
    const QByteArray &data() const { return m_bytes; }

private:
    template<typename T>
    void raw(T *v, int n)
    {
        const T le = qToLittleEndian(*v);
        m_bytes.append(reinterpret_cast<const char *>(&le), n);
    }
    QByteArray m_bytes;
};

quint16 u16At(const QByteArray &b, qint64 at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

quint32 u32At(const QByteArray &b, qint64 at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

quint64 u64At(const QByteArray &b, qint64 at)
{
    return qFromLittleEndian<quint64>(b.constData() + at);
}

void dosTime(const QDateTime &when, quint16 *time, quint16 *date)
{
    QDateTime local = when.isValid() ? when.toLocalTime() : QDateTime(QDate(1980, 1, 1), QTime(0, 0));
    if (local.date().year() < 1980)
        local = QDateTime(QDate(1980, 1, 1), QTime(0, 0));
    if (local.date().year() > 2107)
        local = QDateTime(QDate(2107, 12, 31), QTime(23, 59, 58));
    const QTime t = local.time();
    const QDate d = local.date();
    *time = quint16((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2));
    *date = quint16(((d.year() - 1980) << 9) | (d.month() << 5) | d.day());
}

QDateTime fromDos(quint16 time, quint16 date)
{
    return QDateTime(QDate(1980 + (date >> 9), (date >> 5) & 15, date & 31),
                     QTime(time >> 11, (time >> 5) & 63, (time & 31) * 2));
}

QByteArray ntfsExtra(const QDateTime &when)
{
    // The modification time to the millisecond, which the DOS time (two
    // seconds, local time) cannot hold.
    Out x;
    const quint64 ticks = quint64(when.toMSecsSinceEpoch() * 10000 + kFileTimeEpoch);
    x.u16(kNtfsExtra);
    x.u16(32);
    x.u32(0);
    x.u16(1);
    x.u16(24);
    x.u64(ticks); // modified
    x.u64(ticks); // accessed
    x.u64(ticks); // created
    return x.data();
}

} // namespace

// ---------------------------------------------------------------- writing

struct Writer::Stream
{
    z_stream z{};
    bool open = false;
    quint32 crc = 0;
    qint64 size = 0;
    ~Stream()
    {
        if (open)
            deflateEnd(&z);
    }
};

Writer::Writer(QIODevice *out, int level) : m_out(out), m_level(level) {}

Writer::~Writer() = default;

bool Writer::fail(const QString &why)
{
    if (!m_failed)
        m_error = why;
    m_failed = true;
    return false;
}

bool Writer::put(QByteArrayView bytes)
{
    if (m_failed)
        return false;
    if (m_out->write(bytes.data(), bytes.size()) != bytes.size())
        return fail(m_out->errorString());
    m_offset += bytes.size();
    return true;
}

bool Writer::begin(const QString &name, const QDateTime &modified, qint64 expectedSize)
{
    if (m_failed)
        return false;
    if (m_stream)
        return fail(QStringLiteral("voce precedente non chiusa"));
    Entry e;
    e.name = name;
    e.method = 8;
    e.headerOffset = m_offset;
    e.modified = modified;
    // An archive can grow while it is copied: a margin keeps the choice safe.
    m_zip64 = expectedSize >= kMax32 - (64 << 20) || m_offset >= kMax32;
    const QByteArray fileName = name.toUtf8();
    QByteArray extra = ntfsExtra(modified);
    if (m_zip64) {
        Out z;
        z.u16(kZip64Extra);
        z.u16(16);
        z.u64(0);
        z.u64(0);
        extra = z.data() + extra;
    }
    quint16 time, date;
    dosTime(modified, &time, &date);
    Out h;
    h.u32(kLocalHeader);
    h.u16(m_zip64 ? 45 : 20);
    h.u16(kFlags);
    h.u16(e.method);
    h.u16(time);
    h.u16(date);
    h.u32(0);
    h.u32(m_zip64 ? quint32(kMax32) : 0);
    h.u32(m_zip64 ? quint32(kMax32) : 0);
    h.u16(quint16(fileName.size()));
    h.u16(quint16(extra.size()));
    h.bytes(fileName);
    h.bytes(extra);
    m_stream = std::make_unique<Stream>();
    // Raw deflate: the zip headers take the place of zlib's own.
    if (deflateInit2(&m_stream->z, m_level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        m_stream.reset();
        return fail(QStringLiteral("compressione non disponibile"));
    }
    m_stream->open = true;
    m_stream->crc = quint32(crc32(0, nullptr, 0));
    m_entries.append(e);
    m_buffer.resize(kChunk);
    return put(h.data());
}

bool Writer::deflateOut(int flush)
{
    z_stream &z = m_stream->z;
    do {
        z.next_out = reinterpret_cast<Bytef *>(m_buffer.data());
        z.avail_out = uInt(m_buffer.size());
        const int rc = deflate(&z, flush);
        if (rc == Z_STREAM_ERROR)
            return fail(QStringLiteral("errore di compressione"));
        const qint64 produced = m_buffer.size() - z.avail_out;
        if (produced > 0 && !put(QByteArrayView(m_buffer.constData(), produced)))
            return false;
        m_entries.last().packed += produced;
        if (flush == Z_FINISH && rc == Z_STREAM_END)
            return true;
    } while (z.avail_out == 0 || (flush == Z_FINISH));
    return true;
}

bool Writer::add(QByteArrayView bytes)
{
    if (m_failed)
        return false;
    if (!m_stream)
        return fail(QStringLiteral("nessuna voce aperta"));
    const char *p = bytes.data();
    qint64 left = bytes.size();
    while (left > 0) {
        // zlib counts in 32 bits.
        const uInt n = uInt(qMin<qint64>(left, 1 << 30));
        m_stream->crc = quint32(crc32(m_stream->crc, reinterpret_cast<const Bytef *>(p), n));
        m_stream->z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(p));
        m_stream->z.avail_in = n;
        if (!deflateOut(Z_NO_FLUSH))
            return false;
        m_stream->size += n;
        p += n;
        left -= n;
    }
    return true;
}

bool Writer::end()
{
    if (m_failed)
        return false;
    if (!m_stream)
        return fail(QStringLiteral("nessuna voce aperta"));
    m_stream->z.next_in = nullptr;
    m_stream->z.avail_in = 0;
    if (!deflateOut(Z_FINISH))
        return false;
    Entry &e = m_entries.last();
    e.crc = m_stream->crc;
    e.size = m_stream->size;
    m_stream.reset();
    if (!m_zip64 && (e.size >= kMax32 || e.packed >= kMax32))
        return fail(QStringLiteral("il file %1 è cresciuto oltre 4 GB durante la copia").arg(e.name));
    Out d;
    d.u32(kDataDescriptor);
    d.u32(e.crc);
    if (m_zip64) {
        d.u64(quint64(e.packed));
        d.u64(quint64(e.size));
    } else {
        d.u32(quint32(e.packed));
        d.u32(quint32(e.size));
    }
    // The central directory repeats the ZIP64 fields of such an entry.
    m_zip64Entries.append(m_zip64);
    return put(d.data());
}

bool Writer::finish(const QString &comment)
{
    if (m_failed)
        return false;
    if (m_stream)
        return fail(QStringLiteral("voce non chiusa"));
    const qint64 directoryOffset = m_offset;
    Out cd;
    for (int i = 0; i < m_entries.size(); ++i) {
        const Entry &e = m_entries[i];
        const bool big = m_zip64Entries[i] || e.headerOffset >= kMax32;
        const QByteArray fileName = e.name.toUtf8();
        QByteArray extra = ntfsExtra(e.modified);
        if (big) {
            Out z;
            z.u16(kZip64Extra);
            z.u16(24);
            z.u64(quint64(e.size));
            z.u64(quint64(e.packed));
            z.u64(quint64(e.headerOffset));
            extra = z.data() + extra;
        }
        quint16 time, date;
        dosTime(e.modified, &time, &date);
        cd.u32(kCentralHeader);
        cd.u16(big ? 45 : 20); // made by: MS-DOS attributes
        cd.u16(big ? 45 : 20);
        cd.u16(kFlags);
        cd.u16(e.method);
        cd.u16(time);
        cd.u16(date);
        cd.u32(e.crc);
        cd.u32(big ? quint32(kMax32) : quint32(e.packed));
        cd.u32(big ? quint32(kMax32) : quint32(e.size));
        cd.u16(quint16(fileName.size()));
        cd.u16(quint16(extra.size()));
        cd.u16(0);
        cd.u16(0);
        cd.u16(0);
        cd.u32(0x20); // archive attribute
        cd.u32(big ? quint32(kMax32) : quint32(e.headerOffset));
        cd.bytes(fileName);
        cd.bytes(extra);
    }
    if (!put(cd.data()))
        return false;
    const qint64 directorySize = cd.data().size();
    const QByteArray note = comment.toUtf8().left(0xFFFF);
    Out end;
    const bool big = directoryOffset >= kMax32 || m_entries.size() >= 0xFFFF;
    if (big) {
        const qint64 end64 = m_offset;
        end.u32(kEnd64);
        end.u64(44);
        end.u16(45);
        end.u16(45);
        end.u32(0);
        end.u32(0);
        end.u64(quint64(m_entries.size()));
        end.u64(quint64(m_entries.size()));
        end.u64(quint64(directorySize));
        end.u64(quint64(directoryOffset));
        end.u32(kEnd64Locator);
        end.u32(0);
        end.u64(quint64(end64));
        end.u32(1);
    }
    end.u32(kEnd);
    end.u16(0);
    end.u16(0);
    end.u16(big ? 0xFFFF : quint16(m_entries.size()));
    end.u16(big ? 0xFFFF : quint16(m_entries.size()));
    end.u32(quint32(directorySize));
    end.u32(big ? quint32(kMax32) : quint32(directoryOffset));
    end.u16(quint16(note.size()));
    end.bytes(note);
    return put(end.data());
}

// ---------------------------------------------------------------- reading

Reader::Reader(QIODevice *in) : m_in(in) {}

bool Reader::fail(const QString &why)
{
    m_error = why;
    return false;
}

bool Reader::readAt(qint64 offset, qint64 n, QByteArray *into)
{
    if (offset < 0 || n < 0 || !m_in->seek(offset))
        return false;
    *into = m_in->read(n);
    return into->size() == n;
}

const Entry *Reader::find(const QString &name) const
{
    for (const Entry &e : m_entries) {
        if (e.name.compare(name, Qt::CaseInsensitive) == 0)
            return &e;
    }
    return nullptr;
}

bool Reader::open()
{
    m_entries.clear();
    const qint64 size = m_in->size();
    const qint64 tailSize = qMin<qint64>(size, 22 + 0xFFFF);
    QByteArray tail;
    if (size < 22 || !readAt(size - tailSize, tailSize, &tail))
        return fail(QStringLiteral("non è un file zip"));
    qint64 at = -1;
    for (qint64 i = tail.size() - 22; i >= 0; --i) {
        if (u32At(tail, i) == kEnd && i + 22 + u16At(tail, i + 20) == tail.size()) {
            at = i;
            break;
        }
    }
    if (at < 0)
        return fail(QStringLiteral("fine del file zip non trovata: il file è incompleto o danneggiato"));
    qint64 count = u16At(tail, at + 10);
    qint64 directorySize = u32At(tail, at + 12);
    qint64 directoryOffset = u32At(tail, at + 16);
    m_comment = QString::fromUtf8(tail.mid(at + 22, u16At(tail, at + 20)));
    const qint64 endOffset = size - tailSize + at;
    if (count == 0xFFFF || directoryOffset == kMax32 || directorySize == kMax32) {
        QByteArray locator, end64;
        if (!readAt(endOffset - 20, 20, &locator) || u32At(locator, 0) != kEnd64Locator
            || !readAt(qint64(u64At(locator, 8)), 56, &end64) || u32At(end64, 0) != kEnd64)
            return fail(QStringLiteral("indice ZIP64 danneggiato"));
        count = qint64(u64At(end64, 32));
        directorySize = qint64(u64At(end64, 40));
        directoryOffset = qint64(u64At(end64, 48));
    }
    // Damaged values are refused before they are added or read: a 64-bit
    // field could overflow a sum or ask for more memory than there is.
    QByteArray cd;
    if (directoryOffset < 0 || directorySize < 0 || directoryOffset > endOffset
        || directorySize > endOffset - directoryOffset || count < 0 || count > directorySize / 46
        || !readAt(directoryOffset, directorySize, &cd))
        return fail(QStringLiteral("indice del file zip danneggiato"));
    m_directoryOffset = directoryOffset;
    qint64 p = 0;
    for (qint64 i = 0; i < count; ++i) {
        if (p + 46 > cd.size() || u32At(cd, p) != kCentralHeader)
            return fail(QStringLiteral("indice del file zip danneggiato"));
        Entry e;
        e.method = u16At(cd, p + 10);
        const quint16 time = u16At(cd, p + 12), date = u16At(cd, p + 14);
        e.crc = u32At(cd, p + 16);
        e.packed = u32At(cd, p + 20);
        e.size = u32At(cd, p + 24);
        const int nameLength = u16At(cd, p + 28), extraLength = u16At(cd, p + 30), noteLength = u16At(cd, p + 32);
        e.headerOffset = u32At(cd, p + 42);
        if (p + 46 + nameLength + extraLength + noteLength > cd.size())
            return fail(QStringLiteral("indice del file zip danneggiato"));
        e.name = QString::fromUtf8(cd.mid(p + 46, nameLength));
        e.modified = fromDos(time, date);
        qint64 x = p + 46 + nameLength;
        const qint64 xEnd = x + extraLength;
        while (x + 4 <= xEnd) {
            const quint16 id = u16At(cd, x), n = u16At(cd, x + 2);
            if (x + 4 + n > xEnd)
                break;
            if (id == kZip64Extra) {
                qint64 f = x + 4;
                auto next = [&](qint64 *field) {
                    if (*field == kMax32 && f + 8 <= x + 4 + n) {
                        *field = qint64(u64At(cd, f));
                        f += 8;
                    }
                };
                next(&e.size);
                next(&e.packed);
                next(&e.headerOffset);
            } else if (id == kNtfsExtra && n >= 32 && u16At(cd, x + 8) == 1 && u16At(cd, x + 10) >= 8) {
                const quint64 ticks = u64At(cd, x + 12);
                if (ticks >= quint64(kFileTimeEpoch) && ticks < quint64(kFileTimeEpoch) * 4)
                    e.modified = QDateTime::fromMSecsSinceEpoch(qint64(ticks - quint64(kFileTimeEpoch)) / 10000);
            }
            x += 4 + n;
        }
        if (e.size < 0 || e.packed < 0 || e.headerOffset < 0 || e.headerOffset > directoryOffset - 30
            || e.packed > directoryOffset - 30 - e.headerOffset)
            return fail(QStringLiteral("indice del file zip danneggiato"));
        m_entries.append(e);
        p += 46 + nameLength + extraLength + noteLength;
    }
    return true;
}

bool Reader::read(const Entry &e, const std::function<bool(QByteArrayView)> &take)
{
    QByteArray header;
    if (!readAt(e.headerOffset, 30, &header) || u32At(header, 0) != kLocalHeader)
        return fail(QStringLiteral("%1: intestazione danneggiata").arg(e.name));
    const qint64 start = e.headerOffset + 30 + u16At(header, 26) + u16At(header, 28);
    if (start > m_directoryOffset || e.packed > m_directoryOffset - start || !m_in->seek(start))
        return fail(QStringLiteral("%1: dati incompleti").arg(e.name));
    if (e.method != 0 && e.method != 8)
        return fail(QStringLiteral("%1: metodo di compressione %2 non gestito").arg(e.name).arg(e.method));

    quint32 crc = quint32(crc32(0, nullptr, 0));
    qint64 produced = 0;
    qint64 left = e.packed;
    QByteArray in(int(qMin<qint64>(kChunk, qMax<qint64>(left, 1))), Qt::Uninitialized);
    QByteArray out(kChunk, Qt::Uninitialized);
    auto give = [&](const char *p, qint64 n) {
        crc = quint32(crc32(crc, reinterpret_cast<const Bytef *>(p), uInt(n)));
        produced += n;
        return produced <= e.size && take(QByteArrayView(p, n));
    };

    if (e.method == 0) {
        while (left > 0) {
            const qint64 n = m_in->read(in.data(), qMin<qint64>(left, in.size()));
            if (n <= 0)
                return fail(QStringLiteral("%1: dati incompleti").arg(e.name));
            left -= n;
            if (!give(in.constData(), n))
                return produced > e.size ? fail(QStringLiteral("%1: dati danneggiati").arg(e.name)) : false;
        }
    } else {
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
            return fail(QStringLiteral("decompressione non disponibile"));
        struct End
        {
            z_stream *z;
            ~End() { inflateEnd(z); }
        } guard{&z};
        int rc = Z_OK;
        while (rc != Z_STREAM_END) {
            if (z.avail_in == 0) {
                if (left == 0)
                    return fail(QStringLiteral("%1: dati incompleti").arg(e.name));
                const qint64 n = m_in->read(in.data(), qMin<qint64>(left, in.size()));
                if (n <= 0)
                    return fail(QStringLiteral("%1: dati incompleti").arg(e.name));
                left -= n;
                z.next_in = reinterpret_cast<Bytef *>(in.data());
                z.avail_in = uInt(n);
            }
            z.next_out = reinterpret_cast<Bytef *>(out.data());
            z.avail_out = uInt(out.size());
            rc = inflate(&z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && !(rc == Z_BUF_ERROR && z.avail_in == 0))
                return fail(QStringLiteral("%1: dati danneggiati").arg(e.name));
            const qint64 n = out.size() - z.avail_out;
            if (n > 0 && !give(out.constData(), n))
                return produced > e.size ? fail(QStringLiteral("%1: dati danneggiati").arg(e.name)) : false;
        }
    }
    if (produced != e.size || crc != e.crc)
        return fail(QStringLiteral("%1: dati danneggiati (controllo CRC non superato)").arg(e.name));
    return true;
}

} // namespace Zip
