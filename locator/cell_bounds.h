// How near and how far two cells can be: the true distance between two
// stations known only by their locators lies anywhere between the nearest
// and the farthest points of their cells, on the core's sphere.
#pragma once

#include <string_view>

namespace morvane {

// A cell's edges in degrees, north and east positive; east - west is the
// cell's width (never across the 180 degree meridian: the grid ends there).
struct CellBox {
  double south, north, west, east;
};
// Only defined for a text that CheckLocatorOfLength accepted.
CellBox LocatorBox(std::string_view locator);

// Great-circle kilometres, on the sphere of kEarthCircumferenceKm.
struct DistanceRange {
  double nearestKm;   // 0 when the cells touch or overlap
  double farthestKm;  // at most half the circumference
};
DistanceRange CellDistanceRange(const CellBox& a, const CellBox& b);

}  // namespace morvane
