// The position reader and the ASCII helpers under the command line's names.
#pragma once

#include "locator/ascii.h"
#include "locator/position_text.h"

namespace morvane::cli {

using morvane::Axis;
using morvane::IsHemisphere;
using morvane::ParseAxis;
using morvane::ParsedAxis;
using morvane::SameLetters;
using morvane::TrimBlanks;
using morvane::Upper;
using morvane::UpperCase;

}  // namespace morvane::cli
