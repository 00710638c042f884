// The search and list paths of the windows on generated archives, against
// the raw sequential read of the same file measured in the same run; a
// SQLite LIKE count over the same rows; scortex-cli dump against cat; the
// peak memory and the longest pause of the real search window while it lists
// 100 000 products.
//
// Usage: bench_scan [DIR] [RUNS]
//   DIR keeps the generated archives between runs (default: a temporary
//   folder); RUNS is the number of timed runs of each row (default 7).
// Internal: bench_scan --window DIR  (the real window, in a fresh process)
#include "archivegen.h"
#include "benchrows.h"

#include "app/registerkinds.h"
#include "products/productarchive.h"
#include "products/productrecord.h"
#include "search/listquery.h"
#include "search/searchdefinition.h"
#include "ui/searchwindow.h"
#include "storage/cp1252.h"
#include "storage/recordfile.h"
#include "suppliers/supplierarchive.h"
#include "suppliers/supplierrecord.h"
#include "ui/linemodel.h"
#include "ui/services.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#if SCORTEX_BENCH_SQLITE
#include <sqlite3.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using namespace BenchRows;

QString listed(const QString &path, const ListQuery &query)
{
    RecordFile file(path, query.format->layout().size());
    return QString::number(runQuery(file, query).lines.size());
}

// Every record listed, sorted, put in the window's model and shown.
QString listedAndShown(const QString &path, const ListQuery &query)
{
    RecordFile file(path, query.format->layout().size());
    ListResult result = runQuery(file, query);
    TLineModel model;
    QListView view;
    view.setUniformItemSizes(true);
    view.setFont(QFont(QStringLiteral("Courier New"), 12));
    model.setItemSize(QSize(1600, QFontMetrics(view.font()).height() + 2));
    view.setModel(&model);
    view.resize(822, 300);
    model.setLines(std::move(result.lines));
    view.show();
    QCoreApplication::processEvents();
    return QString::number(model.rowCount());
}

// The rows of an archive as an SQLite table of its text fields, in memory.
#if SCORTEX_BENCH_SQLITE
struct SqliteTable
{
    sqlite3 *db = nullptr;
    SqliteTable(const QString &path, const RecordLayout &layout, const QList<int> &fields)
    {
        sqlite3_open(":memory:", &db);
        QStringList columns, marks;
        for (int f : fields) {
            columns << QString(layout.fieldName(f)) + QStringLiteral(" TEXT");
            marks << QStringLiteral("?");
        }
        exec(QStringLiteral("CREATE TABLE t (%1)").arg(columns.join(u',')));
        exec(QStringLiteral("BEGIN"));
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(db, QStringLiteral("INSERT INTO t VALUES (%1)").arg(marks.join(u',')).toUtf8().constData(),
                           -1, &insert, nullptr);
        RecordFile file(path, layout.size(), RecordFile::Mode::ReadOnly);
        file.scan([&](qint64, QByteArrayView bytes) {
            const Record r(layout, bytes);
            for (int i = 0; i < fields.size(); ++i) {
                const QByteArray text = r.value(fields[i]).toUtf8();
                sqlite3_bind_text(insert, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            }
            sqlite3_step(insert);
            sqlite3_reset(insert);
            return true;
        });
        sqlite3_finalize(insert);
        exec(QStringLiteral("COMMIT"));
    }
    ~SqliteTable() { sqlite3_close(db); }
    void exec(const QString &sql) { sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr); }
    QString count(const QString &where)
    {
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(db, (QStringLiteral("SELECT count(*) FROM t WHERE ") + where).toUtf8().constData(), -1, &s,
                           nullptr);
        qint64 n = -1;
        if (sqlite3_step(s) == SQLITE_ROW)
            n = sqlite3_column_int64(s, 0);
        sqlite3_finalize(s);
        return QString::number(n);
    }
};
#endif

// The mechanism of a mapped search without its rules: the file mapped in
// runs of 32 MB, one field's length byte and first bytes touched per record.
// Where the scans read blocks (Windows) this is what mapping would cost.
QString mappedTouch(const QString &path, int recordSize, int offset)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    const qint64 n = f.size() / recordSize;
    const qint64 perRun = (qint64(32) << 20) / recordSize;
    quint64 sum = 0;
    for (qint64 first = 0; first < n; first += perRun) {
        const qint64 k = qMin(perRun, n - first);
        const uchar *run = f.map(first * recordSize, k * recordSize);
        if (!run)
            return QStringLiteral("not mapped");
        for (qint64 i = 0; i < k; ++i) {
            const uchar *field = run + i * recordSize + offset;
            sum += field[0] + field[1] + field[8];
        }
        f.unmap(const_cast<uchar *>(run));
    }
    return QStringLiteral("%1 records, sum %2").arg(n).arg(sum);
}

QString runProcess(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    p.waitForFinished(-1);
    return QStringLiteral("exit %1").arg(p.exitCode());
}

