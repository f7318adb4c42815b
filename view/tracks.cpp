#include "view/tracks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "sim/constants.h"
#include "view/projection.h"
#include "view/track_colour.h"
#include "view/track_lod.h"

namespace soar {

void track_record(Tracks& tr, int64_t tick, float X, float Y, float Z) {
    tr.n = tick;
    const size_t n = static_cast<size_t>(tick);
    // Index 0 is never used; point k belongs to tick k. A track that was not
    // recorded in every tick (boxes changed between flights) is padded with zeros.
    for (auto* v : {&tr.x, &tr.y, &tr.z}) {
        if (n == 1) v->clear();
        // Grown by a third at a time, not doubled: an hour's track is 43 MB, and
        // doubling would leave up to half of what it holds unused (with the
        // index, at most about 19 bytes a point are held).
        if (v->capacity() < n + 1) v->reserve(std::max(n + 1, v->capacity() + v->capacity() / 3));
        v->resize(n + 1, 0.0f);
    }
    if (n == 1) {
        tr.x[1] = 0.0f, tr.y[1] = 0.0f, tr.z[1] = Z;
        track_lod_reset(tr.lod);
        if (tr.values.n > 0) tr.values = TrackValues{};
    } else {
        tr.x[n] = X, tr.y[n] = Y, tr.z[n] = Z;
    }
    track_lod_update(tr.lod, tr.x.data(), tr.y.data(), tr.z.data(), int64_t(n));
}

namespace {

// One track's polyline, point by point. A long flight puts many consecutive
// points into one pixel; a point in the pixel the pen is already in adds nothing
// to a one-pixel line and is not drawn, so the cost of drawing follows the
// track's length on the screen, not its number of points.
struct Polyline {
    bool vis_prev = false;
    int32_t pen_ix = 0, pen_iy = 0;

    // The vertices to draw of points 0 .. n - 1 (visibility, position, pixel
    // cell), written from `out` on (room for n); returns the end of what was
    // written. The last point is drawn even in the pen's pixel when it ends the
    // track.
    PathVertex* add(const bool* vis, const float* px, const float* py, const int32_t* ix,
                    const int32_t* iy, int n, bool ends_at_last, PathVertex* out) {
        // In locals: the vertices written could otherwise be this very state.
        bool was = vis_prev;
        int32_t cx = pen_ix, cy = pen_iy;
        for (int j = 0; j < n; ++j) {
            const bool v = vis[j];
            // A visible point starts a run after an invisible one, or moves the pen.
            if (v && (!was || ix[j] != cx || iy[j] != cy || (ends_at_last && j == n - 1))) {
                *out++ = {!was, px[j], py[j]};
                cx = ix[j], cy = iy[j];
            }
            was = v;
        }
        vis_prev = was, pen_ix = cx, pen_iy = cy;
        return out;
    }

