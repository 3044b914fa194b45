// Points along the great circle from one position to another, on the core's
// sphere: where the path is at a given distance, and where it comes nearest
// a pole.
#pragma once

namespace morvane {

// Degrees, north and east positive; longitude in (-180, 180].
struct Degrees {
  double latitude, longitude;
};

// Where a great circle leaving from at azimuth (degrees clockwise from
// north) is after arc radians.
Degrees Destination(Degrees from, double azimuth, double arc);

// The point of the path from `from` (leaving at azimuth, arc radians long)
// farthest from the equator: the vertex of its great circle when the path
// passes it, otherwise the end nearer a pole. A path along the equator
// gives its start.
Degrees PathVertex(Degrees from, double azimuth, double arc);

}  // namespace morvane
