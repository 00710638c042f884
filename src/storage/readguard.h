#pragma once

// Runs a piece of plain code that reads a memory-mapped file, turning the
// bus error of a failed read (an I/O error, a network share gone away, the
// file cut short underneath the mapping) into a false result instead of the
// end of the process.
//
// The guarded code is left at once on such a failure, without unwinding: it
// must not allocate, throw or own anything that needs destroying.
namespace ReadGuard {

// True where failed reads of a mapping can be caught at all.
bool available();

// False when a read failed while `code` ran.
bool run(void (*code)(void *context), void *context);

} // namespace ReadGuard