    // add() for a coloured track: each vertex written also gets its point's
    // colour step in `step_out`, at the vertex's index from `out`.
    PathVertex* add_coloured(const bool* vis, const float* px, const float* py, const int32_t* ix,
                             const int32_t* iy, const uint8_t* step, int n, bool ends_at_last,
                             PathVertex* out, uint8_t* step_out) {
        PathVertex* const first = out;
        bool was = vis_prev;
        int32_t cx = pen_ix, cy = pen_iy;
        for (int j = 0; j < n; ++j) {
            const bool v = vis[j];
            if (v && (!was || ix[j] != cx || iy[j] != cy || (ends_at_last && j == n - 1))) {
                step_out[out - first] = step[j];
                *out++ = {!was, px[j], py[j]};
                cx = ix[j], cy = iy[j];
            }
            was = v;
        }
        vis_prev = was, pen_ix = cx, pen_iy = cy;
        return out;
    }
};

// Vertices of one track waiting to be drawn; the storage only grows.
struct VertexBuffer {
    std::vector<PathVertex> v;
    size_t n = 0;
    // Room for `more` vertices after the n held.
    PathVertex* room(size_t more) {
        if (v.size() < n + more) v.resize(std::max(n + more, 2 * v.size()));
        return v.data() + n;
    }
    std::span<const PathVertex> held() const { return {v.data(), n}; }
};

// The colour steps of a coloured track's vertices, index for index.
struct StepBuffer {
    std::vector<uint8_t> v;
    uint8_t* room(size_t n, size_t more) {
        if (v.size() < n + more) v.resize(std::max(n + more, 2 * v.size()));
        return v.data() + n;
    }
};

// Where a block of track points stands in the current view.
enum class Fit {
    behind,   // every point behind the near limit: nothing drawn, the line breaks
    outside,  // every point in front and off the picture: only the two ends count
    inside,   // every point in front; `tol_m` metres of error stay under half a pixel
    unsure,   // across the near limit, or too close to tell: every point is drawn
};
struct BoxFit {
    Fit fit = Fit::unsure;
    double tol_m = 0;
};

// Shortest flight drawn through the index; shorter tracks are drawn point by
// point, so their pictures are exactly those of the plain drawing.
constexpr int64_t kIndexFrom = int64_t(16) * TrackLod::kLeaf;

// One drawing of the two tracks: the polylines' state and the view.
class TrackPass {
  public:
    TrackPass(const Camera& c, Shift shift, Surface& pic, bool ground, bool air, const Tracks& tr,
              const ColourScale* colour)
        : pic_(pic),
          proj_(c, shift),
          ground_on_(ground),
          air_on_(air),
          cell_per_unit_(std::fabs(pic.scale_y_to_pixels(1.0, pic.scale_mode()))),
          batch_(std::make_unique<Projector::TrackBatch>()) {
        const double w = double(c.azimuth_deg) * k::d2r, q = double(c.depression_deg) * k::d2r;
        cw_ = std::cos(w), sw_ = std::sin(w), cq_ = std::cos(q), sq_ = std::sin(q);
        ax_ = double(shift.x) - c.x_eye, by_ = double(shift.y) - c.y_eye;
        ez_ = double(shift.z) - c.z_eye;
        D_ = c.distance;
        near_ = float(0.01 * double(c.half_width));
        const ScaleSetting sc = pic.scale_setting();
        ppu_ = std::max(std::fabs(pic.scale_x_to_pixels(1.0, sc.mode)),
                        std::fabs(pic.scale_y_to_pixels(1.0, sc.mode)));
        usable_ = sc.mode == kScaleUser && !sc.refused && ppu_ > 0 && std::isfinite(ppu_);
        // The picture, two pixels wider on every side.
        const double m = usable_ ? 2.0 / ppu_ : 0.0;
        x_lo_ = std::min(sc.left, sc.right) - m, x_hi_ = std::max(sc.left, sc.right) + m;
        y_lo_ = std::min(sc.top, sc.bottom) - m, y_hi_ = std::max(sc.top, sc.bottom) + m;
        if (colour != nullptr && colour->by != TrackColour::plain && air) {
            colour_ = *colour;
            values_ = colour_values(tr, colour->by, n_values_);
            coloured_ = true;
        }
    }

    bool usable() const { return usable_; }

    // Points first .. first + n - 1, every one drawn, into the chosen polylines.
    void points(const float* x, const float* y, const float* z, int64_t first, int64_t n,
                int64_t last, bool ground, bool air) {
        for (int64_t done = 0; done < n; done += Projector::TrackBatch::kSize) {
            const int m = int(std::min<int64_t>(Projector::TrackBatch::kSize, n - done));
            proj_.project_tracks(x + done, y + done, z + done, m, cell_per_unit_, *batch_,
                                 tracks(ground, air));
            if (coloured_ && air) {
                for (int j = 0; j < m; ++j) steps_[j] = step_at(first + done + j);
            }
            add(*batch_, m, first + done + m - 1 == last, ground, air);
        }
    }

    // The polylines after points they do not draw: `fit` says which.
    void skip(Fit fit, const Tracks& tr, int64_t first, int64_t end, int64_t last, bool ground) {
        if (fit == Fit::behind) {
            (ground ? g_ : a_).vis_prev = false;
            return;
        }
        // Off the picture: the line between the block's ends stays off it too, and
        // the lines into and out of the block are the plain drawing's.
        const float x[2] = {tr.x[first], tr.x[end]}, y[2] = {tr.y[first], tr.y[end]},
                    z[2] = {tr.z[first], tr.z[end]};
        proj_.project_tracks(x, y, z, 2, cell_per_unit_, *batch_, tracks(ground, !ground));
        if (coloured_ && !ground) steps_[0] = step_at(first), steps_[1] = step_at(end);
        add(*batch_, 2, end == last, ground, !ground);
    }

