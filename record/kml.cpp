#include "record/kml.h"

#include <unistd.h>

#if !defined(SOAR_WITHOUT_GEOGRAPHICLIB)
#include <GeographicLib/LocalCartesian.hpp>
#endif
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "sim/constants.h"

namespace soar {

void east_north(const KmlPlace& place, double X, double Y, double& east, double& north) {
    // +X along the bearing the wind blows towards; +Y 90 deg to its left, so
    // that X, Y, Z stay right-handed with Z up.
    const double b = (place.wind_from_deg + 180.0) * k::exact_d2r;
    const double sb = std::sin(b), cb = std::cos(b);
    east = X * sb - Y * cb;
    north = X * cb + Y * sb;
}

#if defined(SOAR_WITHOUT_GEOGRAPHICLIB)
// The web page's build has no geodesy library: it offers no KML track, and a
// writer asked for one fails at once (KmlTrackWriter) rather than place points
// anywhere else than the desktop program would.
bool kml_tracks_available() {
    return false;
}

LatLonAlt place_point(const KmlPlace&, double, double, double) {
    throw std::logic_error("KML tracks are not available in this build");
}
#else
bool kml_tracks_available() {
    return true;
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
#endif

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
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

std::string kml_head(const std::string& name) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<kml xmlns=\"http://www.opengis.net/kml/2.2\" "
           "xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\n<Document>\n<name>" +
           xml_escaped(name) +
           "</name>\n<Style id=\"track\"><LineStyle><color>ff0000ff</color><width>2</width>"
           "</LineStyle></Style>\n<Placemark>\n<name>" +
           xml_escaped(name) + "</name>\n<styleUrl>#track</styleUrl>\n<gx:Track>\n" +
           "<altitudeMode>absolute</altitudeMode>\n";
}

constexpr const char* kKmlTail = "</gx:Track>\n</Placemark>\n</Document>\n</kml>\n";

void append_when(std::string& out, std::time_t start, double t) {
    out += "<when>" + utc_text(start, t) + "</when>\n";
}

void append_coord(std::string& out, const KmlPlace& place, double X, double Y, double Z) {
    char buf[96];
    const LatLonAlt g = place_point(place, X, Y, Z);
    std::snprintf(buf, sizeof buf, "<gx:coord>%.9f %.9f %.3f</gx:coord>\n", g.lon_deg, g.lat_deg,
                  g.alt_m);
    out += buf;
}

}  // namespace

TrackThinning::TrackThinning(double per_second)
    // A little slack, so that float flight times a hair short of the gap count.
    : gap_(per_second > 0 ? 0.999 / per_second : 0.0) {}

bool TrackThinning::keep(double t) {
    any_given_ = true;
    given_t_ = t;
    // Two points at one time would make a track that cannot be animated.
    last_given_kept_ = !any_kept_ || (t - kept_t_ >= gap_ && t > kept_t_);
    if (last_given_kept_) any_kept_ = true, kept_t_ = t;
    return last_given_kept_;
}

bool TrackThinning::keep_last() const {
    return any_given_ && !last_given_kept_ && (!any_kept_ || given_t_ > kept_t_);
}

std::vector<TrackPoint> track_points(const FlightHistory& h, double per_second) {
    std::vector<TrackPoint> out;
    TrackThinning thinning(per_second);
    TrackPoint last{};
    h.for_each_tick([&](const HistoryRow& row) {
        last = {row[int(Column::t)], row[int(Column::X)], row[int(Column::Y)], row[int(Column::Z)]};
        if (thinning.keep(last.t)) out.push_back(last);
    });
    if (thinning.keep_last()) out.push_back(last);
    return out;
}

std::string track_kml(const std::vector<TrackPoint>& points, const KmlPlace& place,
                      std::time_t start_utc, const std::string& name) {
    std::string out = kml_head(name);
    for (const TrackPoint& p : points) append_when(out, start_utc, p.t);
    for (const TrackPoint& p : points) append_coord(out, place, p.X, p.Y, p.Z);
    out += kKmlTail;
    return out;
}

KmlTrackWriter::KmlTrackWriter(AtomicFile& out, const KmlPlace& place, std::time_t start_utc,
                               const std::string& name, double per_second)
    : out_(out), place_(place), start_(start_utc), thinning_(per_second) {
    if (!kml_tracks_available()) {
        error_ = "KML tracks are not available in this build (no geodesy library)";
        return;
    }
    scratch_ = scratch_file_beside(out.path(), error_);
    if (scratch_ >= 0 && !out_.write(kml_head(name))) error_ = out_.error();
}

KmlTrackWriter::~KmlTrackWriter() {
    if (scratch_ >= 0) ::close(scratch_);
}

void KmlTrackWriter::put(double t, double X, double Y, double Z) {
    std::string when;
    append_when(when, start_, t);
    if (!out_.write(when)) error_ = out_.error();
    append_coord(coords_, place_, X, Y, Z);
    if (coords_.size() >= (64 << 10)) flush_coords();
}

bool KmlTrackWriter::add(double t, double X, double Y, double Z) {
    if (!ok()) return false;
    last_ = {t, X, Y, Z};
    if (thinning_.keep(t)) put(t, X, Y, Z);
    return ok();
}

bool KmlTrackWriter::flush_coords() {
    for (size_t done = 0; done < coords_.size();) {
        const ssize_t n = ::write(scratch_, coords_.data() + done, coords_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error_ = "cannot write the scratch file beside \"" + out_.path() +
                     "\": " + std::strerror(n < 0 ? errno : ENOSPC);
            return false;
        }
        done += size_t(n);
    }
    coords_.clear();
    return true;
}

bool KmlTrackWriter::finish() {
    if (!ok()) return false;
    if (thinning_.keep_last()) put(last_.t, last_.X, last_.Y, last_.Z);
    if (!ok() || !flush_coords()) return false;
    // The coordinates follow every time stamp.
    std::string chunk(1 << 16, '\0');
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(scratch_, chunk.data(), chunk.size(), at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error_ = "cannot read the scratch file beside \"" + out_.path() +
                     "\": " + std::strerror(errno);
            return false;
        }
        if (n == 0) break;
        at += n;
        if (!out_.write(std::string_view(chunk.data(), size_t(n)))) {
            error_ = out_.error();
            return false;
        }
    }
    if (!out_.write(kKmlTail)) error_ = out_.error();
    return ok();
}

}  // namespace soar
