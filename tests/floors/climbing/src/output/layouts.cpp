#include "layouts.h"

#include "storage/file.h"
#include "ui/artwork.h"
