#include "zipfile.h"

#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <utility>

namespace Zip {

namespace {

constexpr quint16 kZip64Extra = 0x0001;
constexpr quint16 kNtfsExtra = 0x000a;
constexpr quint16 kUnicodePathExtra = 0x7075;
// General purpose flags.
constexpr quint16 kEncryptedFlag = 0x0001;
constexpr quint16 kDescriptorFlag = 0x0008;
constexpr quint16 kStrongEncryptionFlag = 0x0040;
constexpr quint16 kUtf8Flag = 0x0800;
constexpr quint16 kMaskedHeaderFlag = 0x2000; // encrypted directory, local headers blanked
constexpr quint16 kAnyEncryption = kEncryptedFlag | kStrongEncryptionFlag | kMaskedHeaderFlag;
// Sizes are followed by a data descriptor; names are UTF-8.
constexpr quint16 kFlags = kDescriptorFlag | kUtf8Flag;
constexpr qint64 kMax16 = 0xFFFF;
constexpr qint64 kMax32 = 0xFFFFFFFFLL;
constexpr qint64 kChunk = 256 * 1024;
// The directory is read whole: a bound keeps a hostile one from asking for
// gigabytes. 64 MB is hundreds of thousands of entries with ordinary names,
// and, at 46 bytes a header, never more than 1.46 million entries.
constexpr qint64 kMaxDirectory = 64 << 20;
// 100 ns ticks from 1601-01-01 to 1970-01-01.
constexpr qint64 kFileTimeEpoch = 116444736000000000LL;

// Reads little-endian fields one after the other. Past the end of its
// bytes it yields zeros and ok() turns false: it never reads past them.
class In
{
public:
    explicit In(QByteArrayView bytes) : m_bytes(bytes) {}
    void operator()(quint16 &v) { v = take<quint16>(); }
    void operator()(quint32 &v) { v = take<quint32>(); }
    void operator()(quint64 &v) { v = take<quint64>(); }
    quint16 u16() { return take<quint16>(); }
    quint32 u32() { return take<quint32>(); }
    quint64 u64() { return take<quint64>(); }
    QByteArrayView bytes(qint64 n)
    {
        if (!m_ok || n < 0 || n > m_bytes.size() - m_at) {
            m_ok = false;
            return {};
        }
        m_at += n;
        return m_bytes.sliced(m_at - n, n);
    }
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_at == m_bytes.size(); }

private:
    template<typename T>
    T take()
    {
        if (!m_ok || m_bytes.size() - m_at < qsizetype(sizeof(T))) {
            m_ok = false;
            return 0;
        }
        m_at += sizeof(T);
        return qFromLittleEndian<T>(m_bytes.data() + m_at - sizeof(T));
    }
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
    bool m_ok = true;
};

class Out
{
public:
    void operator()(quint16 v) { raw(v); }
    void operator()(quint32 v) { raw(v); }
    void operator()(quint64 v) { raw(v); }
    void bytes(QByteArrayView b) { m_bytes += b; }
    const QByteArray &data() const { return m_bytes; }

private:
    template<typename T>
    void raw(T v)
    {
        const T le = qToLittleEndian(v);
        m_bytes.append(reinterpret_cast<const char *>(&le), sizeof(T));
    }
    QByteArray m_bytes;
};

// The records of the format. Each lists its fields once, after its
// signature, in fields(): parse() and bytes() below read and write them
// from that list.

// The fields the local and the central header share, in this order.
struct HeaderFields
{
    quint16 versionNeeded = 20;
    quint16 flags = 0;
    quint16 method = 0;
    quint16 time = 0;
    quint16 date = 0;
    quint32 crc = 0;
    quint32 packed = 0;
    quint32 size = 0;
    quint16 nameLength = 0;
    quint16 extraLength = 0;
    template<typename Io>
    void fields(Io &io)
    {
        io(versionNeeded), io(flags), io(method), io(time), io(date), io(crc), io(packed), io(size),
            io(nameLength), io(extraLength);
    }
};

struct LocalHeader : HeaderFields
{
    static constexpr quint32 kSignature = 0x04034b50;
    static constexpr qint64 kSize = 30;
};

struct CentralHeader : HeaderFields
{
    static constexpr quint32 kSignature = 0x02014b50;
    static constexpr qint64 kSize = 46;
    quint16 versionMadeBy = 20; // MS-DOS attributes; first in the file
    quint16 commentLength = 0;
    quint16 diskStart = 0;
    quint16 internalAttributes = 0;
    quint32 externalAttributes = 0;
    quint32 localOffset = 0;
    template<typename Io>
    void fields(Io &io)
    {
        io(versionMadeBy);
        HeaderFields::fields(io);
        io(commentLength), io(diskStart), io(internalAttributes), io(externalAttributes), io(localOffset);
    }
};

struct EndRecord
{
    static constexpr quint32 kSignature = 0x06054b50;
    static constexpr qint64 kSize = 22;
    quint16 disk = 0;
    quint16 directoryDisk = 0;
    quint16 entriesOnDisk = 0;
    quint16 entries = 0;
    quint32 directorySize = 0;
    quint32 directoryOffset = 0;
    quint16 commentLength = 0;
    template<typename Io>
    void fields(Io &io)
    {
        io(disk), io(directoryDisk), io(entriesOnDisk), io(entries), io(directorySize), io(directoryOffset),
            io(commentLength);
    }
};

struct Zip64EndRecord
{
    static constexpr quint32 kSignature = 0x06064b50;
    static constexpr qint64 kSize = 56;
    quint64 recordSize = kSize - 12; // what follows this field
    quint16 versionMadeBy = 45;
    quint16 versionNeeded = 45;
    quint32 disk = 0;
    quint32 directoryDisk = 0;
    quint64 entriesOnDisk = 0;
    quint64 entries = 0;
    quint64 directorySize = 0;
    quint64 directoryOffset = 0;
    template<typename Io>
    void fields(Io &io)
    {
        io(recordSize), io(versionMadeBy), io(versionNeeded), io(disk), io(directoryDisk), io(entriesOnDisk),
            io(entries), io(directorySize), io(directoryOffset);
    }
};

struct Zip64Locator
{
    static constexpr quint32 kSignature = 0x07064b50;
    static constexpr qint64 kSize = 20;
    quint32 directoryDisk = 0;
    quint64 endOffset = 0; // of the Zip64EndRecord
    quint32 disks = 1;
    template<typename Io>
    void fields(Io &io)
    {
        io(directoryDisk), io(endOffset), io(disks);
    }
};

// After the data of an entry whose local header has kDescriptorFlag. The
// signature in front is optional, and the sizes take 8 bytes each when
// the local header has a ZIP64 field, 4 otherwise.
struct DataDescriptor
{
    static constexpr quint32 kSignature = 0x08074b50;
    static constexpr qint64 kMaxSize = 24;
    quint32 crc = 0;
    quint64 packed = 0;
    quint64 size = 0;

