#include "bird/draw.h"

#include <array>
#include <cmath>
#include <cstring>

#include "bird/export.h"
#include "sim/constants.h"

namespace soar {

namespace {

// The neck, where the roll blends in, in metres from mid-body. Its length is
// taken in float arithmetic.
constexpr float kNeckStart = -0.4f;
constexpr float kNeckEnd = -0.2f;
constexpr float kNeckLength = kNeckEnd - kNeckStart;

// Palette indices.
constexpr int16_t kWhite = 15;
constexpr int16_t kYellow = 14;
constexpr int16_t kBlack = 0;

// Bill (model x < 0.09) yellow, the rest of the body white.
int16_t body_colour(float model_x) {
    return model_x < 0.09f ? kYellow : kWhite;
}

// Export element numbers and files of the components.
enum Element {
    kWingSections = 1,
    kOutlineOrProfile = 2,
    kPlan = 3,
    kSparOrBodySections = 4,
    kEye = 5
};
enum File { kFileOutline = 2, kFileSections = 3, kFileSpar = 4, kFileProfile = 5 };

// One drawing pass of the bird: every point goes through scaling, attitude and
// projection, is exported, and is joined to the previous one.
class Pass {
  public:
    Pass(State& s, Surface& pic, BirdExport& out)
        : s_(s), pic_(pic), att_(s), proj_(s), out_(out) {}

    void begin_polyline(int file) { out_.begin_polyline(file); }

    // Model point (x, y, z); `left` mirrors it to the left side.
    void point(float x, float y, float z, bool left, int element, int section, int file,
               bool first) {
        if (left) y = -y;
        bird_scale_point(s_, x, y, z);
        bird_attitude(att_, proj_, x, y, z, pt_);
        if (out_.writing()) {
            const std::array<float, 10> rec = {
                float(element), float(section), x, y, z, pt_.u, pt_.depth, pt_.v, pt_.px, pt_.py};
            out_.record(file, rec);
        }
        // The pen goes to a polyline's first point whether or not it is visible; a
        // visible first point gets a dot.
        if (first) pic_.set_pen(pt_.px, pt_.py);
        if (pt_.vis > 0.5f) {
            if (s_.bird_colour != colour_index_) {
                colour_index_ = s_.bird_colour;
                colour_ = palette_colour(colour_index_);
            }
            pic_.line_to(pt_.px, pt_.py, colour_);
        }
    }

