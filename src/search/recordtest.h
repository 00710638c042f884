#pragma once

#include "storage/recordlayout.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

// A test of a record on its stored bytes, made while a scan walks the file.
// It runs under the scan's read guard (RecordFile::scanRuns): plain code
// only, no allocation, no exception.
class RecordTest
{
public:
    // A record whose tested numbers cannot be read is neither listed nor
    // passed over in silence: the list says it is missing.
    enum class Result { Listed, Skipped, Unreadable };

    virtual ~RecordTest() = default;
    virtual Result test(const char *record) const = 0;
    // Asks the processor for the bytes `test` will read, a few records
    // ahead: each record lies on another page, and waiting for each one in
    // turn costs more than the test itself.
    virtual void prefetch(const char *record) const = 0;
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
    Result test(const char *record) const override;
    bool accepts(const char *record) const;
    void prefetch(const char *record) const override;

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
    Result test(const char *record) const override;
    void prefetch(const char *record) const override;

private:
    int m_offset;
    int m_capacity;
};

// Two numeric fields, listed when the first is at most the second: the
// stock at or below its minimum. Either one unreadable: Unreadable.
class AtMost : public RecordTest
{
public:
    AtMost(const RecordLayout &layout, int field, int limit);
    Result test(const char *record) const override;
    void prefetch(const char *record) const override;

private:
    int m_offset, m_capacity;
    int m_limitOffset, m_limitCapacity;
};

// A date field ("dd/mm/yyyy") within a period, both ends included. A date
// that does not exist cannot be placed: Unreadable.
class DateWithin : public RecordTest
{
public:
    // Days as yyyymmdd numbers, which order as the calendar does.
    DateWithin(const RecordLayout &layout, int field, int first, int last);
    Result test(const char *record) const override;
    void prefetch(const char *record) const override;

    // The yyyymmdd number of a real day of the Gregorian calendar written
    // as "dd/mm/yyyy" (years 1-9999), 0 for anything else. No allocation.
    static int dayNumber(const char *text, qsizetype length);

private:
    int m_offset, m_capacity;
    int m_first, m_last;
};

// Two tests in turn: the second judges only what the first lists.
class BothTests : public RecordTest
{
public:
    BothTests(std::shared_ptr<const RecordTest> first, std::shared_ptr<const RecordTest> second);
    Result test(const char *record) const override;
    void prefetch(const char *record) const override;

private:
    std::shared_ptr<const RecordTest> m_first, m_second;
};
