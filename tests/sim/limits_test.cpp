// Flight limits: the text a user types is read whole or refused with its
// reason, and a flight's check flips from kept to exceeded as a limit is moved
// across the extreme the flight actually reached.
#include "sim/limits.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "test_state.h"

namespace soar {
namespace {

TEST(FlightLimits, TypedLimitsAreReadWholeOrRefused) {
    FlightLimits l;
    std::string error;
    ASSERT_TRUE(parse_flight_limits("cl=1.6,n=5,tip=1.7", l, error)) << error;
    EXPECT_TRUE(l.has_CL && l.has_n && l.has_tip);
    EXPECT_EQ(l.CL_max, 1.6);
    EXPECT_EQ(l.n_max, 5.0);
    EXPECT_EQ(l.half_span, 1.7);
    EXPECT_EQ(l.tip_min, 0.0);
    EXPECT_EQ(flight_limits_text(l), "cl=1.6,n=5,tip=1.7");
    // One limit alone, in any order, with the wing tip's clearance.
    ASSERT_TRUE(parse_flight_limits("clear=0.2,tip=1.7", l, error)) << error;
    EXPECT_FALSE(l.has_CL || l.has_n);
    EXPECT_EQ(l.tip_min, 0.2);
    EXPECT_EQ(flight_limits_text(l), "tip=1.7,clear=0.2");

    const FlightLimits kept = l;
    for (const char* bad : {"", "cl", "cl=", "cl=1.6,", "cl=abc", "cl=0x1", "cl= 1", "cl=1,cl=2",
                            "g=3", "n=0", "n=-5", "cl=inf", "tip=-1", "clear=0.2"}) {
        error.clear();
        EXPECT_FALSE(parse_flight_limits(bad, l, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
        EXPECT_EQ(flight_limits_text(l), flight_limits_text(kept)) << "changed by " << bad;
    }
}

// The upwind pattern's own extremes over 20 s: a limit just above each is
// kept, one just below it is exceeded, at the moment the extreme was reached.
TEST(FlightLimits, ACheckFlipsWhenTheLimitCrossesTheFlightsExtreme) {
    const auto check_of = [](const FlightLimits& l) {
        Flight f = test::started(Mode::upwind);
        LimitCheck c;
        c.add(f.state(), l);
        for (int k = 1; k <= 2000; ++k) {
            test::step_to(f, float(double(k) * 0.01));
            c.add(f.state(), l);
        }
        return c;
    };
    FlightLimits all;
    all.has_CL = all.has_n = all.has_tip = true;
    all.CL_max = all.n_max = 100;
    all.half_span = 1.7;
    all.tip_min = -100;
    const LimitCheck peaks = check_of(all);
    ASSERT_TRUE(peaks.within()) << limit_report(peaks, all);
    EXPECT_EQ(peaks.ticks, 2001);
    ASSERT_GT(peaks.CL_peak, 0.1);
    ASSERT_GT(peaks.n_peak, 1.0);

    for (int which = 0; which < 3; ++which) {
        SCOPED_TRACE(which);
        FlightLimits l;
        double extreme = 0, when = 0;
        if (which == 0) l.has_CL = true, extreme = peaks.CL_peak, when = peaks.t_CL;
        if (which == 1) l.has_n = true, extreme = peaks.n_peak, when = peaks.t_n;
        if (which == 2) {
            l.has_tip = true, l.half_span = 1.7;
            extreme = peaks.tip_lowest, when = peaks.t_tip;
        }
        double& limit = which == 0 ? l.CL_max : which == 1 ? l.n_max : l.tip_min;
        // For the tip the limit is a least height: "beyond" is above the extreme.
        const double out = which == 2 ? -1e-4 : 1e-4;
        limit = extreme + out;
        const LimitCheck kept = check_of(l);
        EXPECT_TRUE(kept.within()) << limit_report(kept, l);
        EXPECT_NE(limit_report(kept, l).find("kept over 2001 ticks"), std::string::npos);
        limit = extreme - out;
        const LimitCheck over = check_of(l);
        EXPECT_FALSE(over.within());
        EXPECT_GE(over.CL_over + over.n_over + over.tip_under, 1);
        EXPECT_LE(over.t_first_over, when);
        EXPECT_NE(limit_report(over, l).find("exceeded from"), std::string::npos);
        EXPECT_EQ(limit_brief(over).rfind("over:", 0), 0u);
    }
}

std::pair<int, std::string> run_fly(std::vector<std::string> args) {
    args.insert(args.begin(), {"soarcalculus", "fly"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    testing::internal::CaptureStderr();
    const int code = cli_main(int(argv.size()), argv.data(), RasterSupport{}, nullptr);
    return {code, testing::internal::GetCapturedStderr()};
}

std::string text_of(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// fly reports the limits after its summary and flies on: the rows are those of
// the flight without them. A limit text it cannot read is refused (exit 2).
TEST(FlightLimits, FlyReportsTheLimitsAndKeepsItsRows) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("soar_limits_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::vector<std::string> base = {"--pattern", "crosswind", "--ticks",  "3000",
                                           "--dt",      "0.01",      "--energy", "--csv"};
    auto with = base;
    with.push_back((dir / "plain.csv").string());
    const auto [plain_code, plain_err] = run_fly(with);
    with = base;
    with.push_back((dir / "limited.csv").string());
    with.insert(with.end(), {"--limits", "cl=1.5,n=5,tip=1.7"});
    const auto [code, err] = run_fly(with);
    EXPECT_EQ(code, plain_code);
    EXPECT_EQ(plain_err.find("limits"), std::string::npos) << plain_err;
    EXPECT_NE(err.find("limits cl=1.5,n=5,tip=1.7: "), std::string::npos) << err;
    EXPECT_EQ(text_of(dir / "plain.csv"), text_of(dir / "limited.csv"));
    with.back() = "cl=1.5,cl=2";
    EXPECT_EQ(run_fly(with).first, 2);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace soar
