#include "archivekind.h"

#include <QFileInfo>

namespace ArchiveKinds {

const std::vector<const ArchiveKind *> &all()
{
    static const std::vector<const ArchiveKind *> kinds = {&supplierArchive(), &productArchive(), &receiptArchive()};
    return kinds;
}

const ArchiveKind *byName(const QString &name)
{
    for (const ArchiveKind *k : all()) {
        if (name.compare(QLatin1StringView(k->name), Qt::CaseInsensitive) == 0)
            return k;
    }
    return nullptr;
}

const ArchiveKind *byFileName(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    for (const ArchiveKind *k : all()) {
        if (k->isFileName(name))
            return k;
    }
    return nullptr;
}

const ArchiveKind *byListName(const QString &name)
{
    for (const ArchiveKind *k : all()) {
        if (name.compare(QLatin1StringView(k->listName), Qt::CaseInsensitive) == 0)
            return k;
    }
    return nullptr;
}

} // namespace ArchiveKinds
