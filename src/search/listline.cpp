#include "listline.h"

#include "products/productrecord.h"
#include "receipts/receiptrecord.h"
#include "storage/cp1252.h"
#include "suppliers/supplierrecord.h"

#include <algorithm>

FieldMap::FieldMap(const RecordLayout &layout)
    : m_layout(&layout), m_offsets(size_t(layout.fieldCount())), m_stride(layout.size())
{
    for (int f = 0; f < layout.fieldCount(); ++f) {
        m_fields.push_back(f);
        m_offsets[size_t(f)] = layout.offset(f);
    }
}

FieldMap::FieldMap(const RecordLayout &layout, const std::vector<int> &fields)
    : m_layout(&layout), m_offsets(size_t(layout.fieldCount()), -1)
{
    for (int f : fields) {
        if (m_offsets[size_t(f)] >= 0)
            continue;
        m_fields.push_back(f);
        m_offsets[size_t(f)] = m_stride;
        m_stride += layout.capacity(f) + 1;
    }
}

QByteArrayView FieldMap::raw(const char *record, int field) const
{
    const int at = m_offsets[size_t(field)];
    Q_ASSERT_X(at >= 0, "FieldMap::raw", "field not held");
    const char *p = record + at;
    const int length = qMin<int>(static_cast<unsigned char>(p[0]), m_layout->capacity(field));
    return QByteArrayView(p + 1, length);
}

QByteArrayView trimmedBytes(QByteArrayView bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && static_cast<unsigned char>(bytes[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(bytes[end - 1]) <= 32)
        --end;
    return bytes.sliced(begin, end - begin);
}

QByteArrayView FieldsView::trimmed(int field) const
{
    return trimmedBytes(raw(field));
}

QString FieldsView::text(int field) const
{
    return Cp1252::decode(trimmed(field));
}

namespace {

void appendDecoded(QString &out, QByteArrayView bytes)
{
    const qsizetype at = out.size();
    out.resize(at + bytes.size());
    QChar *d = out.data() + at;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        d[i] = Cp1252::decodeByte(static_cast<unsigned char>(bytes[i]));
}

} // namespace

LineFormat::LineFormat(const RecordLayout &layout, const std::vector<LineColumn> &columns)
    : m_layout(&layout), m_whole(layout)
{
    for (const LineColumn &c : columns) {
        m_columns.push_back({QString::fromUtf8(c.literal), c.field, c.joined, c.width});
        m_typical += m_columns.back().literal.size() + (c.width > 0 ? c.width : 40);
        for (int f : {c.field, c.joined}) {
            if (f >= 0 && std::find(m_fields.begin(), m_fields.end(), f) == m_fields.end())
                m_fields.push_back(f);
        }
    }
}

QString LineFormat::build(const FieldsView &record) const
{
    QString out;
    out.reserve(m_typical);
    for (const Column &c : m_columns) {
        out += c.literal;
        if (c.field < 0)
            continue;
        const qsizetype start = out.size();
        appendDecoded(out, record.trimmed(c.field));
        if (c.joined >= 0) {
            out += u' ';
            appendDecoded(out, record.trimmed(c.joined));
        }
        if (c.width > 0)
            out.resize(start + c.width, u' ');
    }
    return out;
}

QString LineFormat::build(QByteArrayView wholeRecord) const
{
    Q_ASSERT(wholeRecord.size() == m_layout->size());
    return build(FieldsView{wholeRecord.data(), &m_whole});
}

namespace LineFormats {

const LineFormat &fornitori()
{
    using namespace SupplierRecord;
    static const LineFormat format(layout(), {{"", Ditta, -1, 30},
                                              {"  ", Titolare, -1, 30},
                                              {"  Tel. ", Recapito, -1, 20},
                                              {"  ", Note}});
    return format;
}

const LineFormat &ricontatta()
{
    using namespace SupplierRecord;
    static const LineFormat format(layout(), {{"", Ditta, -1, 30},
                                              {"  ", Titolare, -1, 30},
                                              {"  Tel. ", Recapito, -1, 20},
                                              {"  ", Questioni}});
    return format;
}

const LineFormat &magazzino()
{
    using namespace ProductRecord;
    static const LineFormat format(layout(), {{"", Codice, -1, 30},
                                              {"  ", Marca, Modello, 40},
                                              {"  Costo: ", Costo, -1, 12},
                                              {"  Giacenza: ", Giacenza, -1, 12},
                                              {"  Note: ", Note}});
    return format;
}

const LineFormat &carichi()
{
    using namespace ReceiptRecord;
    static const LineFormat format(layout(), {{"Data: ", Data, -1, 10},
                                              {"  Cod. ", Codice, -1, 18},
                                              {"  Quant. ", Quant, -1, 10},
                                              {"  Tipo ", Tipologia, -1, 28},
                                              {"  ", Descrizione, -1, 37},
                                              {"  Tot. \u20AC ", CostoTot}});
    return format;
}

} // namespace LineFormats