    // A leaf by its simplified copy at error `tol_m`.
    void copy(const Tracks& tr, const TrackLod& lod, int64_t leaf, double tol_m, int64_t last,
              bool ground) {
        const uint32_t from = lod.rank_first[leaf], to = lod.rank_first[leaf + 1];
        const float* ranks = lod.rank_m.data();
        const uint32_t n_kept = uint32_t(
            std::partition_point(ranks + from, ranks + to, [&](float r) { return r > tol_m; }) -
            (ranks + from));
        uint64_t bits[TrackLod::kLeaf / 64] = {};
        auto mark = [&](unsigned off) { bits[off >> 6] |= uint64_t(1) << (off & 63); };
        mark(0), mark(TrackLod::kLeaf - 1);
        for (uint32_t i = from; i < from + n_kept; ++i) mark(lod.rank_offset[i]);
        float x[TrackLod::kKeep + 2], y[TrackLod::kKeep + 2], z[TrackLod::kKeep + 2];
        int n = 0;
        const int64_t base = leaf * TrackLod::kLeaf + 1;
        for (int w = 0; w < TrackLod::kLeaf / 64; ++w) {
            for (uint64_t b = bits[w]; b != 0; b &= b - 1) {
                const int64_t k = base + w * 64 + __builtin_ctzll(b);
                x[n] = tr.x[k], y[n] = tr.y[k], z[n] = tr.z[k];
                if (coloured_ && !ground) steps_[n] = step_at(k);
                ++n;
            }
        }
        proj_.project_tracks(x, y, z, n, cell_per_unit_, *batch_, tracks(ground, !ground));
        add(*batch_, n, base + TrackLod::kLeaf - 1 == last, ground, !ground);
    }

    // Where the points of box `b` (the ground track's: at height 0) stand.
    BoxFit look(const TrackBox& b, bool ground) const {
        double d_min = INFINITY, d_max = -INFINITY, a_max = 0, b_max = 0;
        double x_min = INFINITY, x_max = -INFINITY, y_min = INFINITY, y_max = -INFINITY;
        const int n_z = ground ? 1 : 2;
        // The corners in the observer's axes first: their depths alone decide
        // most boxes (behind, or across the near limit), and those need no
        // picture position.
        double cu[8], cd[8], cv[8];
        int n = 0;
        for (int i = 0; i < 2; ++i) {
            for (int j = 0; j < 2; ++j) {
                for (int l = 0; l < n_z; ++l) {
                    const double a = double(i ? b.hi[0] : b.lo[0]) + ax_;
                    const double bb = double(j ? b.hi[1] : b.lo[1]) + by_;
                    const double e = (ground ? 0.0 : double(l ? b.hi[2] : b.lo[2])) + ez_;
                    const double u = a * cw_ - bb * sw_;
                    const double f = a * sw_ + bb * cw_;
                    const double d = f * cq_ - e * sq_;
                    const double v = f * sq_ + e * cq_;
                    d_min = std::min(d_min, d), d_max = std::max(d_max, d);
                    cu[n] = u, cd[n] = d, cv[n] = v;
                    ++n;
                }
            }
        }
        // The points are projected in float: a margin far beyond its rounding.
        const double size = std::fabs(b.lo[0]) + std::fabs(b.hi[0]) + std::fabs(b.lo[1]) +
                            std::fabs(b.hi[1]) + std::fabs(b.lo[2]) + std::fabs(b.hi[2]) +
                            std::fabs(ax_) + std::fabs(by_) + std::fabs(ez_);
        const double margin = 1e-5 * size + 1e-6;
        if (!(d_min == d_min) || !(d_max == d_max)) return {};  // NaN: draw point by point
        if (d_max <= double(near_) - margin) return {Fit::behind, 0};
        if (d_min <= double(near_) + margin) return {};
        for (int k = 0; k < n; ++k) {
            const double d = cd[k];
            if (d > 0) {
                const double px = cu[k] / d, py = cv[k] / d;
                a_max = std::max(a_max, std::fabs(px)), b_max = std::max(b_max, std::fabs(py));
                x_min = std::min(x_min, px), x_max = std::max(x_max, px);
                y_min = std::min(y_min, py), y_max = std::max(y_max, py);
            }
        }
        // In front of the near limit the projection keeps lines straight, so
        // everything between the points lies within their corners' picture.
        if (x_max * D_ < x_lo_ || x_min * D_ > x_hi_ || y_max * D_ < y_lo_ || y_min * D_ > y_hi_)
            return {Fit::outside, 0};
        // A displacement of one metre moves the picture by at most
        // (D / depth) * sqrt(1 + (u / depth)^2 + (v / depth)^2) user units: the
        // picture moves by (du - a dd, dv - b dd) D / depth for a = u / depth,
        // b = v / depth and a displacement (du, dv, dd) in the observer's axes,
        // and the largest stretch of that map is sqrt(1 + a^2 + b^2). Over the
        // box, depth is least and |a|, |b| largest at corners (the box is in
        // front, where perspective keeps lines straight).
        const double grow = 1.0 + a_max * a_max + b_max * b_max;
        const double px_per_m = ppu_ * (D_ / d_min) * std::sqrt(grow);
        return {Fit::inside, 0.5 / px_per_m};
    }

