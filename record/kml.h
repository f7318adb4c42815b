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

#include "platform/atomic_file.h"
#include "record/flight_history.h"

namespace soar {

struct KmlPlace {
    double lat_deg = -49.3;        // 49.3 S: the southern Indian Ocean, albatross country
    double lon_deg = 70.2;         // 70.2 E, near the Kerguelen Islands
    double wind_from_deg = 270.0;  // compass direction the wind comes from
};

struct TrackPoint {
    double t;        // flight time, s
    double X, Y, Z;  // m
};

struct LatLonAlt {
    double lat_deg, lon_deg, alt_m;
};

// East and north of a point of the flight, m.
void east_north(const KmlPlace& place, double X, double Y, double& east, double& north);
// Whether this build places tracks on the globe (the web page's does not).
bool kml_tracks_available();
// The point on the globe; the altitude is the height above the sea, Z.
LatLonAlt place_point(const KmlPlace& place, double X, double Y, double Z);

// Which ticks a track keeps: at most `per_second` points per second of flight
// time, the first and the last tick always, never two at one time (a track
// that cannot be animated).
class TrackThinning {
  public:
    explicit TrackThinning(double per_second = 10.0);
    // Each tick's flight time in turn: whether its point is kept.
    bool keep(double t);
    // After the last tick: whether the last one, not kept when it came, is kept
    // now as the track's end.
    bool keep_last() const;

  private:
    double gap_;
    bool any_kept_ = false, any_given_ = false, last_given_kept_ = false;
    double kept_t_ = 0, given_t_ = 0;
};

// The points of a track, thinned as above.
std::vector<TrackPoint> track_points(const FlightHistory& h, double per_second = 10.0);

// The KML document. Time stamps count from start_utc (seconds since 1970).
std::string track_kml(const std::vector<TrackPoint>& points, const KmlPlace& place,
                      std::time_t start_utc, const std::string& name);

// The same document written as the flight goes, for a flight of any length in
// the same memory: the time stamps go to the file at once, the coordinates
// (which follow all of them in a gx:Track) to a scratch file beside it, without
// a name, copied in at the end. The bytes are those of track_kml(track_points(...)).
class KmlTrackWriter {
  public:
    // Starts the document in `out` (open, not yet written to).
    KmlTrackWriter(AtomicFile& out, const KmlPlace& place, std::time_t start_utc,
                   const std::string& name, double per_second = 10.0);
    ~KmlTrackWriter();
    KmlTrackWriter(const KmlTrackWriter&) = delete;
    KmlTrackWriter& operator=(const KmlTrackWriter&) = delete;

    // Every tick of the flight, in order; false once a write has failed.
    bool add(double t, double X, double Y, double Z);
    // The track's end and the coordinates; `out` is then ready to commit. False
    // (error() says why) when a write failed.
    bool finish();
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

  private:
    bool flush_coords();
    void put(double t, double X, double Y, double Z);

    AtomicFile& out_;
    KmlPlace place_;
    std::time_t start_;
    TrackThinning thinning_;
    TrackPoint last_{};
    int scratch_ = -1;
    std::string coords_;  // waiting for the scratch file
    std::string error_;
};

}  // namespace soar
