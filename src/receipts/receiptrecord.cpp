#include "receiptrecord.h"

#include "storage/programfolder.h"

namespace ReceiptRecord {

const RecordLayout &layout()
{
    static const RecordLayout instance(QLatin1StringView("carichi"), Fields);
    return instance;
}

QString archivePath(const QString &programFolder, const QString &year)
{
    return programFile(programFolder, year + QLatin1StringView(Extension));
}

} // namespace ReceiptRecord
