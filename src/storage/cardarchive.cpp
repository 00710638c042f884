#include "cardarchive.h"

#include "archiveerror.h"
#include "recordfile.h"

CardArchive::Found CardArchive::browse(Step step, qint64 shown) const
{
    RecordFile file(m_path, m_recordSize);
    const qint64 n = file.count();
    Found found;
    if (n == 0) {
        file.close();
        return found;
    }
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
        file.close();
        found.kind = Found::Kind::Stay;
        return found;
    }
    found.bytes = file.read(target);
    file.close();
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
    try {
        file.close();
    } catch (const ArchiveError &) {
        if (saved.outcome == Saved::Outcome::ChangedElsewhere)
            throw;
        saved.closeFailed = true;
    }
    return saved;
}

void CardArchive::reach() const
{
    RecordFile file(m_path, m_recordSize);
    file.close();
}
