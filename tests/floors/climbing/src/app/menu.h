#pragma once
#include "receipts/card.h"
