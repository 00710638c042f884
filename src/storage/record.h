#pragma once

#include "recordlayout.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Field encoding of one record buffer.
namespace ShortString {

// Trimmed (codes <= 32), converted to Windows-1252 and cut to `capacity`
// bytes; the length byte first, then the text, then zeros up to capacity.
void write(char *field, int capacity, QStringView value);

// The text of a field; a length byte above the capacity counts as the
// capacity, so nothing beyond the field is ever taken. Trimmed.
QString read(const char *field, int capacity);

// The stored bytes of the text, without decoding or trimming.
QByteArrayView rawText(const char *field, int capacity);

// Bytes without those of code 32 or lower at either end: the trimming rule
// on stored text. Plain code, for scans that never decode what they skip.
inline QByteArrayView trimmed(QByteArrayView bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && static_cast<unsigned char>(bytes[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(bytes[end - 1]) <= 32)
        --end;
    return bytes.sliced(begin, end - begin);
}

// The stored text of a field, trimmed, as bytes.
inline QByteArrayView trimmedText(const char *field, int capacity)
{
    return trimmed(QByteArrayView(field + 1, qMin<int>(static_cast<unsigned char>(field[0]), capacity)));
}

} // namespace ShortString

// Yes/no fields hold "Sì" or "No".
namespace YesNo {
QString text(bool yes);
// nullopt for any other text: the reader then leaves its control as it was.
std::optional<bool> read(QStringView text);
} // namespace YesNo

// One record of any layout, held as its bytes.
class Record
{
public:
    explicit Record(const RecordLayout &layout);
    Record(const RecordLayout &layout, QByteArrayView bytes);

    const RecordLayout &layout() const { return *m_layout; }
    const QByteArray &bytes() const { return m_bytes; }

    QString value(int field) const;
    void setValue(int field, QStringView value);

    // The length byte as stored, which a damaged file may set above capacity.
    int storedLength(int field) const;

private:
    const RecordLayout *m_layout;
    QByteArray m_bytes;
};
