#pragma once

#include <QString>

// Writes archives of varied, repeatable text for the benchmarks: the same
// seed gives the same bytes.
namespace ArchiveGen {

void products(const QString &path, int records);
void suppliers(const QString &path, int records);
// Receipts of one year, dated through it in no particular order.
void receipts(const QString &path, int records, int year);

} // namespace ArchiveGen
