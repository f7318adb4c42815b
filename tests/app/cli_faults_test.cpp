// The command line under real faults: full devices, pipes that stop reading or
// go away, signals to a running flight, long names, endless or odd parameter
// files, and the arguments that used to slip through. Each run that could hang
// or die runs in a child process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/cli.h"
#include "app/cli_args.h"
#include "app/session.h"
#include "app/sweep_file.h"
#include "app_fixture.h"
#include "headless/recording_surface.h"
#include "record/kml.h"

namespace soar {
namespace {

namespace fs = std::filesystem;

int run(std::vector<std::string> args) {
    args.insert(args.begin(), "soarcalculus");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return cli_main(int(argv.size()), argv.data(), RasterSupport{}, nullptr);
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct Faults : ::testing::Test {
    fs::path dir = fs::temp_directory_path() /
                   ("soar_faults_" + std::to_string(::getpid()) + "_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::path err = dir / "err.txt";
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    size_t entries() const { return size_t(std::distance(fs::directory_iterator(dir), {})); }

    // The command in a child process, its standard output on `out` and its
    // standard error in err.txt; `other` (a pipe's other end) closed there.
    pid_t start(std::vector<std::string> args, int out, int other = -1) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (other >= 0) ::close(other);
            ::dup2(out, 1);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(e, 2);
            ::_exit(run(std::move(args)));
        }
        return pid;
    }
    // Its exit code (128 + the signal if one ended it), or -1 after `seconds` (a
    // hang; a solve under the sanitizers takes tens of seconds).
    static int finish(pid_t pid, double seconds = 300, rusage* usage = nullptr) {
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        int status = 0;
        rusage ru{};
        while (::wait4(pid, &status, WNOHANG, &ru) == 0) {
            if (std::chrono::steady_clock::now() > until) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (usage) *usage = ru;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // Until the child has rows in a file of the test's folder (its new file has
    // no name yet: it is found among the child's open files).
    void wait_for_rows(pid_t child) const {
        const fs::path fds = "/proc/" + std::to_string(child) + "/fd";
        for (int i = 0; i < 6000; ++i) {
            std::error_code ec;
            for (const auto& e : fs::directory_iterator(fds, ec)) {
                struct stat st {};
                if (fs::read_symlink(e.path(), ec).string().rfind(dir.string(), 0) == 0 &&
                    ::stat(e.path().c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
                    return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    int run_with_stdout(std::vector<std::string> args, const char* out_path) {
        const int out = ::open(out_path, O_WRONLY);
        const int status = finish(start(std::move(args), out));
        ::close(out);
        return status;
    }
};

// Whatever a command prints, a full device is a failure with the reason, not 0.
TEST_F(Faults, StandardOutputThatCannotBeWrittenIsAFailure) {
    const std::vector<std::vector<std::string>> commands = {
        {"params"},
        {"params", "--preset", "zhao-glider"},
        {"min-wind", "--pattern", "circlezoom", "--cycles", "2"},
        {"optimise", "--preset", "zhao-glider", "--nodes", "15"},
        {"--version"},
        {"fly", "--help"},
    };
    for (const auto& args : commands) {
        EXPECT_EQ(run_with_stdout(args, "/dev/full"), 1) << args[0];
        EXPECT_NE(slurp(err).find("No space left on device"), std::string::npos) << slurp(err);
    }
    EXPECT_EQ(run_with_stdout({"params"}, "/dev/null"), 0);
}

int ticks_in_summary(const std::string& text) {
    const auto at = text.find(" ticks, flight time ");
    if (at == std::string::npos) return -1;
    return std::stoi(text.substr(text.rfind('\n', at) + 1));
}

// A reader that stops reading: Ctrl-C still ends the flight at once, and what
// reached the reader ends with a whole row, the one the summary names. A reader
// that goes away: a failed write (exit 1) with the summary, not death by SIGPIPE.
TEST_F(Faults, AStalledOrVanishedReaderEndsTheFlightAtARow) {
    for (const bool vanish : {false, true}) {
        int p[2];
        ASSERT_EQ(::pipe(p), 0);
        const pid_t child =
            start({"fly", "--pattern", "circlezoom", "--ticks", "1000000000", "--dt", "0.0001"},
                  p[1], p[0]);
        ::close(p[1]);
        pollfd ready{p[0], POLLIN, 0};
        ASSERT_EQ(::poll(&ready, 1, 30000), 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the pipe is full
        std::string got;
        if (vanish) {
            ::close(p[0]);
            EXPECT_EQ(finish(child, 10), 1);
        } else {
            ::kill(child, SIGINT);
            EXPECT_EQ(finish(child, 10), 130);  // it used to wait for the reader
            char buf[65536];
            for (ssize_t n; (n = ::read(p[0], buf, sizeof buf)) > 0;) got.append(buf, size_t(n));
            ::close(p[0]);
        }
        const std::string text = slurp(err);
        EXPECT_GT(ticks_in_summary(text), 0) << text;
        if (vanish) {
            EXPECT_NE(text.find("Broken pipe"), std::string::npos) << text;
            continue;
        }
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.back(), '\n');
        const long rows = long(std::count(got.begin(), got.end(), '\n')) - 1;  // the header
        EXPECT_EQ(rows, ticks_in_summary(text)) << text;
        const std::string last = got.substr(got.rfind('\n', got.size() - 2) + 1);
        EXPECT_EQ(std::count(last.begin(), last.end(), ','), 18) << last;
    }
}

// SIGTERM and SIGHUP end a flight as Ctrl-C does, the file complete; a kill
// that cannot be handled leaves the previous file and nothing beside it.
TEST_F(Faults, SignalsLeaveACompleteFileAndNothingElse) {
    const fs::path csv = dir / "f.csv";
    for (const int sig : {SIGTERM, SIGHUP, SIGKILL}) {
        const std::string before = fs::exists(csv) ? slurp(csv) : "";
        const int out = ::open("/dev/null", O_WRONLY);
        const pid_t child = start({"fly", "--pattern", "circlezoom", "--ticks", "1000000000",
                                   "--dt", "0.0001", "--csv", csv.string()},
                                  out);
        ::close(out);
        wait_for_rows(child);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::kill(child, sig);
        const int status = finish(child, 20);
        const std::string bytes = slurp(csv);
        if (sig == SIGKILL) {
            EXPECT_EQ(status, 128 + SIGKILL);
            EXPECT_EQ(bytes, before);
        } else {
            EXPECT_EQ(status, 130) << sig;
            ASSERT_FALSE(bytes.empty());
            EXPECT_EQ(bytes.back(), '\n');
            const long rows = long(std::count(bytes.begin(), bytes.end(), '\n')) - 1;
            EXPECT_EQ(rows, ticks_in_summary(slurp(err))) << slurp(err);
        }
        EXPECT_EQ(entries(), 2u) << sig;  // the CSV and err.txt: no temporary of any size
    }
}

// The longest name a folder takes is written, by fly and by optimise after its
// solve; files a killed run left are removed by the next, those of a live one kept.
TEST_F(Faults, LongNamesAndLeftovers) {
    const std::string longest(251, 'n');
    const int out = ::open("/dev/null", O_WRONLY);
    EXPECT_EQ(finish(start({"fly", "--pattern", "upwind", "--ticks", "10", "--dt", "0.1", "--csv",
                            (dir / (longest + ".csv")).string()},
                           out)),
              0);
    EXPECT_EQ(finish(start({"optimise", "--preset", "zhao-glider", "--nodes", "15", "--csv",
                            (dir / (longest + ".opt")).string()},
                           out)),
              0);
    ::close(out);
    EXPECT_TRUE(fs::exists(dir / (longest + ".csv")));
    EXPECT_TRUE(fs::exists(dir / (longest + ".opt")));

    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const fs::path dead = dir / (".soarcalculus-" + std::to_string(gone) + "-AbC123");
    const fs::path live = dir / (".soarcalculus-" + std::to_string(::getpid()) + "-AbC123");
    const fs::path mine = dir / ".soarcalculus-notes";
    for (const auto& p : {dead, live, mine}) std::ofstream(p) << "x";
    EXPECT_EQ(run_with_stdout({"params", "--save", (dir / "p.toml").string()}, "/dev/null"), 0);
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(mine));
}

// Two outputs named for one file: refused before anything is flown or written.
TEST_F(Faults, OneFileForTwoOutputsIsRefused) {
    const std::string a = (dir / "a.out").string();
    fs::create_symlink(dir / "b.out", dir / "link.out");
    std::ofstream(dir / "b.out") << "mine";
    const std::vector<std::pair<std::string, std::string>> same = {
        {a, a},
        {a, (dir / "." / "a.out").string()},
        {(dir / "b.out").string(), (dir / "link.out").string()}};
    for (const auto& [csv, kml] : same) {
        EXPECT_EQ(run({"fly", "--pattern", "upwind", "--ticks", "10", "--dt", "0.1", "--csv", csv,
                       "--kml", kml}),
                  2)
            << csv << " " << kml;
    }
    EXPECT_FALSE(fs::exists(a));
    EXPECT_EQ(slurp(dir / "b.out"), "mine");
    // A device named twice is written twice in place: nothing is lost.
    EXPECT_EQ(run_with_stdout({"fly", "--pattern", "upwind", "--ticks", "10", "--dt", "0.1",
                               "--csv", "/dev/null", "--kml", "/dev/null"},
                              "/dev/null"),
              0);
}

// Every command refuses one file named by two of its options when it writes
// either (exit 2, naming both), however the second name spells it: the same
// text, through "./", or a link. The file named first is left as it was.
TEST_F(Faults, EveryCommandRefusesOneFileForTwoOfItsFiles) {
    ASSERT_EQ(run_with_stdout({"params", "--save", (dir / "p.toml").string()}, "/dev/null"), 0);
    const std::string params_text = slurp(dir / "p.toml");
    SweepPlan plan;
    plan.what = SweepWhat::fly_summary;
    plan.axes.emplace_back("W_S", std::vector<double>{100.0, 110.0});
    plan.ticks = 3;
    plan.dt = 0.1;
    const std::string shard_text = sweep_file_text(plan, {});
    const std::string frames = (dir / "frames").string();
    fs::create_directory(frames);
    // Each case: the command with "B" where the file that exists is named
    // (its text given), "A" where the other name of it goes.
    struct Case {
        std::vector<std::string> args;
        std::string text;
        std::string options;  // what the refusal names
    };
    const std::vector<std::string> fly = {"fly", "--pattern", "upwind", "--ticks",
                                          "5",   "--dt",      "0.1"};
    const auto with = [](std::vector<std::string> head, std::vector<std::string> tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const std::string commands = "t,mu_deg,CL\n0,10,0.5\n";
    const std::vector<Case> cases = {
        {with(fly, {"--csv", "B", "--kml", "A"}), "mine", "--csv and --kml"},
        {with(fly, {"--kml", "A", "--commands", "B"}), commands, "--kml and --commands"},
        {with(fly, {"--csv", "A", "--commands", "B"}), commands, "--csv and --commands"},
        {with(fly, {"--csv", "A", "--params", "B"}), params_text, "--csv and --params"},
        {{"render", "--pattern", "upwind", "--png", "A", "--video", "B"},
         "mine",
         "--png and --video"},
        {{"render", "--pattern", "fixed", "--png", "A", "--params", "B"},
         params_text,
         "--png and --params"},
        {{"min-wind", "--pattern", "upwind", "--cycles", "1", "--csv", "A", "--params", "B"},
         params_text,
         "--csv and --params"},
        {{"optimise", "--nodes", "5", "--csv", "A", "--params", "B"},
         params_text,
         "--csv and --params"},
        {{"sweep", "--what", "fly-summary", "--pattern", "upwind", "--ticks", "3", "--dt", "0.1",
          "--over", "W_S=100,110", "--jobs", "1", "--csv", "A", "--params", "B"},
         params_text,
         "--csv and --params"},
        {{"merge", "--csv", "A", "B"}, shard_text, "--csv and the shard"},
    };
    for (const Case& c : cases) {
        const fs::path b = dir / "b.file";
        const fs::path link = dir / "link.file";
        for (const std::string& a : {b.string(), (dir / "." / "b.file").string(), link.string()}) {
            std::ofstream(b) << c.text;
            fs::remove(link);
            fs::create_symlink(b, link);
            std::vector<std::string> args = c.args;
            for (std::string& arg : args) arg = arg == "A" ? a : arg == "B" ? b.string() : arg;
            const std::string said = c.args[0] + " " + c.options + " (" + a + ")";
            EXPECT_EQ(run_with_stdout(args, "/dev/null"), 2) << said;
            EXPECT_NE(slurp(err).find(c.options + " name the same file"), std::string::npos)
                << said << ": " << slurp(err);
            EXPECT_EQ(slurp(b), c.text) << said;
        }
    }
    // A picture or video named as one of the frames --frames writes.
    for (const std::string option : {"--png", "--video"}) {
        const std::string frame = (dir / "frames" / "." / "frame-000002.png").string();
        EXPECT_EQ(run_with_stdout({"render", "--pattern", "upwind", "--frames", frames, option,
                                   frame, "--seconds", "0.1"},
                                  "/dev/null"),
                  2)
            << option;
        EXPECT_NE(slurp(err).find(option + " and --frames name the same file"), std::string::npos)
            << slurp(err);
    }
    // Files apart, and one file that is only read twice, are no fault.
    EXPECT_EQ(run_with_stdout({"fly", "--pattern", "upwind", "--ticks", "5", "--dt", "0.1", "--csv",
                               (dir / "f.csv").string(), "--kml", (dir / "f.kml").string(),
                               "--params", (dir / "p.toml").string()},
                              "/dev/null"),
              0)
        << slurp(err);
    std::ofstream(dir / "s.csv") << shard_text;
    EXPECT_EQ(run_with_stdout({"merge", "--csv", (dir / "m.csv").string(), (dir / "s.csv").string(),
                               (dir / "." / "s.csv").string()},
                              "/dev/null"),
              1)  // its two points are missing: listed, exit 1
        << slurp(err);
    EXPECT_EQ(slurp(err).find("name the same file"), std::string::npos) << slurp(err);
}

// fly --kml writes the window's KML to the byte, and in the same memory for a
// flight ten times as long (it used to keep 95 bytes a tick).
TEST_F(Faults, KmlGoesToItsFileAsTheFlightGoes) {
    const fs::path kml = dir / "t.kml";
    const int out = ::open("/dev/null", O_WRONLY);
    ASSERT_EQ(finish(start({"fly", "--pattern", "crosswind", "--ticks", "4567", "--dt", "0.0137",
                            "--kml", kml.string(), "--lat", "12", "--wind-from", "200"},
                           out)),
              0);
    test::Run window(false);
    window.start(Mode::crosswind, 0.0);
    for (long long k = 1; k <= 4567; ++k) window.tick_unseen(cli::clock_at(0.0, k, 0.0137));
    KmlPlace place;
    place.lat_deg = 12, place.wind_from_deg = 200;
    EXPECT_EQ(slurp(kml), track_kml(track_points(window.session.record().history), place, 946684800,
                                    "Soarcalculus flight"));

    long peak[2] = {};
    const char* ticks[2] = {"100000", "1000000"};
    for (int i = 0; i < 2; ++i) {
        rusage ru{};
        ASSERT_EQ(finish(start({"fly", "--pattern", "circlezoom", "--ticks", ticks[i], "--dt",
                                "0.001", "--kml", kml.string()},
                               out),
                         120, &ru),
                  0);
        peak[i] = ru.ru_maxrss;  // KiB
    }
    ::close(out);
    EXPECT_LT(peak[1] - peak[0], 20 * 1024) << peak[0] << " KiB, then " << peak[1] << " KiB";
}

// Parameter files are read up to their limit whatever they are: an endless
// device, a pipe without a writer (which would block for ever) and a folder are
// refused by name at once.
TEST_F(Faults, ParameterFilesOfEveryKind) {
    const fs::path fifo = dir / "fifo", big = dir / "big.toml";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(big) << std::string((1 << 20) + 1, '#');
    const struct {
        std::string path, says;
    } cases[] = {{"/dev/zero", "is a device"},
                 {fifo.string(), "is a pipe"},
                 {dir.string(), "is a folder"},
                 {big.string(), "too large"},
                 {(dir / "none").string(), "No such file"}};
    for (const auto& c : cases) {
        EXPECT_EQ(run_with_stdout({"params", "--params", c.path}, "/dev/null"), 2) << c.path;
        EXPECT_NE(slurp(err).find(c.says), std::string::npos) << slurp(err);
    }
}

// The bounds as stated are taken; numbers are decimal and whole; an option is
// given once and never empty; a command's --help is its own usage.
std::vector<std::string> params(std::vector<std::string> args) {
    args.insert(args.begin(), "params");
    return args;
}

TEST_F(Faults, ArgumentsAsTheUsageStatesThem) {
    const fs::path toml = dir / "p.toml";
    std::ofstream(toml) << "[air]\nrho = 0.1\n[bird]\nW_S = 1_00\n[upwind]\nZ_start = 0.1\n";
    for (const std::vector<std::string>& ok : {std::vector<std::string>{"--set", "rho=0.1"},
                                               {"--set", "rho=2"},
                                               {"--set", "Z_start=0.1"},
                                               {"--params", toml.string()},
                                               {"--set", "W_S=+1e2"},
                                               {"--set", "W_S=.5e2"}})
        EXPECT_EQ(run_with_stdout(params(ok), "/dev/null"), 0) << ok[1];
    for (const std::vector<std::string>& bad : {
             std::vector<std::string>{"--set", "rho=0.0999"},
             {"--set", "W_S=0x40"},
             {"--set", "W_S= 100"},
             {"--set", "W_S=100 "},
             {"--set", "W_S=inf"},
             {"--set", "W_S=1_00"},
             {"--set", ""},
             {"--params", ""},
             {"--preset", ""},
             {"--save", ""},
             {"--params", toml.string(), "--params", toml.string()},
             {"--preset", "light-wind", "--preset", "draggy-wing"},
         })
        EXPECT_EQ(run_with_stdout(params(bad), "/dev/null"), 2) << ::testing::PrintToString(bad);
    EXPECT_EQ(run_with_stdout({"optimise", "--csv", ""}, "/dev/null"), 2);

    const fs::path usage = dir / "usage.txt";
    const int out = ::open(usage.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    EXPECT_EQ(finish(start({"fly", "--pattern", "upwind", "--help"}, out)), 0);
    ::close(out);
    const std::string text = slurp(usage);
    EXPECT_NE(text.find("soarcalculus fly --pattern"), std::string::npos) << text;
    EXPECT_EQ(text.find("soarcalculus render"), std::string::npos) << text;

    // A write error is said once.
    EXPECT_EQ(run_with_stdout(
                  {"optimise", "--preset", "zhao-glider", "--nodes", "15", "--csv", "/dev/full"},
                  "/dev/null"),
              1);
    const std::string message = slurp(err);
    EXPECT_EQ(message.find("cannot write"), message.rfind("cannot write")) << message;
}

}  // namespace
}  // namespace soar
