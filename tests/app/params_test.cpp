// User parameters: presets and --set change the flight the expected way,
// parameter files round-trip and refuse bad keys with their line, and random
// sets within the ranges never end a flight other than cleanly.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <random>

#include "app/cli_params.h"
#include "app/param_file.h"
#include "app/session.h"
#include "app_fixture.h"
#include "headless/recording_surface.h"
#include "sim/cycles.h"
#include "sim/min_wind.h"
#include "sim/param_fields.h"

namespace soar {
namespace {

// Mean energy gained per cycle over the first six cycles of a fixed-step flight.
double energy_per_cycle(const ParamSet& set, Mode mode) {
    MinWindSearch how;
    how.mode = mode;
    how.cycles = 6;
    return wind_trial(set.of(mode), how, 1.0).dE_cycle;
}

TEST(Params, DragTakesAndWindGivesEnergyPerCycle) {
    const ParamSet design;
    const double base = energy_per_cycle(design, Mode::upwind);
    EXPECT_LT(energy_per_cycle(*preset_set("draggy-wing"), Mode::upwind), base);
    EXPECT_LT(energy_per_cycle(*preset_set("light-wind"), Mode::upwind), base);
    ParamSet windy;
    set_param(windy, Mode::upwind, *param_field("U_ref"), 9.0f);
    EXPECT_GT(energy_per_cycle(windy, Mode::upwind), base);
}

TEST(Params, EditsReachTheirPatternsOnly) {
    ParamSet set;
    set_param(set, Mode::upwind, *param_field("T_cyc"), 9.0f);
    set_param(set, Mode::upwind, *param_field("CD0"), 0.03f);
    set_param(set, Mode::upwind, *param_field("W_S"), 120.0f);
    EXPECT_EQ(set.upwind.T_cyc, 9.0f);
    EXPECT_EQ(set.crosswind.T_cyc, 13.0f);
    EXPECT_EQ(set.crosswind.CD0, 0.03f);
    EXPECT_EQ(set.circlezoom.CD0, 0.0f);  // the zoom keeps its drag-free polar
    EXPECT_EQ(set.circlezoom.W_S, 120.0f);
    EXPECT_EQ(params_note(set), "own values");
    EXPECT_EQ(params_note(*preset_set("light-wind")), "light wind");
    EXPECT_EQ(params_note(ParamSet{}), "");
}

TEST(ParamFile, RoundTripsEveryFieldExactly) {
    ParamSet set = *preset_set("heavier-albatross");
    set_param(set, Mode::crosswind, *param_field("psi_B"), 12.345678f);
    set_param(set, Mode::circlezoom, *param_field("U_ref"), 3.3f);
    set_param(set, Mode::upwind, *param_field("profile"), float(int(WindShape::power)));
    const ParamFileRead r = parse_param_file(param_file_text(set), "t.toml");
    ASSERT_TRUE(r.set) << r.error;
    EXPECT_EQ(*r.set, set);
}

// The shear layer's keys are written only when a layer is set (or its height
// moved): the file of a flight without one is the file it always was, and a
// file with one reads back to the same flight.
TEST(ParamFile, WritesTheShearLayerOnlyWhenOneIsSet) {
    EXPECT_EQ(param_file_text(ParamSet{}).find("shear"), std::string::npos);
    for (const auto& [delta, height] : {std::pair{2.5f, 5.0f}, std::pair{0.0f, 12.0f}}) {
        ParamSet set;
        set_param(set, Mode::downwind, *param_field("shear_delta"), delta);
        set_param(set, Mode::downwind, *param_field("shear_height"), height);
        const std::string text = param_file_text(set);
        EXPECT_NE(text.find("shear_delta = "), std::string::npos) << text;
        EXPECT_NE(text.find("shear_height = "), std::string::npos) << text;
        const ParamFileRead r = parse_param_file(text, "t.toml");
        ASSERT_TRUE(r.set) << r.error;
        EXPECT_EQ(*r.set, set);
    }
}

TEST(ParamFile, RefusesBadKeysAndValuesWithTheirLine) {
    struct Case {
        const char* text;
        const char* says;
    } cases[] = {
        {"[bird]\nW_S = 120\nW_T = 3\n", "t.toml:3: unknown key \"W_T\""},
        {"[bird]\n\nW_S = 900\n",
         "t.toml:3: W_S (wing-loading parameter) must be a number from 10"},
        {"[wind]\nU_ref = \"fast\"\n", "t.toml:2: U_ref"},
        {"[upwind]\nR_0 = 30\n", "t.toml:2: unknown key \"R_0\""},
        {"[upwind\n", "t.toml:1:"},
        {"[sea]\nx = 1\n", "t.toml:1: unknown table"},
        // The profile's shape is one of its names, as a string.
        {"[wind]\nprofile = \"cubic\"\n", "t.toml:2: profile (the profile's shape) must be one of"},
        {"[wind]\nprofile = 1\n", "t.toml:2: profile"},
    };
    for (const Case& c : cases) {
        const ParamFileRead r = parse_param_file(c.text, "t.toml");
        EXPECT_FALSE(r.set) << c.text;
        EXPECT_EQ(r.error.rfind(c.says, 0), 0u) << r.error;
    }
}

TEST(ParamOptions, BadNamesAndValuesAreRefusedWithTheChoices) {
    cli::ParamOptions o;
    o.preset = "heavy";
    EXPECT_THROW(cli::resolve_param_options(o, Mode::upwind), cli::ArgError);
    try {
        cli::resolve_param_options({"", "", {"CD0=0.5"}}, Mode::upwind);
        FAIL();
    } catch (const cli::ArgError& e) {
        EXPECT_NE(e.message.find("from 0 to 0.2"), std::string::npos) << e.message;
    }
    try {
        cli::resolve_param_options({"", "", {"R_0=30"}}, Mode::upwind);
        FAIL();
    } catch (const cli::ArgError& e) {
        EXPECT_NE(e.message.find("T_cyc"), std::string::npos) << e.message;
    }
    for (const char* bad : {"W_S=nan", "W_S=", "W_S=1e9", "W_S=12x"})
        EXPECT_THROW(cli::resolve_param_options({"", "", {bad}}, Mode::upwind), cli::ArgError)
            << bad;
    for (const char* bad : {"profile=cubic", "profile=1", "profile=", "profile=Linear"})
        EXPECT_THROW(cli::resolve_param_options({"", "", {bad}}, Mode::upwind), cli::ArgError)
            << bad;
    EXPECT_EQ(
        wind_shape(cli::resolve_param_options({"", "", {"profile=logarithmic"}}, Mode::crosswind)
                       .crosswind),
        WindShape::logarithmic);
    const ParamSet ok = cli::resolve_param_options({"", "light-wind", {"W_S=150"}}, Mode::upwind);
    EXPECT_EQ(ok.upwind.W_S, 150.0f);
    EXPECT_EQ(ok.upwind.U_ref, float(7.0 * 0.7));
}

// A binary or huge file chosen by mistake is refused with a reason before the
// TOML reader sees it; so is what a parameter file never holds and that reader
// asserts on rather than reports (a control character beginning a table name,
// nested arrays).
TEST(ParamFile, RefusesFilesThatAreNotParameterFiles) {
    using namespace std::string_literals;
    const std::string nul = "[bird]\n[\0\0\0wind]\n"s;
    const ParamFileRead r = parse_param_file(nul, "t.toml");
    EXPECT_FALSE(r.set);
    EXPECT_EQ(r.error.rfind("t.toml:2: a NUL byte", 0), 0u) << r.error;
    const ParamFileRead header = parse_param_file("[air]\ng = 9\n  [ \x06wind]\n", "t.toml");
    EXPECT_FALSE(header.set);
    EXPECT_EQ(header.error.rfind("t.toml:3: not a table header", 0), 0u) << header.error;
    const ParamFileRead nested = parse_param_file("[air]\ng = [[[[]]]]\n", "t.toml");
    EXPECT_FALSE(nested.set);
    EXPECT_EQ(nested.error.rfind("t.toml:2: g (gravitational acceleration) must be", 0), 0u)
        << nested.error;
    const ParamFileRead numbers =
        parse_param_file("[bird]\nW_S = 1_20.5e0\nCD0 = +2E-2\n[wind]\nU_ref=0\n", "t.toml");
    ASSERT_TRUE(numbers.set) << numbers.error;
    EXPECT_EQ(numbers.set->upwind.W_S, 120.5f);
    EXPECT_EQ(numbers.set->upwind.CD0, 0.02f);
    for (const char* bad : {"W_S = 0x7f\n", "W_S = 012\n", "W_S = 1__0\n", "W_S = 1.\n"}) {
        const ParamFileRead r = parse_param_file(std::string("[bird]\n") + bad, "t.toml");
        EXPECT_FALSE(r.set) << bad;
        EXPECT_EQ(r.error.rfind("t.toml:2: W_S (wing-loading parameter) must be", 0), 0u)
            << r.error;
    }
    // Characters from the end of the Basic Multilingual Plane (U+FECB here) drive
    // that reader into an unreachable branch: comments may hold them, keys not.
    const ParamFileRead comment = parse_param_file("[bird] # \xEF\xBB\x8B\nW_S = 120\n", "t.toml");
    ASSERT_TRUE(comment.set) << comment.error;
    EXPECT_EQ(comment.set->upwind.W_S, 120.0f);
    const ParamFileRead key = parse_param_file("[bird]\nW\xEF\xBB\x8B = 120\n", "t.toml");
    EXPECT_FALSE(key.set);
    EXPECT_EQ(key.error.rfind("t.toml:2: a character that is not ASCII", 0), 0u) << key.error;

    const std::string path = ::testing::TempDir() + "soar_huge_params.toml";
    {
        std::ofstream out(path, std::ios::binary);
        const std::string comment = "# " + std::string(1000, 'x') + "\n";
        for (int i = 0; i < 1100; ++i) out << comment;
    }
    const ParamFileRead huge = load_param_file(path);
    EXPECT_FALSE(huge.set);
    EXPECT_NE(huge.error.find("too large for a parameter file"), std::string::npos) << huge.error;
    std::remove(path.c_str());
}

TEST(ParamsFuzz, RandomSetsWithinTheRangesEndCleanly) {
    std::mt19937 rng(8);
    const Mode modes[] = {Mode::upwind, Mode::downwind, Mode::crosswind, Mode::circlezoom};
    int stopped = 0;
    for (int n = 0; n < 1000; ++n) {
        const Mode mode = modes[n % 4];
        ParamSet set;
        for (const ParamField& f : param_fields()) {
            if (!param_used(f, mode) || rng() % 2) continue;
            std::uniform_real_distribution<float> v(f.lo, f.hi);
            set_param(set, mode, f, v(rng));
        }
        test::Run run(false);
        run.session.model().params = set;
        run.start(mode, 0.0);
        bool flying = true;
        for (int k = 1; k <= 2000 && flying; ++k) {
            // Every 50th flight draws its picture too.
            const float now = float(0.01 * (k - 1));
            flying = n % 50 == 0 ? run.tick(now) : run.tick_unseen(now);
        }
        if (!flying) {
            ++stopped;
            const std::string& message = run.session.window().message;
            EXPECT_NE(message.find("The flight was stopped"), std::string::npos) << message;
        }
    }
    EXPECT_GT(stopped, 0);  // some sets are not flyable, and say so
}

}  // namespace
}  // namespace soar
