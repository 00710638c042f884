#pragma once

#include <QSaveFile>

// Ends a whole-file write: the buffered bytes are flushed and checked
// before the new file takes the old one's place, since commit() alone can
// report success for data that never reached the disk. On any failure the
// temporary file is dropped and the previous file stays as it was.
inline bool commitWhole(QSaveFile &file)
{
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
