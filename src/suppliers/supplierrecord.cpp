#include "supplierrecord.h"

#include "storage/programfolder.h"

namespace SupplierRecord {

const RecordLayout &layout()
{
    static const RecordLayout instance(QLatin1StringView("fornitori"), Fields);
    return instance;
}

QString archivePath(const QString &programFolder)
{
    return programFile(programFolder, QLatin1StringView(FileName));
}

} // namespace SupplierRecord
