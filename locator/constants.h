// Numbers that define the locator grid and the Earth model. Each is written
// exactly as the program has always used it: results at rounding boundaries
// depend on these exact doubles, so none of them may be "improved".
#pragma once

namespace morvane {

// Pi as the 15-digit literal, not the full-precision value. It is used for
// degrees to radians, colatitudes, the central angle and the azimuth alike,
// so the results stay consistent with each other.
inline constexpr double kPi = 3.14159265358979;

// Earth circumference along a great circle, in kilometres. The sphere's
// radius is kEarthCircumferenceKm / (2 * kPi), about 6378.387 km.
inline constexpr double kEarthCircumferenceKm = 40076.59;

// Kilometres per statute mile, as the program has always rounded it
// (not 1.609344).
inline constexpr double kKmPerMile = 1.609;

// Grid origin: 180 degrees West, 90 degrees South.
inline constexpr double kLongitudeShiftDegrees = 180.0;
inline constexpr double kLatitudeShiftDegrees = 90.0;

// Field size in degrees (letters "A".."R", 18 per axis).
inline constexpr double kFieldLongitudeDegrees = 20.0;
inline constexpr double kFieldLatitudeDegrees = 10.0;
inline constexpr int kFieldsPerAxis = 18;

// Squares per field (digits "0".."9") and sub-squares per square
// (letters "A".."X").
inline constexpr double kSquaresPerField = 10.0;
inline constexpr double kSubSquaresPerSquare = 24.0;

// Sub-square size in minutes, and the centre's offset into it.
inline constexpr double kSubSquareLatitudeMinutes = 2.5;
inline constexpr double kSubSquareLatitudeCentre = 1.25;
inline constexpr double kSubSquareLongitudeMinutes = 5.0;
inline constexpr double kSubSquareLongitudeCentre = 2.5;

inline constexpr double kMinutesPerDegree = 60.0;
inline constexpr double kSecondsPerDegree = 3600.0;

}  // namespace morvane