    static std::optional<DataDescriptor> parse(QByteArrayView b, bool signature, bool wide)
    {
        In in(b);
        if (signature && in.u32() != kSignature)
            return std::nullopt;
        DataDescriptor d;
        d.crc = in.u32();
        d.packed = wide ? in.u64() : in.u32();
        d.size = wide ? in.u64() : in.u32();
        return in.ok() ? std::optional(d) : std::nullopt;
    }
    QByteArray bytes(bool wide) const
    {
        Out out;
        out(kSignature);
        out(crc);
        if (wide) {
            out(packed);
            out(size);
        } else {
            out(quint32(packed));
            out(quint32(size));
        }
        return out.data();
    }
};

// The record at the start of `b`; none when its signature is not there or
// `b` is too short for it.
template<typename Record>
std::optional<Record> parse(QByteArrayView b)
{
    In in(b);
    if (in.u32() != Record::kSignature)
        return std::nullopt;
    Record r;
    r.fields(in);
    return in.ok() ? std::optional(r) : std::nullopt;
}

template<typename Record>
QByteArray bytes(Record r)
{
    Out out;
    out(Record::kSignature);
    r.fields(out);
    return out.data();
}

// The data of the first extra field `id` in `extra`.
std::optional<QByteArrayView> extraField(QByteArrayView extra, quint16 id)
{
    In in(extra);
    while (!in.atEnd()) {
        const quint16 fieldId = in.u16();
        const QByteArrayView data = in.bytes(in.u16());
        if (!in.ok())
            break;
        if (fieldId == id)
            return data;
    }
    return std::nullopt;
}

// The ZIP64 field holds 64-bit values for those of `fields`, in that order,
// that hold the 0xFFFFFFFF marker, and only for them.
void zip64Values(QByteArrayView field, std::initializer_list<qint64 *> fields)
{
    In in(field);
    for (qint64 *f : fields) {
        if (*f != kMax32)
            continue;
        const quint64 v = in.u64();
        if (!in.ok())
            return;
        *f = qint64(v);
    }
}

// Code page 437, the one the format names for names not flagged as UTF-8:
// bytes 0x80..0xFF. Qt's converters cannot be relied on for it (the
// Windows build has no ICU).
constexpr char16_t kCp437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

QString fromCp437(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        d[i] = QChar(b < 0x80 ? char16_t(b) : kCp437[b - 0x80]);
    }
    return out;
}

