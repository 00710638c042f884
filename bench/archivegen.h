#pragma once

#include <QString>

// Writes archives of varied, repeatable text for the benchmarks: the same
// seed gives the same bytes.
namespace ArchiveGen {

void products(const QString &path, int records);
void suppliers(const QString &path, int records);

} // namespace ArchiveGen
