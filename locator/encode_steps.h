// The encoder's steps per axis, shared by the six-character encoder and the
// longer locators, so that both take one and the same order of operations.
// Inline, with what follows the sub-square a compile-time choice, so that
// the six-character path does no work for the longer ones. Internal to the
// core.
#pragma once

#include <cmath>
#include <optional>
#include <string>

#include "locator/constants.h"
#include "locator/encode.h"

namespace morvane::detail {

struct EncodedAxis {
  int field;
  int square;
  int subSquare;
  double rest;  // the part of the sub-square beyond its corner, 0 to 1 (0 unless asked for)
};
struct EncodedPosition {
  EncodedAxis latitude;
  EncodedAxis longitude;
};

// Degrees + minutes + seconds, in the order of operations every result depends on.
inline double AxisDegrees(TypedAxis a) {
  return (a.minutes / kMinutesPerDegree + a.degrees) + a.seconds / kSecondsPerDegree;
}

inline bool IsFinite(TypedAxis a) {
  return std::isfinite(a.degrees) && std::isfinite(a.minutes) && std::isfinite(a.seconds);
}

// Splits a position measured in fields from the grid origin into its three
// indices (and, for longer locators, the rest). The caller has checked that
// the field lies in the grid.
template <bool kWithRest>
inline EncodedAxis Split(double fields) {
  const double field = std::floor(fields);
  const double squares = (fields - field) * kSquaresPerField;
  double square = std::floor(squares);
  const double subs = (squares - square) * kSubSquaresPerSquare;
  double sub = std::floor(subs);
  // A fraction within half an ulp of 1 would make the products round up to
  // the boundary itself (10 or 24) and put a ':' or 'Y' into the locator.
  // Typed positions pass through +-180 and +-90 first and are too coarse to
  // get that close, but the true cell is the last one below the boundary,
  // so keep the index there rather than trust that.
  if (square > kSquaresPerField - 1) square = kSquaresPerField - 1;
  if (sub > kSubSquaresPerSquare - 1) sub = kSubSquaresPerSquare - 1;
  double rest = 0;
  if constexpr (kWithRest) rest = std::fmin(std::fmax(subs - sub, 0.0), 1.0);
  return {static_cast<int>(field), static_cast<int>(square), static_cast<int>(sub), rest};
}

inline bool FieldInGrid(double fields) {
  // Written so that NaN fails as well.
  return fields >= 0.0 && fields < kFieldsPerAxis;
}

// nullopt outside the grid or for input that is not finite, as EncodeLocator.
template <bool kWithRest>
inline std::optional<EncodedPosition> EncodeSteps(TypedAxis latitude, bool south, TypedAxis longitude, bool west) {
  if (!IsFinite(latitude) || !IsFinite(longitude)) return std::nullopt;

  double lon = AxisDegrees(longitude);
  lon = west ? kLongitudeShiftDegrees - lon : lon + kLongitudeShiftDegrees;
  lon = lon / kFieldLongitudeDegrees;

  double lat = AxisDegrees(latitude);
  lat = south ? kLatitudeShiftDegrees - lat : lat + kLatitudeShiftDegrees;
  lat = lat / kFieldLatitudeDegrees;

  if (!FieldInGrid(lon) || !FieldInGrid(lat)) return std::nullopt;
  const EncodedAxis x = Split<kWithRest>(lon);
  const EncodedAxis y = Split<kWithRest>(lat);
  return EncodedPosition{y, x};
}

// Writes the six characters of the encoded position into locator[0..5].
inline void WriteSixCharacters(const EncodedPosition& p, char* locator) {
  const EncodedAxis& x = p.longitude;
  const EncodedAxis& y = p.latitude;
  locator[0] = static_cast<char>('A' + x.field);
  locator[1] = static_cast<char>('A' + y.field);
  locator[2] = static_cast<char>('0' + x.square);
  locator[3] = static_cast<char>('0' + y.square);
  locator[4] = static_cast<char>('A' + x.subSquare);
  locator[5] = static_cast<char>('A' + y.subSquare);
}

}  // namespace morvane::detail
