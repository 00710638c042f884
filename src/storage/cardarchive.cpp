#include "cardarchive.h"

#include "archiveerror.h"
#include "recordfile.h"

CardArchive::Found CardArchive::browse(Step step, qint64 shown) const
{
    // Only read: the file closes as it goes out of scope, unchecked.
    RecordFile file(m_path, m_recordSize);
    const qint64 n = file.count();
    Found found;
    if (n == 0)
        return found;
    qint64 target = 0;
    switch (step) {
    case Step::First:
        target = 1;
        break;
    case Step::Last:
        target = n;
        break;
    case Step::Next:
        target = shown < n ? shown + 1 : 0;
        break;
    case Step::Previous:
        target = shown <= 2 ? 1 : shown - 1;
        break;
    }
    if (target == 0) {
        found.kind = Found::Kind::Stay;
        return found;
    }
    found.bytes = file.read(target);
    found.kind = Found::Kind::Record;
    found.position = target;
    return found;
}

CardArchive::Saved CardArchive::save(qint64 position, const QByteArray &expected, const QByteArray &record) const
{
    RecordFile file(m_path, m_recordSize);
    Saved saved;
    if (position > 0) {
        saved.position = position;
        if (!file.replace(position, expected, record, &saved.found))
            saved.outcome = Saved::Outcome::ChangedElsewhere;
    } else {
        saved.outcome = Saved::Outcome::Appended;
        saved.position = file.append(record);
    }
    // Only a close after a write can fail.
    try {
        file.close();
    } catch (const ArchiveError &) {
        saved.closeFailed = true;
    }
    return saved;
}

void CardArchive::reach() const
{
    RecordFile(m_path, m_recordSize);
}
