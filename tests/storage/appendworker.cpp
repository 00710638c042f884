// Appends records to an archive, one user action each (open, append, close),
// the way several workstations share one folder. Used by the concurrency test.
// Usage: appendworker FILE RECORD_SIZE COUNT TAG [overwrite]
// With "overwrite" it writes over the records already there in turn, each
// record all one letter, instead of appending.
#include "storage/disk.h"
#include "storage/recordfile.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: appendworker FILE RECORD_SIZE COUNT TAG [overwrite]\n");
        return 2;
    }
    const bool overwrite = argc == 6;
    Disk::Faults::armFromEnvironment();
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int size = std::atoi(argv[2]);
    const int count = std::atoi(argv[3]);
    const char tag = argv[4][0];
    try {
        for (int i = 0; overwrite && i < count; ++i) {
            RecordFile file(path, size);
            file.write(i % file.count() + 1, QByteArray(size, char('a' + i % 26)));
            file.close();
        }
        for (int i = 0; !overwrite && i < count; ++i) {
            // Record: tag, sequence number, then the tag repeated to the end,
            // so a torn or interleaved record is detectable.
            QByteArray record(size, tag);
            const QByteArray seq = QByteArray::number(i).rightJustified(6, '0');
            record.replace(1, seq.size(), seq);
            RecordFile file(path, size);
            file.append(record);
        }
    } catch (const ArchiveError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
