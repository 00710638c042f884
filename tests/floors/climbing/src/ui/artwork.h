#pragma once
#include "output/layouts.h"
