// Sequential scan of a generated products archive: the raw read of the file
// against the scan that lists and searches use (block reads + decoding the
// fields a list shows + reading the stock numbers). Prints ratios against the
// raw read measured in the same run.
// Usage: bench_scan [RECORDS]   (default 20000)
#include "products/productrecord.h"
#include "storage/numberformat.h"
#include "storage/record.h"
#include "storage/recordfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

qint64 bestOf(int runs, const std::function<void()> &work)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed());
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 20000;
    QTemporaryDir dir;
    const QString path = ProductRecord::archivePath(dir.path());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        Record r(ProductRecord::layout());
        for (int i = 0; i < records; ++i) {
            r.setValue(ProductRecord::Codice, QStringLiteral("ART%1").arg(i, 6, 10, QLatin1Char('0')));
            r.setValue(ProductRecord::Tipologia, QStringLiteral("Ferramenta è %1").arg(i % 40));
            r.setValue(ProductRecord::Descrizione, QStringLiteral("Descrizione dell'articolo numero %1").arg(i));
            r.setValue(ProductRecord::Giacenza, QString::number(i % 17));
            r.setValue(ProductRecord::Sottoscorta, QString::number(i % 5));
            r.setValue(ProductRecord::Valore, QStringLiteral("%1,50").arg(i % 1000));
            f.write(r.bytes());
        }
    }

    volatile qint64 sink = 0;
    const qint64 raw = bestOf(5, [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        QByteArray block(1 << 20, Qt::Uninitialized);
        qint64 total = 0, n;
        while ((n = f.read(block.data(), block.size())) > 0)
            total += n;
        sink = sink + total;
    });
    const qint64 scanOnly = bestOf(5, [&] {
        RecordFile file(path, ProductRecord::Size, RecordFile::Mode::ReadOnly);
        qint64 n = 0;
        file.scan([&](qint64, QByteArrayView) { ++n; return true; });
        sink = sink + n;
    });
    const RecordLayout &layout = ProductRecord::layout();
    const qint64 lowStock = bestOf(5, [&] {
        RecordFile file(path, ProductRecord::Size, RecordFile::Mode::ReadOnly);
        std::vector<QString> lines;
        file.scan([&](qint64, QByteArrayView bytes) {
            auto field = [&](int f) { return ShortString::read(bytes.data() + layout.offset(f), layout.capacity(f)); };
            const auto stock = NumberFormat::readDecimal(field(ProductRecord::Giacenza));
            const auto minimum = NumberFormat::readDecimal(field(ProductRecord::Sottoscorta));
            if (stock && minimum && *stock <= *minimum)
                lines.push_back(field(ProductRecord::Codice) + u' ' + field(ProductRecord::Descrizione));
            return true;
        });
        sink = sink + qint64(lines.size());
    });

    std::printf("records: %d (%.1f MB)\n", records, double(records) * ProductRecord::Size / 1e6);
    std::printf("raw read          %8.2f ms  1.00x\n", raw / 1e6);
    std::printf("scan              %8.2f ms  %.2fx\n", scanOnly / 1e6, double(scanOnly) / double(raw));
    std::printf("low-stock filter  %8.2f ms  %.2fx\n", lowStock / 1e6, double(lowStock) / double(raw));
    return 0;
}
