// The benchmarks' archives, for comparing builds on the same bytes:
//   makearchives FOLDER RECORDS YEAR
// writes Fornitori.pro, Magazzino.pro and YEAR.odc of RECORDS records each.
#include "archivegen.h"
#include "app/registerkinds.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    registerArchiveKinds();
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool ok = args.size() == 4;
    const int records = ok ? args[2].toInt(&ok) : 0;
    const int year = ok ? args[3].toInt(&ok) : 0;
    if (!ok || records < 0) {
        std::fprintf(stderr, "uso: makearchives CARTELLA RECORD ANNO\n");
        return 2;
    }
    const QDir folder(args[1]);
    if (!QDir().mkpath(folder.path()))
        return 1;
    ArchiveGen::suppliers(folder.filePath(QStringLiteral("Fornitori.pro")), records);
    ArchiveGen::products(folder.filePath(QStringLiteral("Magazzino.pro")), records);
    ArchiveGen::receipts(folder.filePath(QString::number(year) + QStringLiteral(".odc")), records, year);
    return 0;
}