// The real product search window over DIR, all fields blank: lines, time,
// peak resident memory and the longest pause of the event loop.
int windowRun(const QString &folder)
{
    AppContext::setProgramFolder(folder);
    TfrmTrovaMagazzino w(nullptr);
    w.show();
    QCoreApplication::processEvents();
    const long before = statusKb("VmHWM:");

    double longestPause = 0;
    auto last = Clock::now();
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestPause = std::max(longestPause, msSince(last));
        last = Clock::now();
    });
    ticker.start();
    const auto start = Clock::now();
    last = start;
    w.btnCercaClick();
    const double elapsed = msSince(start);
    longestPause = std::max(longestPause, msSince(last));
    std::printf("%lld %.1f %ld %ld %.1f\n", qlonglong(w.model->rowCount()), elapsed, before, statusKb("VmHWM:"),
                longestPause);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    registerArchiveKinds();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2 && args[1] == u"--window")
        return windowRun(args[2]);

    QTemporaryDir temporary;
    const QString root = args.size() > 1 ? args[1] : temporary.path();
    const int runs = args.size() > 2 ? args[2].toInt() : 7;
    struct Archive
    {
        QString folder;
        int records;
        bool products;
    };
    const QList<Archive> archives = {{root + QStringLiteral("/p10k"), 10000, true},
                                     {root + QStringLiteral("/p100k"), 100000, true},
                                     {root + QStringLiteral("/s100k"), 100000, false}};
    for (const Archive &a : archives) {
        QDir().mkpath(a.folder);
        const QString path = a.products ? ProductRecord::archivePath(a.folder) : SupplierRecord::archivePath(a.folder);
        const qint64 size = qint64(a.records) * (a.products ? ProductRecord::Size : SupplierRecord::Size);
        if (QFileInfo(path).size() != size) {
            std::printf("generating %s (%d records)\n", qPrintable(path), a.records);
            std::fflush(stdout);
            a.products ? ArchiveGen::products(path, a.records) : ArchiveGen::suppliers(path, a.records);
        }
    }

    std::printf("searches read the archives %s\n",
                RecordFile::mappingAllowed() ? "mapped, with a guard for failed reads" : "in blocks");
    for (const Archive &a : archives) {
        std::vector<Row> rows;
        if (a.products) {
            using namespace ProductRecord;
            const QString path = ProductRecord::archivePath(a.folder);
#if SCORTEX_BENCH_SQLITE
            auto sql = std::make_shared<SqliteTable>(
                path, layout(), QList<int>{Codice, Tipologia, Marca, Modello, Descrizione, Note, Giacenza, Sottoscorta});
#endif
            const SearchDefinition &s = Searches::magazzino();
            rows = {
                {QStringLiteral("raw read"), [path] { return rawRead(path); }},
                {QStringLiteral("search: Descrizione \"inox\""),
                 [path, &s] { return listed(path, s.query({{Descrizione, QStringLiteral("inox")}})); }},
                {QStringLiteral("search: 3 fields"),
                 [path, &s] {
                     return listed(path, s.query({{Tipologia, QStringLiteral("viteria")},
                                                  {Marca, QStringLiteral("fis")},
                                                  {Descrizione, QStringLiteral("inox")}}));
                 }},
                {QStringLiteral("search: all blank, sorted and shown"),
                 [path, &s] { return listedAndShown(path, s.query({})); }},
                {QStringLiteral("low-stock list"), [path] { return listed(path, Lists::sottoscorta()); }},
                {QStringLiteral("mapped touch of Descrizione, no rules"),
                 [path] { return mappedTouch(path, ProductRecord::Size, layout().offset(Descrizione)); }},
            };
#if SCORTEX_BENCH_SQLITE
            rows.push_back({QStringLiteral("SQLite count LIKE '%inox%'"),
                            [sql] { return sql->count(QStringLiteral("Descrizione LIKE '%inox%'")); }});
            rows.push_back({QStringLiteral("SQLite count, 3 fields"), [sql] {
                                return sql->count(QStringLiteral("Tipologia LIKE '%viteria%' AND Marca LIKE '%fis%' "
                                                                 "AND Descrizione LIKE '%inox%'"));
                            }});
#endif
            runRows(QStringLiteral("Magazzino.pro, %1 products, %2 MB")
                        .arg(a.records)
                        .arg(double(QFileInfo(path).size()) / 1e6, 0, 'f', 1),
                    rows, runs, "the raw read");
        } else {
            using namespace SupplierRecord;
            const QString path = SupplierRecord::archivePath(a.folder);
#if SCORTEX_BENCH_SQLITE
            auto sql = std::make_shared<SqliteTable>(path, layout(),
                                                     QList<int>{Ditta, Titolare, ComuneRes, Articoli, Note, Ricontatta});
#endif
            const SearchDefinition &s = Searches::fornitori();
            rows = {
                {QStringLiteral("raw read"), [path] { return rawRead(path); }},
                {QStringLiteral("search: Ditta \"rossi\""),
                 [path, &s] { return listed(path, s.query({{Ditta, QStringLiteral("rossi")}})); }},
                {QStringLiteral("search: 3 fields"),
                 [path, &s] {
                     return listed(path, s.query({{Ditta, QStringLiteral("rossi")},
                                                  {ComuneRes, QStringLiteral("ro")},
                                                  {Articoli, QStringLiteral("inox")}}));
                 }},
                {QStringLiteral("search: all blank, sorted and shown"),
                 [path, &s] { return listedAndShown(path, s.query({})); }},
                {QStringLiteral("recontact list"), [path] { return listed(path, Lists::ricontatta()); }},
            };
#if SCORTEX_BENCH_SQLITE
            rows.push_back({QStringLiteral("SQLite count LIKE '%rossi%'"),
                            [sql] { return sql->count(QStringLiteral("Ditta LIKE '%rossi%'")); }});
#endif
            runRows(QStringLiteral("Fornitori.pro, %1 suppliers, %2 MB")
                        .arg(a.records)
                        .arg(double(QFileInfo(path).size()) / 1e6, 0, 'f', 1),
                    rows, runs, "the raw read");
        }
    }

    // What a card does per click, one record at a time, against the same
    // open, seek and read or write with a bare file and no lock. A save
    // waits for the disk, so saves run over fewer records than browses.
    {
        const QString path = ProductRecord::archivePath(archives[0].folder);
        const int size = ProductRecord::Size;
        const qint64 n = archives[0].records;
        const int asked = qEnvironmentVariableIntValue("SCORTEX_BENCH_SAVES");
        const qint64 saves = qMin<qint64>(n, asked > 0 ? asked : 500);
        const auto bare = [path, size](qint64 count, bool writing) {
            qint64 done = 0;
            for (qint64 p = 1; p <= count; ++p) {
                QFile f(path);
                if (!f.open(QIODevice::ReadWrite | QIODevice::Unbuffered) || !f.seek((p - 1) * size))
                    qFatal("cannot open %s", qPrintable(path));
                const QByteArray bytes = f.read(size);
                if (writing && (!f.seek((p - 1) * size) || f.write(bytes) != size))
                    qFatal("cannot write %s", qPrintable(path));
                done += bytes.size() == size;
            }
            return QString::number(done);
        };
        std::vector<Row> rows = {
            {QStringLiteral("bare file: open, read, close"), [bare, n] { return bare(n, false); }},
            {QStringLiteral("card browse: read under a shared lock"),
             [path, size, n] {
                 qint64 done = 0;
                 for (qint64 p = 1; p <= n; ++p)
                     done += RecordFile(path, size).read(p).size() == size;
                 return QString::number(done);
             }},
        };
        runRows(QStringLiteral("one record per action, %1 products").arg(n), rows, runs, "the bare read");
        std::vector<Row> saveRows = {
            {QStringLiteral("bare file: open, read, write back, close"), [bare, saves] { return bare(saves, true); }},
            {QStringLiteral("card save: compare and write, locked"),
             [path, size, saves] {
                 qint64 done = 0;
                 for (qint64 p = 1; p <= saves; ++p) {
                     RecordFile file(path, size);
                     const QByteArray bytes = file.read(p);
                     done += file.replace(p, bytes, bytes);
                     file.close();
                 }
                 return QString::number(done);
             }},
        };
        runRows(QStringLiteral("one save per action, %1 products, in %2").arg(saves).arg(QDir::toNativeSeparators(archives[0].folder)),
                saveRows, runs, "the bare write-back");
    }

    // scortex-cli dump against cat, as whole processes writing to /dev/null.
    const QString cli = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../bin/scortex-cli"));
    for (const Archive &a : archives) {
        // Windows has no cat to compare with.
        if (!QFile::exists(cli) || QStandardPaths::findExecutable(QStringLiteral("cat")).isEmpty())
            break;
        const QString path = a.products ? ProductRecord::archivePath(a.folder) : SupplierRecord::archivePath(a.folder);
        std::vector<Row> rows = {
            {QStringLiteral("cat"), [path] { return runProcess(QStringLiteral("cat"), {path}); }},
            {QStringLiteral("scortex-cli dump"), [cli, path] { return runProcess(cli, {QStringLiteral("dump"), path}); }},
        };
        runRows(QStringLiteral("dump of %1 (%2 records)").arg(QFileInfo(path).fileName()).arg(a.records), rows,
                runs, "cat");
    }

    // The real window, in a fresh process for a clean peak.
    const QString products = archives[1].folder;
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--window"), products});
    child.waitForFinished(-1);
    const QStringList w = QString::fromLatin1(child.readAllStandardOutput()).simplified().split(u' ');
    if (w.size() == 5) {
        std::printf("\nThe product search window, all fields blank, over %s:\n", qPrintable(products));
        std::printf("  lines listed: %s, search to list shown: %s ms\n", qPrintable(w[0]), qPrintable(w[1]));
        std::printf("  peak resident memory: %.1f MB before the search, %.1f MB with the list (archive %.1f MB)\n",
                    w[2].toDouble() / 1024, w[3].toDouble() / 1024,
                    double(QFileInfo(ProductRecord::archivePath(products)).size()) / 1e6);
        std::printf("  longest pause of the event loop during the search: %s ms\n", qPrintable(w[4]));
    }
    return 0;
}