  private:
    State& s_;
    Surface& pic_;
    BirdAttitude att_;
    Projector proj_;
    BirdExport& out_;
    Projected pt_{};  // picture position 0, 0 until the first visible point
    int16_t colour_index_ = -1;
    Colour colour_{};
};

}  // namespace

void bird_scale_point(const State& s, float& x, float& y, float& z) {
    // One body length is 3.5 / 2.8 = 1.25 m (a 3.5 m span, 2.8 body lengths) at
    // bird_scale 1.
    const float b = float(double(s.bird_scale) * 3.5 / 2.8);
    // Origin at mid-length, 0.04 body lengths below the centre line.
    x = float((double(x) - 0.5) * double(b));
    y = float(double(y) * double(b));
    z = float((double(z) + 0.04) * double(b));
}

double bird_graded_roll(float roll_b, float x) {
    const double xd = x;
    const double roll = roll_b;
    if (xd <= -0.4) return 0.0;
    if (xd <= -0.2) return roll * 0.5 * (1.0 - std::cos((xd + 0.4) * k::pi / double(kNeckLength)));
    if (xd <= 0.2) return roll;
    const double u = xd - 0.2;
    return roll * (0.6 * std::exp(-20.0 * (u * u)) + 0.4);
}

BirdAttitude::BirdAttitude(const State& s) : roll_b_(s.roll_b) {
    const double th = double(s.pitch_b) * k::d2r;
    const double ps = double(s.yaw_b) * k::d2r;
    cos_p_ = std::cos(th), sin_p_ = std::sin(th);
    cos_y_ = std::cos(ps), sin_y_ = std::sin(ps);
}

Rotated BirdAttitude::rotate(float x, float y, float z) const {
    const double a = bird_graded_roll(roll_b_, x) * k::d2r;
    if (std::memcmp(&a, &last_a_, sizeof a) != 0) {
        last_a_ = a;
        cos_a_ = std::cos(a);
        sin_a_ = std::sin(a);
    }
    const double ca = cos_a_, sa = sin_a_;
    const double xd = x, yd = y, zd = z;
    // Roll about x, pitch about y, yaw about z.
    const double y1 = yd * ca - zd * sa;
    const double z1 = zd * ca + yd * sa;
    const double x2 = xd * cos_p_ + z1 * sin_p_;
    const double z2 = z1 * cos_p_ - xd * sin_p_;
    return {float(x2 * cos_y_ - y1 * sin_y_), float(x2 * sin_y_ + y1 * cos_y_), float(z2)};
}

void bird_attitude(const BirdAttitude& att, const Projector& proj, float x, float y, float z,
                   Projected& out) {
    const Rotated r = att.rotate(x, y, z);
    proj.project(r.x, r.y, r.z, out);
}

ExportResult bird_draw(State& s, Surface& pic, TextFiles& files) {
    BirdExport out(files, s.write_flag == 1);
    Pass p(s, pic, out);
    const bool sides[2] = {false, true};  // right as stored, then mirrored

    // 1. Wing outline, in whatever pen width the surface has.
    s.bird_colour = kWhite;
    for (bool left : sides) {
        p.begin_polyline(kFileOutline);
        for (int i = 1; i <= s.n_wout; ++i)
            p.point(s.x_wout(i), s.y_wout(i), s.z_wout(i), left, kOutlineOrProfile, i, kFileOutline,
                    i == 1);
    }

    // 2. Wing sections, one polyline each.
    s.bird_colour = kWhite;
    pic.set_draw_width(1);
    for (bool left : sides) {
        for (int i = 1; i <= s.n_wsec; ++i) {
            p.begin_polyline(kFileSections);
            for (int j = 1; j <= s.n_wpt; ++j)
                p.point(s.x_wing(i, j), s.y_wing(i, j), s.z_wing(i, j), left, kWingSections, i,
                        kFileSections, j == 1);
        }
    }

    // 3. Spar line.
    for (bool left : sides) {
        p.begin_polyline(kFileSpar);
        for (int i = 1; i <= s.n_spar; ++i)
            p.point(s.x_spar(i), s.y_spar(i), s.z_spar(i), left, kSparOrBodySections, i, kFileSpar,
                    i == 1);
    }

    // 4. Body profile, in the plane of symmetry: drawn once.
    pic.set_draw_width(1);
    p.begin_polyline(kFileProfile);
    for (int i = 1; i <= s.n_prof; ++i) {
        s.bird_colour = body_colour(s.x_prof(i));
        p.point(s.x_prof(i), s.y_prof(i), s.z_prof(i), false, kOutlineOrProfile, i, kFileProfile,
                i == 1);
    }

    // 5. Body plan outline.
    for (bool left : sides) {
        p.begin_polyline(kFileSections);
        for (int i = 1; i <= s.n_plan; ++i) {
            s.bird_colour = body_colour(s.x_plan(i));
            p.point(s.x_plan(i), s.y_plan(i), s.z_plan(i), left, kPlan, i, kFileSections, i == 1);
        }
    }

    // 6. Body cross-sections.
    for (bool left : sides) {
        for (int i = 1; i <= s.n_bsec; ++i) {
            p.begin_polyline(kFileSpar);
            for (int j = 1; j <= s.n_bpt; ++j) {
                pic.set_draw_width(1);
                s.bird_colour = body_colour(s.x_bsec(i, j));
                p.point(s.x_bsec(i, j), s.y_bsec(i, j), s.z_bsec(i, j), left, kSparOrBodySections,
                        i, kFileSpar, j == 1);
            }
        }
    }

    // 7. Eye.
    s.bird_colour = kBlack;
    pic.set_draw_width(1);
    for (bool left : sides) {
        p.begin_polyline(kFileProfile);
        for (int i = 1; i <= s.n_eye; ++i)
            p.point(s.x_eye(i), s.y_eye(i), s.z_eye(i), left, kEye, i, kFileProfile, i == 1);
    }

    return out.finish();
}

}  // namespace soar
