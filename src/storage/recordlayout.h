#pragma once

#include <QLatin1StringView>
#include <QString>

#include <span>
#include <vector>

// A record is the plain concatenation of short-string fields: a length byte
// followed by `capacity` bytes of Windows-1252 text. A layout is the ordered
// table of those fields; offsets and the record size follow from it.
struct FieldDef
{
    const char *name;
    int capacity; // 1..255 bytes of text
};

constexpr int layoutSize(std::span<const FieldDef> fields)
{
    int size = 0;
    for (const FieldDef &f : fields)
        size += f.capacity + 1;
    return size;
}

constexpr bool capacitiesValid(std::span<const FieldDef> fields)
{
    for (const FieldDef &f : fields) {
        if (f.capacity < 1 || f.capacity > 255)
            return false;
    }
    return true;
}

class RecordLayout
{
public:
    RecordLayout(QLatin1StringView kind, std::span<const FieldDef> fields);

    QLatin1StringView kind() const { return m_kind; }
    int size() const { return m_size; }
    int fieldCount() const { return int(m_fields.size()); }
    const FieldDef &field(int index) const { return m_fields[size_t(index)]; }
    QLatin1StringView fieldName(int index) const { return QLatin1StringView(m_fields[size_t(index)].name); }
    int capacity(int index) const { return m_fields[size_t(index)].capacity; }
    int offset(int index) const { return m_offsets[size_t(index)]; }
    // -1 when the layout has no such field.
    int indexOf(QLatin1StringView name) const;

private:
    QLatin1StringView m_kind;
    std::span<const FieldDef> m_fields;
    std::vector<int> m_offsets;
    int m_size = 0;
};

// Declares, from one X-macro list of (name, capacity), the field table
// `Fields`, an enum of field indexes with the same names, and `FieldCount`.
#define SCORTEX_FIELD_ENUM(name, capacity) name,
#define SCORTEX_FIELD_DEF(name, capacity) FieldDef{#name, capacity},
#define SCORTEX_DECLARE_FIELDS(LIST)                                           \
    enum Field : int { LIST(SCORTEX_FIELD_ENUM) FieldCount };                  \
    inline constexpr FieldDef Fields[] = { LIST(SCORTEX_FIELD_DEF) };          \
    static_assert(std::size(Fields) == FieldCount);                            \
    static_assert(capacitiesValid(Fields));
