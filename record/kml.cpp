#include "record/kml.h"
#include "sim/constants.h"

#include <GeographicLib/LocalCartesian.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace soar {

void east_north(const KmlPlace& place, double X, double Y, double& east, double& north) {
    // +X along the bearing the wind blows towards; +Y 90 deg to its left, so
    // that X, Y, Z stay right-handed with Z up.
    const double b = (place.wind_from_deg + 180.0) * k::exact_d2r;
    const double sb = std::sin(b), cb = std::cos(b);
    east = X * sb - Y * cb;
    north = X * cb + Y * sb;
}

LatLonAlt place_point(const KmlPlace& place, double X, double Y, double Z) {
    static thread_local GeographicLib::LocalCartesian frame;
    frame.Reset(place.lat_deg, place.lon_deg, 0.0);
    double e, n;
    east_north(place, X, Y, e, n);
    LatLonAlt out{};
    double h;
    frame.Reverse(e, n, Z, out.lat_deg, out.lon_deg, h);
    // Above the sea, not above the ellipsoid's tangent plane: over a flight of a
    // few kilometres the two differ by the curvature drop only.
    out.alt_m = Z;
    return out;
}

std::vector<TrackPoint> track_points(const FlightHistory& h, double per_second) {
    std::vector<TrackPoint> out;
    // A little slack, so that float flight times a hair short of the gap count.
    const double gap = per_second > 0 ? 0.999 / per_second : 0.0;
    for (size_t i = 0; i < h.size(); ++i) {
        const double t = h.at(Column::t, i);
        const bool last = i + 1 == h.size();
        if (!out.empty() && t - out.back().t < gap && !last) continue;
        // Two points at one time would make a track that cannot be animated.
        if (!out.empty() && t <= out.back().t) continue;
        out.push_back({t, h.at(Column::X, i), h.at(Column::Y, i), h.at(Column::Z, i)});
    }
    return out;
}

namespace {

std::string utc_text(std::time_t start, double t) {
    const double whole = std::floor(t);
    std::time_t when = start + std::time_t(whole);
    std::tm tm{};
    gmtime_r(&when, &tm);
    char buf[64];
    const int ms = int(std::lround((t - whole) * 1000.0));
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, std::min(ms, 999));
    return buf;
}

std::string xml_escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else out += c;
    }
    return out;
}

}  // namespace

std::string track_kml(const std::vector<TrackPoint>& points, const KmlPlace& place,
                      std::time_t start_utc, const std::string& name) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\" "
        "xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n<Document>\n<name>" +
        xml_escaped(name) +
        "</name>\n<Style id=\"track\"><LineStyle><color>ff0000ff</color><width>2</width>"
        "</LineStyle></Style>\n<Placemark>\n<name>" +
        xml_escaped(name) + "</name>\n<styleUrl>#track</styleUrl>\n<gx:Track>\n" +
        "<altitudeMode>absolute</altitudeMode>\n";
    for (const TrackPoint& p : points) out += "<when>" + utc_text(start_utc, p.t) + "</when>\n";
    char buf[96];
    for (const TrackPoint& p : points) {
        const LatLonAlt g = place_point(place, p.X, p.Y, p.Z);
        std::snprintf(buf, sizeof buf, "<gx:coord>%.9f %.9f %.3f</gx:coord>\n", g.lon_deg,
                      g.lat_deg, g.alt_m);
        out += buf;
    }
    out += "</gx:Track>\n</Placemark>\n</Document>\n</kml>\n";
    return out;
}

}  // namespace soar
