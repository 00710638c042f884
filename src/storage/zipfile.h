#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QIODevice>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

// Standard .zip files, as any archive program opens them: deflated entries
// (zlib), their modification time, and the ZIP64 fields where an entry or
// the file passes 4 GB. Entries are written and read in pieces, so an
// archive of hundreds of megabytes never sits in memory whole.
//
// Zips also come from outside (downloaded invoices, spreadsheets): the
// reader takes nothing in a file on trust. Every field is checked before
// it is added, allocated or read, entries that overlap are refused, and an
// entry's local header must agree with the central directory.
namespace Zip {

struct Entry
{
    QString name;         // decoded: UTF-8 when flagged so, else code page 437
    QByteArray nameBytes; // as stored in the file
    quint32 crc = 0;
    qint64 size = 0;   // as the file was
    qint64 packed = 0; // as stored
    quint16 method = 0; // 0 stored, 8 deflated
    qint64 headerOffset = 0;
    QDateTime modified;
    bool encrypted = false; // listed, but read() refuses it
};

// Writes entries one after the other to `out`, which is open for writing;
// finish() writes the central directory. After any failure every call
// returns false and errorString() says why.
class Writer
{
public:
    explicit Writer(QIODevice *out, int level = 6);
    ~Writer();
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    // `expectedSize`: the entry's size as far as it is known; from 4 GB on
    // the entry carries ZIP64 sizes. A name of more than 65 535 bytes in
    // UTF-8 fails, and so does such a comment in finish(): a zip has no
    // room for them, and a name cut short would name another file.
    bool begin(const QString &name, const QDateTime &modified, qint64 expectedSize);
    bool add(QByteArrayView bytes);
    bool end();
    bool finish(const QString &comment = QString());

    const QList<Entry> &entries() const { return m_entries; }
    QString errorString() const { return m_error; }

private:
    bool put(QByteArrayView bytes);
    bool deflateOut(int flush);
    bool fail(const QString &why);

    struct Stream;
    QIODevice *m_out;
    int m_level;
    std::unique_ptr<Stream> m_stream;
    QList<Entry> m_entries;
    QList<bool> m_zip64Entries;
    QByteArray m_buffer;
    qint64 m_offset = 0;
    bool m_zip64 = false;
    bool m_failed = false;
    QString m_error;
};

// Reads a zip file from `in`, open for reading and seekable. open() reads
// the central directory (at most 64 MB of it); read() hands an entry's
// bytes over in pieces, never more than the entry's declared size, and
// checks their length and CRC at the end.
class Reader
{
public:
    explicit Reader(QIODevice *in);

    bool open();
    const QList<Entry> &entries() const { return m_entries; }
    QString comment() const { return m_comment; }
    // Null when there is no entry of that name (any letter case).
    const Entry *find(const QString &name) const;

    // False when the entry is damaged, encrypted or packed by a method other
    // than store and deflate (errorString() says which), or when `take`
    // returns false. `entry` comes from entries() of a reader of the same
    // file.
    bool read(const Entry &entry, const std::function<bool(QByteArrayView)> &take);

    QString errorString() const { return m_error; }

private:
    bool fail(const QString &why);
    bool readAt(qint64 offset, qint64 n, QByteArray *into);

    QIODevice *m_in;
    QList<Entry> m_entries;
    QString m_comment;
    qint64 m_directoryOffset = 0;
    QString m_error;
};

} // namespace Zip
