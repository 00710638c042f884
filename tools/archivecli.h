#pragma once

#include <QStringList>

#include <cstdio>

// The command-line companion for the people who keep the archives:
// `dump` writes an archive as CSV, `check` reports what a damaged or foreign
// file holds that the application would never write.
namespace ArchiveCli {

enum ExitCode { Ok = 0, Findings = 1, Failure = 2 };

// `args` without the program name.
int run(const QStringList &args, std::FILE *out, std::FILE *err);

} // namespace ArchiveCli
