#include "productrecord.h"

#include "storage/programfolder.h"

namespace ProductRecord {

const RecordLayout &layout()
{
    static const RecordLayout instance(QLatin1StringView("magazzino"), Fields);
    return instance;
}

QString archivePath(const QString &programFolder)
{
    return programFile(programFolder, QLatin1StringView(FileName));
}

} // namespace ProductRecord
