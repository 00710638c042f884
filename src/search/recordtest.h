#pragma once

#include "storage/recordlayout.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

// A test of a record on its stored bytes, made while a scan walks the file.
// It runs under the scan's read guard (RecordFile::scanRuns): plain code
// only, no allocation, no exception.
class RecordTest
{
public:
    virtual ~RecordTest() = default;
    virtual bool accepts(const char *record) const = 0;
};

// The search windows' rule. Each term whose text is not blank once trimmed
// must occur in its record field (trimmed) as a contiguous piece of text,
// exactly as typed, blanks included, with only the letters A-Z folded; blank
// terms take no part. Without terms every record is accepted.
class FieldSearch : public RecordTest
{
public:
    struct Term
    {
        int field;
        QString text;
    };

    FieldSearch(const RecordLayout &layout, const QList<Term> &terms);

    // How many terms are not blank: what a record must match.
    int required() const { return int(m_needles.size()); }
    bool accepts(const char *record) const override;

private:
    struct Needle
    {
        int offset;
        int capacity;
        QByteArray folded; // Windows-1252, A-Z lower-cased
    };
    std::vector<Needle> m_needles;
    // A term holds a character that Windows-1252 lacks, so that no stored
    // text can contain it.
    bool m_impossible = false;
};

// A yes/no field that reads "Sì" once trimmed.
class YesField : public RecordTest
{
public:
    YesField(const RecordLayout &layout, int field);
    bool accepts(const char *record) const override;

private:
    int m_offset;
    int m_capacity;
};
