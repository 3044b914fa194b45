// The Sun's elevation above the horizon at a place and time, for whether a
// station is in daylight, darkness or on the greyline.
//
// The formulas are NOAA's solar calculator's (Global Monitoring Laboratory,
// "Solar Calculation Details"), which follow Jean Meeus, "Astronomical
// Algorithms": the Sun's apparent longitude and declination and the
// equation of time as series in Julian centuries. Within about 0.02 degrees
// of an ephemeris from 1900 to 2100. The elevation is geometric (the Sun's
// centre, no refraction): an almanac's sunrise is at -0.833 degrees.
#pragma once

namespace morvane {

// Degrees from -90 to 90; latitude and longitude in degrees (north, east
// positive), the time in seconds since 1970-01-01 00:00 UTC.
double SolarElevation(double latitude, double longitude, double unixSeconds);

}  // namespace morvane
