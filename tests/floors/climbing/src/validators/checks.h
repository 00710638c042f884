#pragma once
#include "ui/artwork.h"
