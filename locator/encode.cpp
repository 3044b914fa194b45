#include "locator/encode.h"

#include <cmath>

#include "locator/constants.h"

namespace morvane {
namespace {

// Degrees + minutes + seconds, in the historical order of operations.
double AxisDegrees(TypedAxis a) {
  return (a.minutes / kMinutesPerDegree + a.degrees) +
         a.seconds / kSecondsPerDegree;
}

bool IsFinite(TypedAxis a) {
  return std::isfinite(a.degrees) && std::isfinite(a.minutes) &&
         std::isfinite(a.seconds);
}

struct AxisIndices {
  int field;
  int square;
  int subSquare;
};

// Splits a position measured in fields from the grid origin into its three
// indices. The caller has checked that the field lies in the grid.
AxisIndices Split(double fields) {
  const double field = std::floor(fields);
  const double squares = (fields - field) * kSquaresPerField;
  double square = std::floor(squares);
  double sub = std::floor((squares - square) * kSubSquaresPerSquare);
  // A fraction within half an ulp of 1 would make the products round up to
  // the boundary itself (10 or 24) and put a ':' or 'Y' into the locator.
  // Typed positions pass through +-180 and +-90 first and are too coarse to
  // get that close, but the true cell is the last one below the boundary,
  // so keep the index there rather than trust that.
  if (square > kSquaresPerField - 1) square = kSquaresPerField - 1;
  if (sub > kSubSquaresPerSquare - 1) sub = kSubSquaresPerSquare - 1;
  return {static_cast<int>(field), static_cast<int>(square),
          static_cast<int>(sub)};
}

bool FieldInGrid(double fields) {
  // Written so that NaN fails as well.
  return fields >= 0.0 && fields < kFieldsPerAxis;
}

}  // namespace

std::optional<std::string> EncodeLocator(TypedAxis latitude, bool south,
                                         TypedAxis longitude, bool west) {
  if (!IsFinite(latitude) || !IsFinite(longitude)) return std::nullopt;

  double lon = AxisDegrees(longitude);
  lon = west ? kLongitudeShiftDegrees - lon : lon + kLongitudeShiftDegrees;
  lon = lon / kFieldLongitudeDegrees;

  double lat = AxisDegrees(latitude);
  lat = south ? kLatitudeShiftDegrees - lat : lat + kLatitudeShiftDegrees;
  lat = lat / kFieldLatitudeDegrees;

  if (!FieldInGrid(lon) || !FieldInGrid(lat)) return std::nullopt;

  const AxisIndices x = Split(lon);
  const AxisIndices y = Split(lat);
  std::string locator(6, ' ');
  locator[0] = static_cast<char>('A' + x.field);
  locator[1] = static_cast<char>('A' + y.field);
  locator[2] = static_cast<char>('0' + x.square);
  locator[3] = static_cast<char>('0' + y.square);
  locator[4] = static_cast<char>('A' + x.subSquare);
  locator[5] = static_cast<char>('A' + y.subSquare);
  return locator;
}

}  // namespace morvane
