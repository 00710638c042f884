// Compiled into every test program (scortex_test): the three archive kinds
// are registered before main, as each program's own main registers them.
// An object of the program itself, not of a library, so the linker keeps it.
#include "app/registerkinds.h"

namespace {
const bool kindsRegistered = (registerArchiveKinds(), true);
} // namespace