quint32 crcOf(QByteArrayView bytes)
{
    // Names and extra fields only: well under zlib's 32-bit count.
    return quint32(crc32(0, reinterpret_cast<const Bytef *>(bytes.data()), uInt(bytes.size())));
}

QString entryName(QByteArrayView name, QByteArrayView extra, quint16 flags)
{
    if (flags & kUtf8Flag)
        return QString::fromUtf8(name);
    // Info-ZIP's Unicode Path field: the name in UTF-8 beside the legacy
    // one, taken only while it still belongs to that name (its CRC), since
    // a tool that renamed the entry may have left it behind.
    if (const auto field = extraField(extra, kUnicodePathExtra)) {
        In in(*field);
        const QByteArrayView version = in.bytes(1);
        const quint32 nameCrc = in.u32();
        if (in.ok() && version[0] == 1 && nameCrc == crcOf(name))
            return QString::fromUtf8(field->sliced(5));
    }
    return fromCp437(name);
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

// The modification time to the millisecond, which the DOS time (two
// seconds, local time) cannot hold: the NTFS field's one tag, of three
// times (modified, accessed, created).
QByteArray ntfsExtra(const QDateTime &when)
{
    Out x;
    const quint64 ticks = quint64(when.toMSecsSinceEpoch() * 10000 + kFileTimeEpoch);
    x(kNtfsExtra);
    x(quint16(32));
    x(quint32(0)); // reserved
    x(quint16(1)); // tag
    x(quint16(24));
    x(ticks);
    x(ticks);
    x(ticks);
    return x.data();
}

std::optional<QDateTime> fromNtfsExtra(QByteArrayView field)
{
    In in(field);
    in.u32(); // reserved
    const quint16 tag = in.u16(), tagSize = in.u16();
    const quint64 ticks = in.u64();
    if (!in.ok() || tag != 1 || tagSize < 8 || ticks < quint64(kFileTimeEpoch) || ticks >= quint64(kFileTimeEpoch) * 4)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(qint64(ticks - quint64(kFileTimeEpoch)) / 10000);
}

QByteArray zip64Extra(std::initializer_list<qint64> values)
{
    Out z;
    z(kZip64Extra);
    z(quint16(8 * values.size()));
    for (const qint64 v : values)
        z(quint64(v));
    return z.data();
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
    e.nameBytes = name.toUtf8();
    if (e.nameBytes.size() > kMax16)
        return fail(QStringLiteral("%1…: nome troppo lungo per un file zip (oltre 65.535 byte)").arg(name.left(40)));
    e.method = 8;
    e.headerOffset = m_offset;
    e.modified = modified;
    // An archive can grow while it is copied: a margin keeps the choice safe.
    m_zip64 = expectedSize >= kMax32 - (64 << 20) || m_offset >= kMax32;
    // Sizes follow in the data descriptor; a ZIP64 entry says so here.
    QByteArray extra = (m_zip64 ? zip64Extra({0, 0}) : QByteArray()) + ntfsExtra(modified);
    LocalHeader h;
    h.versionNeeded = m_zip64 ? 45 : 20;
    h.flags = kFlags;
    h.method = e.method;
    dosTime(modified, &h.time, &h.date);
    h.packed = h.size = m_zip64 ? quint32(kMax32) : 0;
    h.nameLength = quint16(e.nameBytes.size());
    h.extraLength = quint16(extra.size());
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
    return put(bytes(h) + e.nameBytes + extra);
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
    // The central directory repeats the ZIP64 fields of such an entry.
    m_zip64Entries.append(m_zip64);
    return put(DataDescriptor{e.crc, quint64(e.packed), quint64(e.size)}.bytes(m_zip64));
}

bool Writer::finish(const QString &comment)
{
    if (m_failed)
        return false;
    if (m_stream)
        return fail(QStringLiteral("voce non chiusa"));
    const QByteArray note = comment.toUtf8();
    if (note.size() > kMax16)
        return fail(QStringLiteral("commento troppo lungo per un file zip (oltre 65.535 byte)"));
    const qint64 directoryOffset = m_offset;
    Out cd;
    for (int i = 0; i < m_entries.size(); ++i) {
        const Entry &e = m_entries[i];
        const bool big = m_zip64Entries[i] || e.headerOffset >= kMax32;
        const QByteArray extra = (big ? zip64Extra({e.size, e.packed, e.headerOffset}) : QByteArray())
                                 + ntfsExtra(e.modified);
        CentralHeader h;
        h.versionMadeBy = h.versionNeeded = big ? 45 : 20;
        h.flags = kFlags;
        h.method = e.method;
        dosTime(e.modified, &h.time, &h.date);
        h.crc = e.crc;
        h.packed = big ? quint32(kMax32) : quint32(e.packed);
        h.size = big ? quint32(kMax32) : quint32(e.size);
        h.nameLength = quint16(e.nameBytes.size());
        h.extraLength = quint16(extra.size());
        h.externalAttributes = 0x20; // archive attribute
        h.localOffset = big ? quint32(kMax32) : quint32(e.headerOffset);
        cd.bytes(bytes(h));
        cd.bytes(e.nameBytes);
        cd.bytes(extra);
    }
    if (!put(cd.data()))
        return false;
    const qint64 directorySize = cd.data().size();
    // Exactly 65 535 entries would fit the plain count, but 0xFFFF is also
    // the marker that sends a reader to the ZIP64 record. Written with the
    // record, every reader finds the right count, whichever way it takes
    // 0xFFFF; written plainly, only those that fall back when the record
    // is missing (this one does).
    const bool big = directoryOffset >= kMax32 || directorySize >= kMax32 || m_entries.size() >= kMax16;
    QByteArray tail;
    if (big) {
        Zip64EndRecord end64;
        end64.entriesOnDisk = end64.entries = quint64(m_entries.size());
        end64.directorySize = quint64(directorySize);
        end64.directoryOffset = quint64(directoryOffset);
        Zip64Locator locator;
        locator.endOffset = quint64(m_offset);
        tail = bytes(end64) + bytes(locator);
    }
    EndRecord end;
    end.entriesOnDisk = end.entries = big ? quint16(kMax16) : quint16(m_entries.size());
    end.directorySize = quint32(qMin(directorySize, kMax32));
    end.directoryOffset = big ? quint32(kMax32) : quint32(directoryOffset);
    end.commentLength = quint16(note.size());
    return put(tail + bytes(end) + note);
}

// ---------------------------------------------------------------- reading

namespace {

QString damagedDirectory()
{
    return QStringLiteral("indice del file zip danneggiato");
}

QString damagedZip64()
{
    return QStringLiteral("indice ZIP64 danneggiato");
}

} // namespace

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
    auto refuse = [this](const QString &why) {
        m_entries.clear();
        return fail(why);
    };
    m_entries.clear();
    m_comment.clear();
    m_directoryOffset = 0;
    const qint64 size = m_in->size();
    const qint64 tailSize = qMin<qint64>(size, EndRecord::kSize + kMax16);
    QByteArray tail;
    if (size < EndRecord::kSize || !readAt(size - tailSize, tailSize, &tail))
        return refuse(QStringLiteral("non è un file zip"));
    std::optional<EndRecord> end;
    qint64 at = tail.size() - EndRecord::kSize;
    for (; at >= 0; --at) {
        end = parse<EndRecord>(QByteArrayView(tail).sliced(at));
        if (end && at + EndRecord::kSize + end->commentLength == tail.size())
            break;
    }
    if (at < 0)
        return refuse(QStringLiteral("fine del file zip non trovata: il file è incompleto o danneggiato"));
    m_comment = QString::fromUtf8(QByteArrayView(tail).sliced(at + EndRecord::kSize));
    const qint64 endOffset = size - tailSize + at;
    qint64 count = end->entries;
    qint64 directorySize = end->directorySize;
    qint64 directoryOffset = end->directoryOffset;
    const bool markers = end->directorySize == kMax32 || end->directoryOffset == kMax32;
    if (markers || end->entries == kMax16) {
        // 0xFFFF is also a plain count of 65 535 entries, which some tools
        // write without a ZIP64 record: with no record behind it, the plain
        // values stand, unless one of them is a 32-bit marker.
        QByteArray bytes;
        std::optional<Zip64Locator> locator;
        if (readAt(endOffset - Zip64Locator::kSize, Zip64Locator::kSize, &bytes))
            locator = parse<Zip64Locator>(bytes);
        if (locator) {
            std::optional<Zip64EndRecord> end64;
            const qint64 last = endOffset - Zip64Locator::kSize - Zip64EndRecord::kSize;
            if (last >= 0 && locator->endOffset <= quint64(last)
                && readAt(qint64(locator->endOffset), Zip64EndRecord::kSize, &bytes))
                end64 = parse<Zip64EndRecord>(bytes);
            if (!end64)
                return refuse(damagedZip64());
            count = qint64(end64->entries);
            directorySize = qint64(end64->directorySize);
            directoryOffset = qint64(end64->directoryOffset);
        } else if (markers) {
            return refuse(damagedZip64());
        }
    }
    // Damaged values are refused before they are added or read: a 64-bit
    // field could overflow a sum or ask for more memory than there is.
    if (directoryOffset < 0 || directorySize < 0 || directoryOffset > endOffset
        || directorySize > endOffset - directoryOffset || count < 0 || count > directorySize / CentralHeader::kSize)
        return refuse(damagedDirectory());
    if (directorySize > kMaxDirectory)
        return refuse(QStringLiteral("indice del file zip troppo grande (oltre 64 MB): il file non si può leggere"));
    QByteArray cd;
    if (!readAt(directoryOffset, directorySize, &cd))
        return refuse(damagedDirectory());
    m_directoryOffset = directoryOffset;

    In in(cd);
    for (qint64 i = 0; i < count; ++i) {
        std::optional<CentralHeader> h = parse<CentralHeader>(in.bytes(CentralHeader::kSize));
        const QByteArrayView name = in.bytes(h ? h->nameLength : 0);
        const QByteArrayView extra = in.bytes(h ? h->extraLength : 0);
        in.bytes(h ? h->commentLength : 0);
        if (!h || !in.ok())
            return refuse(damagedDirectory());
        Entry e;
        e.name = entryName(name, extra, h->flags);
        e.nameBytes = name.toByteArray();
        e.method = h->method;
        e.crc = h->crc;
        e.packed = h->packed;
        e.size = h->size;
        e.headerOffset = h->localOffset;
        e.encrypted = h->flags & kAnyEncryption;
        if (const auto field = extraField(extra, kZip64Extra))
            zip64Values(*field, {&e.size, &e.packed, &e.headerOffset});
        std::optional<QDateTime> ntfs;
        if (const auto field = extraField(extra, kNtfsExtra))
            ntfs = fromNtfsExtra(*field);
        e.modified = ntfs ? *ntfs : fromDos(h->time, h->date);
        if (e.size < 0 || e.packed < 0 || e.packed > directoryOffset || e.headerOffset < 0)
            return refuse(damagedDirectory());
        m_entries.append(e);
    }
    // A directory holds its entries and nothing else: more headers than
    // the count says would be entries no one lists.
    if (!in.atEnd())
        return refuse(damagedDirectory());
    // Each entry's local header, name and data end before the next entry
    // and the directory begin. Entries that share bytes (a few kilobytes
    // read as gigabytes through many entries over the same data) are
    // refused.
    QList<std::pair<qint64, qint64>> spans;
    spans.reserve(m_entries.size());
    for (const Entry &e : std::as_const(m_entries))
        spans.append({e.headerOffset, LocalHeader::kSize + e.nameBytes.size() + e.packed});
    std::sort(spans.begin(), spans.end());
    qint64 free = 0;
    for (const auto &[offset, length] : std::as_const(spans)) {
        if (offset < free || length > directoryOffset - offset)
            return refuse(damagedDirectory());
        free = offset + length;
    }
    return true;
}

