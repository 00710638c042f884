#pragma once

#include <QByteArray>
#include <QString>

// What a card does with its archive, one user action at a time: browse it,
// and save the card shown, never silently over another workstation's save.
// Every failure throws ArchiveError.
class CardArchive
{
public:
    CardArchive(const QString &path, int recordSize) : m_path(path), m_recordSize(recordSize) {}

    enum class Step { First, Previous, Next, Last };
    struct Found
    {
        enum class Kind {
            Empty, // the archive holds no whole record
            Stay,  // nothing further that way: the card stays as it is
            Record,
        } kind = Kind::Empty;
        QByteArray bytes;
        qint64 position = 0;
    };
    // From the record shown at `shown` (0: none): Previous from the first
    // or from none goes to the first, Next from the last stays.
    Found browse(Step step, qint64 shown) const;

    struct Saved
    {
        enum class Outcome {
            Saved,            // written over the record at `position`
            Appended,         // a new record, now at `position`
            ChangedElsewhere, // nothing written; `found` holds what is there
        } outcome = Outcome::Saved;
        qint64 position = 0;
        QByteArray found;
        // Written and on the disk, but the archive's close then failed (a
        // share may report a lost write-back only there): the card moves to
        // the record all the same, and reports the failure.
        bool closeFailed = false;
    };
    // `position` 0 appends; otherwise the record there is written only if it
    // still holds `expected` (or already holds `record`).
    Saved save(qint64 position, const QByteArray &expected, const QByteArray &record) const;

    // Opens the archive and closes it again: whether it can be reached.
    void reach() const;

private:
    QString m_path;
    int m_recordSize;
};
