#include "locator/encode.h"

#include <cmath>

#include "locator/constants.h"
#include "locator/encode_steps.h"

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

// Splits a position measured in fields from the grid origin into its three
// indices. The caller has checked that the field lies in the grid.
detail::EncodedAxis Split(double fields) {
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
  const double rest = std::fmin(std::fmax(subs - sub, 0.0), 1.0);
  return {static_cast<int>(field), static_cast<int>(square),
          static_cast<int>(sub), rest};
}

bool FieldInGrid(double fields) {
  // Written so that NaN fails as well.
  return fields >= 0.0 && fields < kFieldsPerAxis;
}

}  // namespace

namespace detail {

std::optional<EncodedPosition> EncodeSteps(TypedAxis latitude, bool south,
                                           TypedAxis longitude, bool west) {
  if (!IsFinite(latitude) || !IsFinite(longitude)) return std::nullopt;

  double lon = AxisDegrees(longitude);
  lon = west ? kLongitudeShiftDegrees - lon : lon + kLongitudeShiftDegrees;
  lon = lon / kFieldLongitudeDegrees;

  double lat = AxisDegrees(latitude);
  lat = south ? kLatitudeShiftDegrees - lat : lat + kLatitudeShiftDegrees;
  lat = lat / kFieldLatitudeDegrees;

  if (!FieldInGrid(lon) || !FieldInGrid(lat)) return std::nullopt;
  return EncodedPosition{Split(lat), Split(lon)};
}

std::string SixCharacters(const EncodedPosition& p) {
  const EncodedAxis& x = p.longitude;
  const EncodedAxis& y = p.latitude;
  std::string locator(6, ' ');
  locator[0] = static_cast<char>('A' + x.field);
  locator[1] = static_cast<char>('A' + y.field);
  locator[2] = static_cast<char>('0' + x.square);
  locator[3] = static_cast<char>('0' + y.square);
  locator[4] = static_cast<char>('A' + x.subSquare);
  locator[5] = static_cast<char>('A' + y.subSquare);
  return locator;
}

}  // namespace detail

std::optional<std::string> EncodeLocator(TypedAxis latitude, bool south,
                                         TypedAxis longitude, bool west) {
  const auto steps = detail::EncodeSteps(latitude, south, longitude, west);
  if (!steps) return std::nullopt;
  return detail::SixCharacters(*steps);
}

}  // namespace morvane
