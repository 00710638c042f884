#pragma once
#include "search/lines.h"
