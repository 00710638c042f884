#include "search/lines.h"
#include "../app/menu.h"
