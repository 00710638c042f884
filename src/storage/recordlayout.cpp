#include "recordlayout.h"

RecordLayout::RecordLayout(QLatin1StringView kind, std::span<const FieldDef> fields)
    : m_kind(kind), m_fields(fields)
{
    m_offsets.reserve(fields.size());
    for (const FieldDef &f : fields) {
        m_offsets.push_back(m_size);
        m_size += f.capacity + 1;
    }
}

int RecordLayout::indexOf(QLatin1StringView name) const
{
    for (int i = 0; i < fieldCount(); ++i) {
        if (fieldName(i) == name)
            return i;
    }
    return -1;
}
