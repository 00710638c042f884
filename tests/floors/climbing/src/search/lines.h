#pragma once
#include "storage/file.h"
