#pragma once

#include <QString>

#include <vector>

class LineFormat;
class RecordLayout;
struct HelpTopic;
struct ListQuery;
struct SearchDefinition;
namespace Spreadsheet {
struct Table;
}

// One kind of archive and what is particular to it. Each kind is defined
// with its tables in its archive's own folder (suppliers/, products/,
// receipts/) and registered at start by the program (app/registerkinds.h);
// the tools and windows that serve every kind go through here, so nothing
// below the archives' floor names one.
struct ArchiveKind
{
    // The word that names the kind: "fornitori", "magazzino", "carichi".
    const char *name;
    const RecordLayout &(*layout)();
    // Whether a bare file name, in any letter case, names an archive of
    // this kind.
    bool (*isFileName)(const QString &fileName);
    // The fields a check reads as yes/no, as numbers and as dates.
    std::vector<int> yesNoFields;
    std::vector<int> numberFields;
    std::vector<int> dateFields;
    const SearchDefinition &(*search)();
    const Spreadsheet::Table &(*sheet)();
    // The kind's own list (suppliers to recontact, low stock, unpaid).
    const char *listName;
    ListQuery (*list)();
    // The archive's full name in the program folder; null for the kind kept
    // one file per year, whose card names the file.
    QString (*archivePath)(const QString &programFolder);
    // The page of the kind's export window in the help.
    HelpTopic (*exportHelp)();
};

namespace ArchiveKinds {
// Adds `kind` once; the program registers every kind before it reads an archive.
void add(const ArchiveKind &kind);
// In the order they were registered; stops the program when none was.
const std::vector<const ArchiveKind *> &all();
// By its word; stops the program when no such kind was registered.
const ArchiveKind &get(const char *name);
// By its word, in any letter case; null when none.
const ArchiveKind *byName(const QString &name);
// By the file name of `path`; null when none.
const ArchiveKind *byFileName(const QString &path);
// By the name of its list, in any letter case; null when none.
const ArchiveKind *byListName(const QString &name);
} // namespace ArchiveKinds
