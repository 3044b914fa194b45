// Public header of the locator core: the grid (check and decoding), the
// encoder and the great-circle computation. Standard library only.
#pragma once

#include "locator/constants.h"
#include "locator/encode.h"
#include "locator/exact_cell.h"
#include "locator/great_circle.h"
#include "locator/grid.h"
#include "locator/position_text.h"
#include "locator/precision.h"
#include "locator/typed_position.h"
#include "locator/rounding.h"
