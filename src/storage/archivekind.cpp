#include "archivekind.h"

#include <QFileInfo>

#include <algorithm>

namespace ArchiveKinds {

namespace {

std::vector<const ArchiveKind *> &registered()
{
    static std::vector<const ArchiveKind *> kinds;
    return kinds;
}

} // namespace

void add(const ArchiveKind &kind)
{
    std::vector<const ArchiveKind *> &kinds = registered();
    if (std::find(kinds.begin(), kinds.end(), &kind) == kinds.end())
        kinds.push_back(&kind);
}

const std::vector<const ArchiveKind *> &all()
{
    // An empty registry would read every archive as a file of no kind.
    if (registered().empty())
        qFatal("No archive kind is registered: the program's main must call registerArchiveKinds()");
    return registered();
}

const ArchiveKind &get(const char *name)
{
    const ArchiveKind *kind = byName(QLatin1StringView(name));
    if (!kind)
        qFatal("The archive kind \"%s\" is not registered", name);
    return *kind;
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
