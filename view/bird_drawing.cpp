#include "view/bird_drawing.h"

#include <array>

#include "bird/export.h"

namespace soar {

namespace {

// Export files for a drawing that writes none.
struct NoFiles final : TextFiles {
    bool open(int, const std::string&) override { return false; }
    bool write_line(int, const std::string&) override { return false; }
    bool write_record(int, std::span<const float>) override { return false; }
    bool close(int) override { return false; }
    std::string error() const override { return "no files"; }
};

// A picture nobody sees: the export's pass draws into it.
class NoPicture final : public Surface {
  public:
    void clear() override {}
    void scale(double, double, double, double) override {}
    double scale_top() const override { return 0; }
    int scale_mode() const override { return kScalePixels; }
    double scale_y_to_pixels(double extent, int) const override { return extent; }
    double scale_x_to_pixels(double extent, int) const override { return extent; }
    ScaleSetting scale_setting() const override { return {}; }
    void set_scale_setting(const ScaleSetting&) override {}
    void set_draw_width(int) override {}
    void pset(double, double) override {}
    void set_pen(double, double) override {}
    double pen_x() const override { return 0; }
    double pen_y() const override { return 0; }
    void line_to(double, double, Colour) override {}
};

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
    Pass(const BirdPose& pose, const Camera& c, Shift shift, Surface& pic, BirdExport& out)
        : scale_(pose.scale), pic_(pic), att_(pose.attitude), proj_(c, shift), out_(out) {}

    // The colour of the points that follow (a palette index).
    void colour(int16_t index) { colour_now_ = index; }

    void begin_polyline(int file) { out_.begin_polyline(file); }

    // Model point (x, y, z); `left` mirrors it to the left side.
    void point(float x, float y, float z, bool left, int element, int section, int file,
               bool first) {
        if (left) y = -y;
        bird_scale_point(scale_, x, y, z);
        project_bird_point(att_, proj_, x, y, z, pt_);
        if (out_.writing()) {
            const std::array<float, 10> rec = {
                float(element), float(section), x, y, z, pt_.u, pt_.depth, pt_.v, pt_.px, pt_.py};
            out_.record(file, rec);
        }
        // The pen goes to a polyline's first point whether or not it is visible; a
        // visible first point gets a dot.
        if (first) pic_.set_pen(pt_.px, pt_.py);
        if (pt_.vis > 0.5f) {
            if (colour_now_ != colour_index_) {
                colour_index_ = colour_now_;
                colour_ = palette_colour(colour_index_);
            }
            pic_.line_to(pt_.px, pt_.py, colour_);
        }
    }

  private:
    float scale_;
    Surface& pic_;
    BirdAttitude att_;
    Projector proj_;
    BirdExport& out_;
    Projected pt_{};  // picture position 0, 0 until the first visible point
    int16_t colour_now_ = 0;
    int16_t colour_index_ = -1;
    Colour colour_{};
};

}  // namespace

void project_bird_point(const BirdAttitude& att, const Projector& proj, float x, float y, float z,
                        Projected& out) {
    const Rotated r = att.rotate(x, y, z);
    proj.project(r.x, r.y, r.z, out);
}

ExportResult draw_bird(const BirdModel& m, const BirdPose& pose, const Camera& c, Shift shift,
                       Surface& pic, TextFiles* files) {
    NoFiles none;
    BirdExport out(files ? *files : none, files != nullptr);
    Pass p(pose, c, shift, pic, out);
    const bool sides[2] = {false, true};  // right as stored, then mirrored

    // 1. Wing outline, in whatever pen width the surface has.
    p.colour(kWhite);
    for (bool left : sides) {
        p.begin_polyline(kFileOutline);
        for (int i = 1; i <= m.n_wout; ++i)
            p.point(m.x_wout(i), m.y_wout(i), m.z_wout(i), left, kOutlineOrProfile, i, kFileOutline,
                    i == 1);
    }

    // 2. Wing sections, one polyline each.
    p.colour(kWhite);
    pic.set_draw_width(1);
    for (bool left : sides) {
        for (int i = 1; i <= m.n_wsec; ++i) {
            p.begin_polyline(kFileSections);
            for (int j = 1; j <= m.n_wpt; ++j)
                p.point(m.x_wing(i, j), m.y_wing(i, j), m.z_wing(i, j), left, kWingSections, i,
                        kFileSections, j == 1);
        }
    }

    // 3. Spar line.
    for (bool left : sides) {
        p.begin_polyline(kFileSpar);
        for (int i = 1; i <= m.n_spar; ++i)
            p.point(m.x_spar(i), m.y_spar(i), m.z_spar(i), left, kSparOrBodySections, i, kFileSpar,
                    i == 1);
    }

    // 4. Body profile, in the plane of symmetry: drawn once.
    pic.set_draw_width(1);
    p.begin_polyline(kFileProfile);
    for (int i = 1; i <= m.n_prof; ++i) {
        p.colour(body_colour(m.x_prof(i)));
        p.point(m.x_prof(i), m.y_prof(i), m.z_prof(i), false, kOutlineOrProfile, i, kFileProfile,
                i == 1);
    }

    // 5. Body plan outline.
    for (bool left : sides) {
        p.begin_polyline(kFileSections);
        for (int i = 1; i <= m.n_plan; ++i) {
            p.colour(body_colour(m.x_plan(i)));
            p.point(m.x_plan(i), m.y_plan(i), m.z_plan(i), left, kPlan, i, kFileSections, i == 1);
        }
    }

    // 6. Body cross-sections.
    for (bool left : sides) {
        for (int i = 1; i <= m.n_bsec; ++i) {
            p.begin_polyline(kFileSpar);
            for (int j = 1; j <= m.n_bpt; ++j) {
                pic.set_draw_width(1);
                p.colour(body_colour(m.x_bsec(i, j)));
                p.point(m.x_bsec(i, j), m.y_bsec(i, j), m.z_bsec(i, j), left, kSparOrBodySections,
                        i, kFileSpar, j == 1);
            }
        }
    }

    // 7. Eye.
    p.colour(kBlack);
    pic.set_draw_width(1);
    for (bool left : sides) {
        p.begin_polyline(kFileProfile);
        for (int i = 1; i <= m.n_eye; ++i)
            p.point(m.x_eye(i), m.y_eye(i), m.z_eye(i), left, kEye, i, kFileProfile, i == 1);
    }

    return out.finish();
}

}  // namespace soar

namespace soar {

ExportResult export_bird(const BirdModel& m, const BirdPose& pose, const Camera& c, Shift shift,
                         TextFiles& files) {
    NoPicture none;
    return draw_bird(m, pose, c, shift, none, &files);
}

}  // namespace soar