bool Reader::read(const Entry &e, const std::function<bool(QByteArrayView)> &take)
{
    if (e.encrypted)
        return fail(QStringLiteral("%1: voce cifrata con password, non si può leggere").arg(e.name));
    if (e.method != 0 && e.method != 8)
        return fail(QStringLiteral("%1: metodo di compressione %2 non gestito").arg(e.name).arg(e.method));
    const QString damaged = QStringLiteral("%1: dati danneggiati").arg(e.name);
    const QString incomplete = QStringLiteral("%1: dati incompleti").arg(e.name);
    const QString mismatch =
        QStringLiteral("%1: la voce non corrisponde all'indice del file zip: file danneggiato").arg(e.name);

    // The local header must tell what the directory tells: a program that
    // reads the local headers would otherwise find another file there.
    QByteArray header, nameAndExtra;
    std::optional<LocalHeader> local;
    if (readAt(e.headerOffset, LocalHeader::kSize, &header))
        local = parse<LocalHeader>(header);
    if (!local || !readAt(e.headerOffset + LocalHeader::kSize, local->nameLength + local->extraLength, &nameAndExtra))
        return fail(QStringLiteral("%1: intestazione danneggiata").arg(e.name));
    const QByteArrayView localName = QByteArrayView(nameAndExtra).first(local->nameLength);
    const std::optional<QByteArrayView> localZip64 =
        extraField(QByteArrayView(nameAndExtra).sliced(local->nameLength), kZip64Extra);
    bool agrees = localName == e.nameBytes && local->method == e.method && !(local->flags & kAnyEncryption);
    const bool descriptor = local->flags & kDescriptorFlag;
    if (!descriptor) {
        qint64 size = local->size, packed = local->packed;
        if (localZip64)
            zip64Values(*localZip64, {&size, &packed});
        agrees = agrees && local->crc == e.crc && size == e.size && packed == e.packed;
    }
    if (!agrees)
        return fail(mismatch);
    const qint64 start = e.headerOffset + LocalHeader::kSize + nameAndExtra.size();
    if (start > m_directoryOffset || e.packed > m_directoryOffset - start || !m_in->seek(start))
        return fail(incomplete);
    // Stored bytes are the file: any other count is not this entry.
    if (e.method == 0 && e.packed != e.size)
        return fail(damaged);

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
                return fail(incomplete);
            left -= n;
            if (!give(in.constData(), n))
                return produced > e.size ? fail(damaged) : false;
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
                    return fail(incomplete);
                const qint64 n = m_in->read(in.data(), qMin<qint64>(left, in.size()));
                if (n <= 0)
                    return fail(incomplete);
                left -= n;
                z.next_in = reinterpret_cast<Bytef *>(in.data());
                z.avail_in = uInt(n);
            }
            z.next_out = reinterpret_cast<Bytef *>(out.data());
            z.avail_out = uInt(out.size());
            rc = inflate(&z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && !(rc == Z_BUF_ERROR && z.avail_in == 0))
                return fail(damaged);
            const qint64 n = out.size() - z.avail_out;
            if (n > 0 && !give(out.constData(), n))
                return produced > e.size ? fail(damaged) : false;
        }
        // The stream must end where the entry ends: bytes after it are
        // data that no inflater hands over, a place to hide something.
        if (z.avail_in != 0 || left != 0)
            return fail(damaged);
    }
    if (produced != e.size || crc != e.crc)
        return fail(QStringLiteral("%1: dati danneggiati (controllo CRC non superato)").arg(e.name));
    if (descriptor) {
        // Whatever its layout (the signature is optional, the sizes are 64-bit
        // in some writers' ZIP64 entries only), it must repeat the directory.
        const qint64 after = start + e.packed;
        QByteArray bytes;
        if (!readAt(after, qMin(DataDescriptor::kMaxSize, m_directoryOffset - after), &bytes))
            return fail(mismatch);
        bool found = false;
        for (const bool signature : {true, false}) {
            for (const bool wide : {true, false}) {
                const std::optional<DataDescriptor> d = DataDescriptor::parse(bytes, signature, wide);
                found = found
                        || (d && d->crc == e.crc && d->packed == quint64(e.packed) && d->size == quint64(e.size));
            }
        }
        if (!found)
            return fail(mismatch);
    }
    return true;
}

} // namespace Zip
