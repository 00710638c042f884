#include "receiptrecord.h"

#include "storage/programfolder.h"

namespace ReceiptRecord {

const RecordLayout &layout()
{
    static const RecordLayout instance(QLatin1StringView("carichi"), Fields);
    return instance;
}

bool isYearText(QStringView text)
{
    if (text.size() != 4)
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

QString archivePath(const QString &programFolder, const QString &year)
{
    return programFile(programFolder, year + QLatin1StringView(Extension));
}

} // namespace ReceiptRecord
