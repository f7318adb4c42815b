#include "bird/draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "bird/build.h"
#include "platform/headless/dir_text_files.h"
#include "platform/headless/recording_surface.h"

namespace soar {
namespace {

// Points drawn per call (every polyline on every side it is drawn), and polylines.
constexpr int kPoints = 2 * 30 + 2 * 2 * 39 + 2 * 13 + 130 + 2 * 130 + 2 * 6 * 27 + 2 * 30;
constexpr int kPolylines = 2 + 4 + 2 + 1 + 2 + 12 + 2;

// The built bird at the origin, seen from 3 m along +y at eye level.
State viewed_bird(Surface& pic) {
    State s;
    bird_build(s);
    s.bird_scale = 1.0f;
    s.yep = -3.0f;
    s.zoom_deg = 45.0f;
    s.pic_aspect = 1.25f;
    ome_sig_scale(s, pic);
    return s;
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

TEST(BirdScalePoint, MetresAboutMidBody) {
    State s;
    s.bird_scale = 1.0f;
    float x = 0.5f, y = 0.0f, z = -0.04f;
    bird_scale_point(s, x, y, z);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 0.0f);
    EXPECT_NEAR(z, 0.0f, 1e-8);
    float bx = 0.0f, by = 1.4f, bz = 0.0f;  // bill tip level, wing tip span
    bird_scale_point(s, bx, by, bz);
    EXPECT_EQ(bx, -0.625f);
    EXPECT_EQ(by, 1.75f);
    EXPECT_FLOAT_EQ(bz, 0.05f);
    s.bird_scale = 2.0f;
    float tx = 1.0f, ty = 0.0f, tz = 0.0f;
    bird_scale_point(s, tx, ty, tz);
    EXPECT_EQ(tx, 1.25f);
}

TEST(BirdGradedRoll, HeadLevelTrunkRolledTailPartly) {
    EXPECT_EQ(bird_graded_roll(30.0f, -0.5f), 0.0);
    EXPECT_EQ(bird_graded_roll(30.0f, 0.0f), 30.0);
    EXPECT_NEAR(bird_graded_roll(30.0f, -0.3f), 15.0, 1e-4);
    EXPECT_NEAR(bird_graded_roll(30.0f, 0.6f), 30.0 * (0.6 * std::exp(-3.2) + 0.4), 1e-5);
    // The neck and tail blends meet their neighbours without a jump.
    EXPECT_NEAR(bird_graded_roll(30.0f, -0.3999f), 0.0, 1e-4);
    EXPECT_NEAR(bird_graded_roll(30.0f, -0.2f), 30.0, 1e-4);
    EXPECT_NEAR(bird_graded_roll(30.0f, 0.2001f), 30.0, 1e-4);
}

TEST(BirdAttitude, RotationConventions) {
    State s;
    const Rotated level = BirdAttitude(s).rotate(0.3f, -0.7f, 0.11f);
    EXPECT_EQ(level.x, 0.3f);
    EXPECT_EQ(level.y, -0.7f);
    EXPECT_EQ(level.z, 0.11f);
    s.roll_b = 90.0f;  // right wing up at the trunk, head not rolled
    EXPECT_NEAR(BirdAttitude(s).rotate(0.0f, 1.0f, 0.0f).z, 1.0f, 1e-6);
    EXPECT_EQ(BirdAttitude(s).rotate(-0.5f, 1.0f, 0.0f).z, 0.0f);
    s.roll_b = 0.0f, s.pitch_b = 90.0f;  // nose up: the bill (x < 0) rises
    EXPECT_NEAR(BirdAttitude(s).rotate(-0.5f, 0.0f, 0.0f).z, 0.5f, 1e-6);
    s.pitch_b = 0.0f, s.yaw_b = 90.0f;  // x turns into y
    EXPECT_NEAR(BirdAttitude(s).rotate(0.5f, 0.0f, 0.0f).y, 0.5f, 1e-6);

    RecordingSurface pic;
    State v = viewed_bird(pic);
    float x = 0.5f, y = 0.0f, z = -0.04f;
    bird_scale_point(v, x, y, z);
    Projected out{};
    bird_attitude(BirdAttitude(v), Projector(v), x, y, z, out);
    EXPECT_EQ(out.vis, 1.0f);
    EXPECT_EQ(out.px, 0.0f);  // mid-body lands at the picture centre
    EXPECT_NEAR(out.py, 0.0f, 1e-8);
    EXPECT_EQ(out.depth, 3.0f);
}

TEST(BirdDraw, ColoursPenWidthsAndPolylines) {
    RecordingSurface pic;
    State s = viewed_bird(pic);
    pic.set_draw_width(3);  // the wing outline keeps whatever width is set
    pic.clear();
    MemoryTextFiles files;
    EXPECT_TRUE(bird_draw(s, pic, files).ok);
    EXPECT_EQ(files.opens, 0);  // write_flag 0: no file touched

    // Expected colour of every point in drawing order: wing white, bill yellow,
    // rest of the body white, eye black.
    std::vector<int> colour(2 * 30 + 2 * 2 * 39 + 2 * 13, 15);
    auto body = [&](float x) { colour.push_back(x < 0.09f ? 14 : 15); };
    for (int i = 1; i <= 130; ++i) body(s.x_prof(i));
    for (int side = 0; side < 2; ++side)
        for (int i = 1; i <= 130; ++i) body(s.x_plan(i));
    for (int side = 0; side < 2; ++side)
        for (int i = 1; i <= 6; ++i)
            for (int j = 1; j <= 27; ++j) body(s.x_bsec(i, j));
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
    State s = viewed_bird(pic);
    s.roll_b = 25.0f, s.pitch_b = -10.0f, s.yaw_b = 15.0f;
    s.write_flag = 1;
    MemoryTextFiles files;
    const ExportResult r = bird_draw(s, pic, files);
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
        float x = s.x_wout(1), y = y_sign * s.y_wout(1), z = s.z_wout(1);
        bird_scale_point(s, x, y, z);
        Projected p{};
        bird_attitude(BirdAttitude(s), Projector(s), x, y, z, p);
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
    s.roll_b = 40.0f;
    ASSERT_TRUE(bird_draw(s, pic, files).ok);
    s.roll_b = 25.0f;
    ASSERT_TRUE(bird_draw(s, pic, files).ok);
    EXPECT_EQ(files.contents, once);
}

TEST(BirdDraw, PointsBehindTheObserverAreSkipped) {
    RecordingSurface pic;
    State s = viewed_bird(pic);
    s.yep = -1.0f;  // the left wing tip (y = -1.75 m) is behind the observer
    ome_sig_scale(s, pic);
    pic.clear();
    s.write_flag = 1;
    MemoryTextFiles files;
    ASSERT_TRUE(bird_draw(s, pic, files).ok);

    const auto recs = records_of(files.contents["xyz.txt"]);
    ASSERT_EQ(recs.size(), size_t(kPoints));
    int hidden = 0;
    for (size_t i = 1; i < recs.size(); ++i) {
        if (recs[i][6] > 0.01 * s.pic_w) continue;
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
    State s = viewed_bird(pic);
    s.write_flag = 1;
    MemoryTextFiles files;
    files.fail_on = "xyz_bs.txt";
    const ExportResult r = bird_draw(s, pic, files);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("xyz_bs.txt"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("injected failure"), std::string::npos) << r.error;
    EXPECT_EQ(files.opens, 7);                 // nothing opened after the failure
    EXPECT_EQ(pic.lines(), kPoints);           // but the bird is drawn
    EXPECT_EQ(files.contents["xyz.txt"], "");  // and no point written

    DirTextFiles nowhere(::testing::TempDir() + "no/such/dir");
    EXPECT_FALSE(bird_draw(s, pic, nowhere).ok);
}

}  // namespace
}  // namespace soar
