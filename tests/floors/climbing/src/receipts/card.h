#pragma once
#include "products/card.h"
#include "suppliers/card.h"
