#include "storage/file.h"