    // Draws the air track's vertices over the ground track, as the plain drawing does.
    void finish() {
        flush_ground();
        if (!coloured_) {
            pic_.path(air_.held(), palette_colour(1));  // dark blue
            return;
        }
        // Each run of vertices of one step in its colour; each run goes on from
        // the pen where the last one left it, so the lines are those of one path.
        const std::span<const PathVertex> all = air_.held();
        for (size_t i = 0; i < all.size();) {
            size_t j = i + 1;
            while (j < all.size() && air_steps_.v[j] == air_steps_.v[i]) ++j;
            const uint8_t step = air_steps_.v[i];
            pic_.path(all.subspan(i, j - i),
                      step == kNoStep ? palette_colour(1) : step_colour(colour_.by, step));
            i = j;
        }
    }

    int64_t projected() const { return projected_; }

  private:
    // The ground track's lines go to the surface in batches as they come; the
    // air track's are kept to be drawn over the whole ground track.
    static constexpr size_t kGroundBatch = 4096;
    static unsigned tracks(bool ground, bool air) {
        return (ground ? Projector::kGround : 0) | (air ? Projector::kAir : 0);
    }
    void flush_ground() {
        pic_.path(ground_.held(), palette_colour(2));  // green
        ground_.n = 0;
    }
    void add(const Projector::TrackBatch& b, int n, bool ends_at_last, bool ground, bool air) {
        projected_ += n;
        if (ground) {
            PathVertex* const out = ground_.room(size_t(n));
            ground_.n += size_t(g_.add(b.ground_vis, b.ground_px, b.ground_py, b.ground_ix,
                                       b.ground_iy, n, ends_at_last, out) -
                                out);
        }
        if (air && coloured_) {
            PathVertex* const out = air_.room(size_t(n));
            uint8_t* const steps = air_steps_.room(air_.n, size_t(n));
            air_.n += size_t(a_.add_coloured(b.air_vis, b.air_px, b.air_py, b.air_ix, b.air_iy,
                                             steps_, n, ends_at_last, out, steps) -
                             out);
        } else if (air) {
            PathVertex* const out = air_.room(size_t(n));
            air_.n += size_t(
                a_.add(b.air_vis, b.air_px, b.air_py, b.air_ix, b.air_iy, n, ends_at_last, out) -
                out);
        }
        if (ground_.n >= kGroundBatch) flush_ground();
    }

