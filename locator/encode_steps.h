// The encoder's steps per axis, shared by the six-character encoder and the
// longer locators, so that both take one and the same order of operations.
// Internal to the core.
#pragma once

#include <optional>
#include <string>

#include "locator/encode.h"

namespace morvane::detail {

struct EncodedAxis {
  int field;
  int square;
  int subSquare;
  double rest;  // the part of the sub-square beyond its corner, 0 to 1
};
struct EncodedPosition {
  EncodedAxis latitude;
  EncodedAxis longitude;
};

// nullopt outside the grid or for input that is not finite, as EncodeLocator.
std::optional<EncodedPosition> EncodeSteps(TypedAxis latitude, bool south, TypedAxis longitude,
                                           bool west);

// The six characters of the encoded position.
std::string SixCharacters(const EncodedPosition& p);

}  // namespace morvane::detail
