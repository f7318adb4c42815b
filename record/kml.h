// The flight track for Google Earth and similar tools: a KML gx:Track with a
// time stamp and an absolute altitude per point, placed on the globe.
//
// The flight's frame is local: +X downwind, Z up from the sea. The place puts
// its origin at a latitude and longitude on the sea and turns +X to point the
// way the wind blows: a wind from the west (270 deg) blows towards the east, so
// +X is east and +Y north. The east-north-up offsets go to latitude and
// longitude on the WGS84 ellipsoid (GeographicLib's LocalCartesian).
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "record/flight_history.h"

namespace soar {

struct KmlPlace {
    double lat_deg = -49.3;         // 49.3 S: the southern Indian Ocean, albatross country
    double lon_deg = 70.2;          // 70.2 E, near the Kerguelen Islands
    double wind_from_deg = 270.0;   // compass direction the wind comes from
};

struct TrackPoint {
    double t;     // flight time, s
    double X, Y, Z;  // m
};

struct LatLonAlt {
    double lat_deg, lon_deg, alt_m;
};

// East and north of a point of the flight, m.
void east_north(const KmlPlace& place, double X, double Y, double& east, double& north);
// The point on the globe; the altitude is the height above the sea, Z.
LatLonAlt place_point(const KmlPlace& place, double X, double Y, double Z);

// The points of a track, at most `per_second` per second of flight time (the
// first and the last tick always).
std::vector<TrackPoint> track_points(const FlightHistory& h, double per_second = 10.0);

// The KML document. Time stamps count from start_utc (seconds since 1970).
std::string track_kml(const std::vector<TrackPoint>& points, const KmlPlace& place,
                      std::time_t start_utc, const std::string& name);

}  // namespace soar
