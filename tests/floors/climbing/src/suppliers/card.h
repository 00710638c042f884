#pragma once
#include "products/card.h"