    Surface& pic_;
    const Projector proj_;
    bool ground_on_, air_on_;
    double cell_per_unit_;
    std::unique_ptr<Projector::TrackBatch> batch_;
    double cw_ = 0, sw_ = 0, cq_ = 0, sq_ = 0, ax_ = 0, by_ = 0, ez_ = 0, D_ = 0;
    float near_ = 0;
    double ppu_ = 0;
    bool usable_ = false;
    double x_lo_ = 0, x_hi_ = 0, y_lo_ = 0, y_hi_ = 0;
    Polyline g_, a_;
    VertexBuffer ground_, air_;
    int64_t projected_ = 0;
    // The coloured air track: the scale, the values per point and the steps of
    // the batch in hand and of the vertices kept.
    uint8_t step_at(int64_t k) const {
        return k < n_values_ ? colour_step(colour_, values_[k]) : kNoStep;
    }
    bool coloured_ = false;
    ColourScale colour_;
    const float* values_ = nullptr;
    int64_t n_values_ = 0;
    uint8_t steps_[Projector::TrackBatch::kSize] = {};
    StepBuffer air_steps_;
};

// What a block does for one track.
enum class Act { none, raw, behind, outside, copy };

// Leaf `leaf` part by part for the tracks chosen: parts behind the near limit
// or off the picture skipped, every point of the others drawn.
void parts(TrackPass& pass, const Tracks& tr, int64_t leaf, int64_t last, bool ground, bool air) {
    const TrackLod& lod = tr.lod;
    const float *x = tr.x.data(), *y = tr.y.data(), *z = tr.z.data();
    constexpr int64_t per_leaf = TrackLod::kLeaf / TrackLod::kPart;
    for (int64_t i = leaf * per_leaf; i < (leaf + 1) * per_leaf; ++i) {
        const int64_t p = i * TrackLod::kPart + 1, end = p + TrackLod::kPart - 1;
        const TrackBox& box = lod.part_box[size_t(i)];
        const Fit fg = ground ? pass.look(box, true).fit : Fit::unsure;
        const Fit fa = air ? pass.look(box, false).fit : Fit::unsure;
        const auto skips = [](Fit f) { return f == Fit::behind || f == Fit::outside; };
        const bool draw_g = ground && !skips(fg), draw_a = air && !skips(fa);
        if (draw_g || draw_a)
            pass.points(x + p, y + p, z + p, p, TrackLod::kPart, last, draw_g, draw_a);
        if (ground && !draw_g) pass.skip(fg, tr, p, end, last, true);
        if (air && !draw_a) pass.skip(fa, tr, p, end, last, false);
    }
}

}  // namespace

int64_t tracks_draw(const Tracks& tr, const Camera& c, Surface& pic, bool ground, bool air,
                    int64_t upto, TrackDetail detail, const ColourScale* colour) {
    if (!ground && !air) return 0;
    const int64_t last = std::min<int64_t>(upto - 1, int64_t(tr.x.size()) - 1);
    TrackPass pass(c, Shift{}, pic, ground, air, tr, colour);
    const float *x = tr.x.data(), *y = tr.y.data(), *z = tr.z.data();
    const TrackLod& lod = tr.lod;
    constexpr int64_t leaf = TrackLod::kLeaf, group = leaf * TrackLod::kGroup;
    int64_t p = 1;
    // The index is used only when it describes these very points (the arrays are
    // written by track_record alone) and the track is long enough to gain by it.
    if (detail == TrackDetail::indexed && last >= kIndexFrom && lod.n >= last && pass.usable()) {
        const int64_t n_leaves = std::min<int64_t>(int64_t(lod.leaf_box.size()), last / leaf);
        const int64_t n_groups = std::min<int64_t>(int64_t(lod.group_box.size()), last / group);
        while (p <= last) {
            const int64_t b = (p - 1) / leaf;
            if (b >= n_leaves) break;
            if (b % TrackLod::kGroup == 0 && b / TrackLod::kGroup < n_groups) {
                const TrackBox& box = lod.group_box[size_t(b / TrackLod::kGroup)];
                const Fit fg = ground ? pass.look(box, true).fit : Fit::behind;
                const Fit fa = air ? pass.look(box, false).fit : Fit::behind;
                const auto skips = [](Fit f) { return f == Fit::behind || f == Fit::outside; };
                if (skips(fg) && skips(fa)) {
                    if (ground) pass.skip(fg, tr, p, p + group - 1, last, true);
                    if (air) pass.skip(fa, tr, p, p + group - 1, last, false);
                    p += group;
                    continue;
                }
            }
            const TrackBox& box = lod.leaf_box[size_t(b)];
            const bool ready = TrackLod::copy_ready(b, last) && b < int64_t(lod.leaf_floor.size());
            const float floor = ready ? lod.leaf_floor[size_t(b)] : -1.0f;
            BoxFit fits[2];
            Act acts[2] = {Act::none, Act::none};
            for (int t = 0; t < 2; ++t) {
                const bool is_ground = t == 0;
                if (!(is_ground ? ground : air)) continue;
                fits[t] = pass.look(box, is_ground);
                switch (fits[t].fit) {
                    case Fit::behind:
                        acts[t] = Act::behind;
                        break;
                    case Fit::outside:
                        acts[t] = Act::outside;
                        break;
                    case Fit::inside:
                        acts[t] = floor >= 0.0f && fits[t].tol_m >= floor ? Act::copy : Act::raw;
                        break;
                    case Fit::unsure:
                        acts[t] = Act::raw;
                        break;
                }
            }
            const bool raw[2] = {acts[0] == Act::raw, acts[1] == Act::raw};
            if (raw[0] || raw[1]) parts(pass, tr, b, last, raw[0], raw[1]);
            for (int t = 0; t < 2; ++t) {
                const bool is_ground = t == 0;
                if (acts[t] == Act::behind || acts[t] == Act::outside) {
                    pass.skip(fits[t].fit, tr, p, p + leaf - 1, last, is_ground);
                } else if (acts[t] == Act::copy) {
                    pass.copy(tr, lod, b, fits[t].tol_m, last, is_ground);
                }
            }
            p += leaf;
        }
    }
    if (p <= last) pass.points(x + p, y + p, z + p, p, last - p + 1, last, ground, air);
    pass.finish();
    return pass.projected();
}

}  // namespace soar
