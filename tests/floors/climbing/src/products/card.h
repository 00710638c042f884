#pragma once
#include "validators/checks.h"
