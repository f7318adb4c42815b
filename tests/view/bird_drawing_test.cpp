#include "view/bird_drawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "bird/build.h"
#include "headless/recording_surface.h"
#include "platform/dir_text_files.h"

namespace soar {
namespace {

// Points drawn per call (every polyline on every side it is drawn), and polylines.
constexpr int kPoints = 2 * 30 + 2 * 2 * 39 + 2 * 13 + 130 + 2 * 130 + 2 * 6 * 27 + 2 * 30;
constexpr int kPolylines = 2 + 4 + 2 + 1 + 2 + 12 + 2;

// The built bird at the origin, seen from 3 m along +y at eye level.
struct ViewedBird {
    BirdModel model;
    BirdPose pose;
    Camera camera;
    bool write = false;  // export while drawing
};
ViewedBird viewed_bird(Surface& pic) {
    ViewedBird v;
    bird_build(v.model);
    v.pose.scale = 1.0f;
    v.camera.y_eye = -3.0f;
    v.camera.zoom_deg = 45.0f;
    v.camera.aspect = 1.25f;
    update_view(v.camera, pic);
    return v;
}

ExportResult draw_viewed(const ViewedBird& v, Surface& pic, TextFiles& files) {
    return draw_bird(v.model, v.pose, v.camera, Shift{}, pic, v.write ? &files : nullptr);
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    for (size_t at = 0, end; at < text.size(); at = end + 2) {
        end = text.find("\r\n", at);
        if (end == std::string::npos) {
            ADD_FAILURE() << "line without CR LF";
            break;
        }
        out.push_back(text.substr(at, end - at));
    }
    return out;
}

// The numeric records of a file: ten numbers each.
std::vector<std::vector<double>> records_of(const std::string& text) {
    std::vector<std::vector<double>> out;
    for (const std::string& line : lines_of(text)) {
        if (line.empty() || line[0] == ' ') continue;  // separator or header
        std::vector<double> rec;
        std::stringstream ss(line);
        for (std::string field; std::getline(ss, field, ',');) rec.push_back(std::stod(field));
        EXPECT_EQ(rec.size(), 10u) << line;
        out.push_back(rec);
    }
    return out;
}

TEST(BirdDraw, MidBodyLandsAtThePictureCentre) {
    RecordingSurface pic;
    const ViewedBird v = viewed_bird(pic);
    float x = 0.5f, y = 0.0f, z = -0.04f;
    bird_scale_point(v.pose.scale, x, y, z);
    Projected out{};
    project_bird_point(BirdAttitude(v.pose.attitude), Projector(v.camera), x, y, z, out);
    EXPECT_EQ(out.vis, 1.0f);
    EXPECT_EQ(out.px, 0.0f);  // mid-body lands at the picture centre
    EXPECT_NEAR(out.py, 0.0f, 1e-8);
    EXPECT_EQ(out.depth, 3.0f);
}

TEST(BirdDraw, ColoursPenWidthsAndPolylines) {
    RecordingSurface pic;
    ViewedBird s = viewed_bird(pic);
    pic.set_draw_width(3);  // the wing outline keeps whatever width is set
    pic.clear();
    MemoryTextFiles files;
    EXPECT_TRUE(draw_viewed(s, pic, files).ok);
    EXPECT_EQ(files.opens, 0);  // not exporting: no file touched

    // Expected colour of every point in drawing order: wing white, bill yellow,
    // rest of the body white, eye black.
    std::vector<int> colour(2 * 30 + 2 * 2 * 39 + 2 * 13, 15);
    auto body = [&](float x) { colour.push_back(x < 0.09f ? 14 : 15); };
    for (int i = 1; i <= 130; ++i) body(s.model.x_prof(i));
    for (int side = 0; side < 2; ++side)
        for (int i = 1; i <= 130; ++i) body(s.model.x_plan(i));
    for (int side = 0; side < 2; ++side)
        for (int i = 1; i <= 6; ++i)
            for (int j = 1; j <= 27; ++j) body(s.model.x_bsec(i, j));
    colour.insert(colour.end(), 2 * 30, 0);

    int lines = 0, pens = 0, widths = 0;
    bool dot_due = false;
    for (const Primitive& p : pic.primitives()) {
        if (p.op == Primitive::Op::pen) ++pens, dot_due = true;
        if (p.op == Primitive::Op::width) {
            ++widths;
            EXPECT_EQ(p.width, 1);
        }
        if (p.op != Primitive::Op::line) continue;
        ASSERT_LT(lines, kPoints);
        EXPECT_EQ(p.colour, palette_colour(colour[size_t(lines)])) << "point " << lines;
        EXPECT_EQ(p.width, lines < 60 ? 3 : 1) << "point " << lines;
        if (dot_due) {
            EXPECT_TRUE(p.x == p.x2 && p.y == p.y2) << "point " << lines;
        }
        dot_due = false;
        ++lines;
    }
    EXPECT_EQ(lines, kPoints);  // the whole bird is in view
    EXPECT_EQ(pens, kPolylines);
    EXPECT_EQ(widths, 1 + 1 + 2 * 6 * 27 + 1);
}

TEST(BirdDraw, ExportFilesHoldEveryPointDrawn) {
    RecordingSurface pic;
    ViewedBird s = viewed_bird(pic);
    s.pose.attitude = {25.0f, -10.0f, 15.0f};
    s.write = true;
    MemoryTextFiles files;
    const ExportResult r = draw_viewed(s, pic, files);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(files.contents.size(), 8u);

    const std::string header = " element, section, x, y, z, xr, yr, zr, xp, zp ";
    const auto all = lines_of(files.contents["xyz.txt"]);
    ASSERT_EQ(all.size(), size_t(1 + kPolylines + kPoints));
    EXPECT_EQ(all[0], header);
    EXPECT_EQ(std::count(all.begin(), all.end(), ""), kPolylines);

    // Per component file: separator lines, then (element, records) runs in order.
    struct Want {
        const char* name;
        int blanks;
        std::vector<std::pair<int, int>> runs;
    };
    for (const Want& w : std::vector<Want>{{"xyz_wp.txt", 2, {{2, 60}}},
                                           {"xyz_ws.txt", 6, {{1, 156}, {3, 260}}},
                                           {"xyz_sp.txt", 14, {{4, 26 + 324}}},
                                           {"xyz_bm.txt", 3, {{2, 130}, {5, 60}}},
                                           {"xyz_eq.txt", 0, {}},
                                           {"xyz_bs.txt", 0, {}},
                                           {"xyz_ee.txt", 0, {}}}) {
        const auto lines = lines_of(files.contents[w.name]);
        ASSERT_FALSE(lines.empty()) << w.name;
        EXPECT_EQ(lines[0], header) << w.name;
        EXPECT_EQ(std::count(lines.begin(), lines.end(), " "), w.blanks) << w.name;
        const auto recs = records_of(files.contents[w.name]);
        size_t at = 0;
        for (auto [element, n] : w.runs)
            for (int k = 0; k < n && at < recs.size(); ++k, ++at)
                EXPECT_EQ(recs[at][0], element) << w.name << " record " << at;
        EXPECT_EQ(at, recs.size()) << w.name;
    }

    // Field order: the right root trailing edge opens the file, its mirror image the
    // second outline polyline.
    auto record = [&](float y_sign) {
        float x = s.model.x_wout(1), y = y_sign * s.model.y_wout(1), z = s.model.z_wout(1);
        bird_scale_point(s.pose.scale, x, y, z);
        Projected p{};
        project_bird_point(BirdAttitude(s.pose.attitude), Projector(s.camera), x, y, z, p);
        const float rec[10] = {2, 1, x, y, z, p.u, p.depth, p.v, p.px, p.py};
        return record_text(rec);
    };
    EXPECT_EQ(all[2], record(1.0f));
    EXPECT_EQ(all[2 + 30 + 1], record(-1.0f));
    const auto recs = records_of(files.contents["xyz.txt"]);
    EXPECT_EQ(recs[60 + 39][1], 2);  // wing sections are numbered by section
    EXPECT_EQ(recs[kPoints - 1][1], 30);

    // A second call rewrites the files: same contents as one call alone.
    const auto once = files.contents;
    s.pose.attitude.roll = 40.0f;
    ASSERT_TRUE(draw_viewed(s, pic, files).ok);
    s.pose.attitude.roll = 25.0f;
    ASSERT_TRUE(draw_viewed(s, pic, files).ok);
    EXPECT_EQ(files.contents, once);
}

TEST(BirdDraw, PointsBehindTheObserverAreSkipped) {
    RecordingSurface pic;
    ViewedBird s = viewed_bird(pic);
    s.camera.y_eye = -1.0f;  // the left wing tip (y = -1.75 m) is behind the observer
    update_view(s.camera, pic);
    pic.clear();
    s.write = true;
    MemoryTextFiles files;
    ASSERT_TRUE(draw_viewed(s, pic, files).ok);

    const auto recs = records_of(files.contents["xyz.txt"]);
    ASSERT_EQ(recs.size(), size_t(kPoints));
    int hidden = 0;
    for (size_t i = 1; i < recs.size(); ++i) {
        if (recs[i][6] > 0.01 * s.camera.half_width) continue;
        ++hidden;  // xp, zp repeat the previous point's
        EXPECT_EQ(recs[i][8], recs[i - 1][8]) << i;
        EXPECT_EQ(recs[i][9], recs[i - 1][9]) << i;
    }
    EXPECT_GT(hidden, 10);
    EXPECT_EQ(pic.lines(), kPoints - hidden);
    // The pen stays put: the next visible point is joined to the last visible one.
    double pen_x = 0, pen_y = 0;
    for (const Primitive& p : pic.primitives()) {
        if (p.op == Primitive::Op::pen) pen_x = p.x, pen_y = p.y;
        if (p.op != Primitive::Op::line) continue;
        EXPECT_TRUE(p.x2 == pen_x && p.y2 == pen_y);
        pen_x = p.x, pen_y = p.y;
    }
}

TEST(BirdDraw, FileThatCannotBeCreatedIsReported) {
    RecordingSurface pic;
    ViewedBird s = viewed_bird(pic);
    s.write = true;
    MemoryTextFiles files;
    files.fail_on = "xyz_bs.txt";
    const ExportResult r = draw_viewed(s, pic, files);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("xyz_bs.txt"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("injected failure"), std::string::npos) << r.error;
    EXPECT_EQ(files.opens, 7);                 // nothing opened after the failure
    EXPECT_EQ(pic.lines(), kPoints);           // but the bird is drawn
    EXPECT_EQ(files.contents["xyz.txt"], "");  // and no point written

    DirTextFiles nowhere(::testing::TempDir() + "no/such/dir");
    EXPECT_FALSE(draw_viewed(s, pic, nowhere).ok);
}

}  // namespace
}  // namespace soar
