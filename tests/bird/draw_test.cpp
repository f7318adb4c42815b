#include "bird/draw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "bird/build.h"
#include "platform/headless/dir_text_files.h"
#include "platform/headless/recording_surface.h"
#include "view/projection.h"

namespace soar {
namespace {

// Points drawn per call: every polyline on every side it is drawn.
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
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "line without CR LF";
        if (end == std::string::npos) break;
        out.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return out;
}

std::vector<std::vector<double>> records_of(const std::string& text) {
    std::vector<std::vector<double>> out;
    for (const std::string& line : lines_of(text)) {
        if (line.empty() || line == " " || line[0] == ' ') continue;
        std::vector<double> rec;
        std::stringstream ss(line);
        std::string field;
        while (std::getline(ss, field, ',')) rec.push_back(std::stod(field));
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

    s.bird_scale = 0.0f;  // an empty scale box: the bird collapses, no fault
    float cx = 1.0f, cy = 1.0f, cz = 1.0f;
    bird_scale_point(s, cx, cy, cz);
    EXPECT_EQ(std::fabs(cx) + std::fabs(cy) + std::fabs(cz), 0.0f);
}

TEST(BirdGradedRoll, HeadLevelTrunkRolledTailPartly) {
    EXPECT_EQ(bird_graded_roll(30.0f, -0.5f), 0.0);
    EXPECT_EQ(bird_graded_roll(30.0f, -0.4f), 0.0);
    EXPECT_EQ(bird_graded_roll(30.0f, 0.0f), 30.0);
    EXPECT_EQ(bird_graded_roll(30.0f, 0.2f - 1e-7f), 30.0);
    EXPECT_NEAR(bird_graded_roll(30.0f, -0.3f), 15.0, 1e-4);
    EXPECT_NEAR(bird_graded_roll(30.0f, 0.6f), 30.0 * (0.6 * std::exp(-3.2) + 0.4), 1e-5);
    EXPECT_NEAR(bird_graded_roll(30.0f, 0.6f), 12.73, 0.01);
    // The blend meets its neighbours without a jump.
    EXPECT_NEAR(bird_graded_roll(30.0f, -0.3999f), 0.0, 1e-4);
    EXPECT_NEAR(bird_graded_roll(30.0f, -0.2f), 30.0, 1e-4);
    EXPECT_NEAR(bird_graded_roll(30.0f, 0.2001f), 30.0, 1e-4);
    EXPECT_NEAR(bird_graded_roll(-20.0f, -0.3f), -10.0, 1e-4);
}

TEST(BirdAttitude, RotationConventions) {
    State s;
    {
        const BirdAttitude level(s);
        const Rotated r = level.rotate(0.3f, -0.7f, 0.11f);
        EXPECT_EQ(r.x, 0.3f);
        EXPECT_EQ(r.y, -0.7f);
        EXPECT_EQ(r.z, 0.11f);
    }
    s.roll_b = 90.0f;  // at the trunk: the right wing goes up
    {
        const Rotated r = BirdAttitude(s).rotate(0.0f, 1.0f, 0.0f);
        EXPECT_NEAR(r.y, 0.0f, 1e-5);
        EXPECT_NEAR(r.z, 1.0f, 1e-6);
        const Rotated head = BirdAttitude(s).rotate(-0.5f, 1.0f, 0.0f);
        EXPECT_EQ(head.y, 1.0f);  // the head is not rolled
        EXPECT_EQ(head.z, 0.0f);
    }
    s.roll_b = 0.0f;
    s.pitch_b = 90.0f;  // nose up: the bill (x < 0) rises
    {
        const Rotated r = BirdAttitude(s).rotate(-0.5f, 0.0f, 0.0f);
        EXPECT_NEAR(r.x, 0.0f, 1e-5);
        EXPECT_NEAR(r.z, 0.5f, 1e-6);
    }
    s.pitch_b = 0.0f;
    s.yaw_b = 90.0f;  // x turns into y
    {
        const Rotated r = BirdAttitude(s).rotate(0.5f, 0.0f, 0.2f);
        EXPECT_NEAR(r.x, 0.0f, 1e-5);
        EXPECT_NEAR(r.y, 0.5f, 1e-6);
        EXPECT_EQ(r.z, 0.2f);
    }
}

TEST(BirdAttitude, MidBodyProjectsToThePictureCentre) {
    RecordingSurface pic;
    State s = viewed_bird(pic);
    float x = 0.5f, y = 0.0f, z = -0.04f;
    bird_scale_point(s, x, y, z);
    Projected out{};
    bird_attitude(BirdAttitude(s), Projector(s), x, y, z, out);
    EXPECT_EQ(out.vis, 1.0f);
    EXPECT_EQ(out.u, 0.0f);
    EXPECT_EQ(out.depth, 3.0f);
    EXPECT_NEAR(out.v, 0.0f, 1e-8);
    EXPECT_EQ(out.px, 0.0f);
    EXPECT_NEAR(out.py, 0.0f, 1e-8);
}

TEST(BirdDraw, PolylinesColoursAndPenWidths) {
    RecordingSurface pic;
    State s = viewed_bird(pic);
    pic.set_draw_width(3);  // the wing outline keeps whatever width is set
    pic.clear();
    MemoryTextFiles files;
    const ExportResult r = bird_draw(s, pic, files);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(files.opens, 0);  // write_flag 0: no file touched
    EXPECT_TRUE(files.contents.empty());

    // Expected colour of every point in drawing order.
    std::vector<int> colour;
    auto body = [&](float x) { colour.push_back(x < 0.09f ? 14 : 15); };
    colour.insert(colour.end(), 2 * 30 + 2 * 2 * 39 + 2 * 13, 15);
    for (int i = 1; i <= 130; ++i) body(s.x_prof(i));
    for (int side = 0; side < 2; ++side)
        for (int i = 1; i <= 130; ++i) body(s.x_plan(i));
    for (int side = 0; side < 2; ++side)
        for (int i = 1; i <= 6; ++i)
            for (int j = 1; j <= 27; ++j) body(s.x_bsec(i, j));
    colour.insert(colour.end(), 2 * 30, 0);
    ASSERT_EQ(colour.size(), size_t(kPoints));

    int lines = 0, pens = 0, widths = 0, yellow = 0;
    bool pen_just_set = false;
    for (const Primitive& p : pic.primitives()) {
        switch (p.op) {
            case Primitive::Op::pen:
                ++pens;
                pen_just_set = true;
                break;
            case Primitive::Op::width:
                ++widths;
                EXPECT_EQ(p.width, 1);
                break;
            case Primitive::Op::line:
                ASSERT_LT(lines, kPoints);
                EXPECT_EQ(p.colour, palette_colour(colour[size_t(lines)])) << "point " << lines;
                EXPECT_EQ(p.width, lines < 60 ? 3 : 1) << "point " << lines;
                if (pen_just_set) {  // a visible first point is a dot
                    EXPECT_EQ(p.x, p.x2);
                    EXPECT_EQ(p.y, p.y2);
                }
                yellow += p.colour.palette == 14;
                pen_just_set = false;
                ++lines;
                break;
            default:
                ADD_FAILURE() << "unexpected primitive";
        }
    }
    EXPECT_EQ(lines, kPoints);  // the whole bird is in view
    EXPECT_EQ(pens, kPolylines);
    EXPECT_EQ(widths, 1 + 1 + 2 * 6 * 27 + 1);
    EXPECT_GT(yellow, 20);
    EXPECT_EQ(s.bird_colour, 0);
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
    EXPECT_EQ(all[1], "");
    int empty = 0;
    for (const auto& l : all) empty += l.empty();
    EXPECT_EQ(empty, kPolylines);

    struct Expect {
        const char* name;
        int blanks;
        std::vector<std::pair<int, int>> elements;  // (element, records) in order
    };
    const Expect want[] = {
        {"xyz_wp.txt", 2, {{2, 60}}},
        {"xyz_ws.txt", 6, {{1, 156}, {3, 260}}},
        {"xyz_sp.txt", 14, {{4, 26 + 324}}},
        {"xyz_bm.txt", 3, {{2, 130}, {5, 60}}},
        {"xyz_eq.txt", 0, {}},
        {"xyz_bs.txt", 0, {}},
        {"xyz_ee.txt", 0, {}},
    };
    for (const Expect& e : want) {
        const auto text = files.contents[e.name];
        const auto lines = lines_of(text);
        ASSERT_FALSE(lines.empty()) << e.name;
        EXPECT_EQ(lines[0], header) << e.name;
        int blanks = 0;
        for (const auto& l : lines) blanks += l == " ";
        EXPECT_EQ(blanks, e.blanks) << e.name;
        const auto recs = records_of(text);
        size_t at = 0;
        for (auto [element, n] : e.elements)
            for (int k = 0; k < n; ++k, ++at) {
                ASSERT_LT(at, recs.size()) << e.name;
                ASSERT_EQ(recs[at].size(), 10u) << e.name;
                EXPECT_EQ(recs[at][0], element) << e.name << " record " << at;
            }
        EXPECT_EQ(at, recs.size()) << e.name;
    }

    // The first record: right wing outline, point 1 (the root trailing edge).
    float x = s.x_wout(1), y = s.y_wout(1), z = s.z_wout(1);
    bird_scale_point(s, x, y, z);
    Projected p{};
    bird_attitude(BirdAttitude(s), Projector(s), x, y, z, p);
    const float first[10] = {2, 1, x, y, z, p.u, p.depth, p.v, p.px, p.py};
    EXPECT_EQ(all[2], record_text(first));
    // ...and its mirror image opens the second outline polyline.
    float ml = s.x_wout(1), my = -s.y_wout(1), mz = s.z_wout(1);
    bird_scale_point(s, ml, my, mz);
    bird_attitude(BirdAttitude(s), Projector(s), ml, my, mz, p);
    const float mirrored[10] = {2, 1, ml, my, mz, p.u, p.depth, p.v, p.px, p.py};
    EXPECT_EQ(all[2 + 30 + 1], record_text(mirrored));
    // Sections are numbered by section, the eye by point.
    const auto recs = records_of(files.contents["xyz.txt"]);
    EXPECT_EQ(recs[60][1], 1);
    EXPECT_EQ(recs[60 + 39][1], 2);
    EXPECT_EQ(recs[kPoints - 1][0], 5);
    EXPECT_EQ(recs[kPoints - 1][1], 30);
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
    const double near = 0.01 * s.pic_w;
    int hidden = 0;
    for (size_t i = 0; i < recs.size(); ++i) {
        if (recs[i][6] > near) continue;
        ++hidden;
        ASSERT_GT(i, 0u);
        EXPECT_EQ(recs[i][8], recs[i - 1][8]) << i;  // xp, zp repeat the previous point
        EXPECT_EQ(recs[i][9], recs[i - 1][9]) << i;
    }
    EXPECT_GT(hidden, 10);
    EXPECT_EQ(pic.lines(), kPoints - hidden);
    // Joined across the gap: every line starts where the previous one ended or at a
    // polyline's first point.
    double pen_x = 0, pen_y = 0;
    for (const Primitive& p : pic.primitives()) {
        if (p.op == Primitive::Op::pen) pen_x = p.x, pen_y = p.y;
        if (p.op != Primitive::Op::line) continue;
        EXPECT_EQ(p.x2, pen_x);
        EXPECT_EQ(p.y2, pen_y);
        pen_x = p.x, pen_y = p.y;
    }
}

TEST(BirdDraw, EachCallRewritesTheFiles) {
    RecordingSurface pic;
    State s = viewed_bird(pic);
    s.write_flag = 1;
    MemoryTextFiles once, twice;
    ASSERT_TRUE(bird_draw(s, pic, once).ok);
    s.roll_b = 40.0f;
    ASSERT_TRUE(bird_draw(s, pic, twice).ok);
    s.roll_b = 0.0f;
    ASSERT_TRUE(bird_draw(s, pic, twice).ok);
    EXPECT_EQ(twice.contents, once.contents);
    EXPECT_EQ(twice.opens, 16);
}

TEST(BirdDraw, FileThatCannotBeCreatedIsReportedAndDrawingCompletes) {
    RecordingSurface pic;
    State s = viewed_bird(pic);
    s.write_flag = 1;
    MemoryTextFiles files;
    files.fail_on = "xyz_bs.txt";
    const ExportResult r = bird_draw(s, pic, files);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("xyz_bs.txt"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("injected failure"), std::string::npos) << r.error;
    EXPECT_EQ(files.opens, 7);  // nothing opened after the failure
    EXPECT_EQ(pic.lines(), kPoints);
    EXPECT_EQ(files.contents.count("xyz_ee.txt"), 0u);
    // No point was written once the export had failed.
    EXPECT_EQ(lines_of(files.contents["xyz.txt"]).size(), 0u);
}

TEST(BirdDraw, RealFilesWithCrLfAndUnwritableDirectory) {
    RecordingSurface pic;
    State s = viewed_bird(pic);
    s.write_flag = 1;
    const std::string dir = ::testing::TempDir() + "bird_draw_export";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    DirTextFiles files(dir);
    ASSERT_TRUE(bird_draw(s, pic, files).ok);
    MemoryTextFiles mem;
    ASSERT_TRUE(bird_draw(s, pic, mem).ok);
    for (const auto& [name, text] : mem.contents) {
        std::ifstream in(dir + "/" + name, std::ios::binary);
        ASSERT_TRUE(in) << name;
        const std::string on_disk((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(on_disk, text) << name;
    }

    DirTextFiles nowhere(dir + "/no/such/dir");
    const ExportResult r = bird_draw(s, pic, nowhere);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("xyz.txt"), std::string::npos) << r.error;
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace soar
