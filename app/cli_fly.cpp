// fly: a flight of N ticks at fixed clock steps, one CSV row per tick.
//
// The flight alone: nothing draws a picture. The rows are written on a second
// thread: the flight thread hands over batches of completed ticks' values, and
// the two threads share their formatting.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/cli_args.h"
#include "app/cli_fly_commands.h"
#include "app/cli_params.h"
#include "app/flight_timer.h"
#include "app/loop_file.h"
#include "app/loop_flight.h"
#include "app/session.h"
#include "app/stepped_flight.h"
#include "app/window.h"
#include "platform/atomic_file.h"
#include "platform/number_text.h"
#include "record/csv.h"
#include "record/flight_record.h"
#include "record/kml.h"
#include "sim/energy.h"
#include "sim/fault.h"
#include "sim/flight.h"
#include "sim/limits.h"
#include "sim/names.h"

namespace soar::cli {

namespace {

// One completed tick: its number and the values of its row.
// The values in the order of the CSV's columns (record/flight_history.h), the
// energy last, then the gusts' part of it; a row without the energy writes the
// first kFlyColumnCount, one without gusts the first kColumnCount.
constexpr int kGustColumnCount = kColumnCount + 1;
struct Row {
    long long tick;
    std::array<float, kGustColumnCount> v;
};

Row row_at(long long tick, const FlightState& s, const Params& p, bool energy) {
    Row r{tick, {}};
    const std::array<float, kColumnCount> v = row_of(s, p, energy);
    std::copy(v.begin(), v.end(), r.v.begin());
    r.v[kColumnCount] = s.dE_gust;
    return r;
}

// The optimal loop as the window flies it (Session::fly_loop): tick 1 is the
// loop's start, each later tick puts the bird where the loop is at the tick's
// flight time, read from the clock as the window's ticks read it.
class LoopTicks {
  public:
    LoopTicks(std::shared_ptr<const LoopFlight> loop, double clock_start)
        : loop_(std::move(loop)), clock_start_(clock_start) {
        timer_.start(float(clock_start));
    }
    bool tick(long long k, double dt) {
        try {
            if (k == 1) {
                const std::shared_ptr<const LoopFlight> loop = loop_;
                flight_.emplace(loop->params, kLoopView,
                                [loop](double t) { return loop_state_at(*loop, t); });
            } else {
                const float t = timer_.time_at(clock_at(clock_start_, k, dt));
                flight_->step(double(t) - double(flight_->state().t));
            }
        } catch (const FlightFault& f) {
            fault_ = "the loop stopped at t = " + float_text(flight_ ? flight_->state().t : 0.0f) +
                     " s: " + f.what();
            return false;
        }
        return true;
    }
    const FlightState& state() const { return flight_->state(); }
    const std::string& fault() const { return fault_; }

  private:
    std::shared_ptr<const LoopFlight> loop_;
    double clock_start_;
    FlightTimer timer_;
    std::optional<Flight> flight_;
    std::string fault_;
};

// The ticks of the designed pattern, of a recorded command sequence or of the
// optimal loop.
struct FlyTicks {
    std::optional<SteppedFlight> designed;
    std::optional<CommandedTicks> commanded;
    std::optional<LoopTicks> loop;
    bool tick(long long k, double dt) {
        return commanded ? commanded->tick(k, dt)
               : loop    ? loop->tick(k, dt)
                         : designed->tick(k, dt);
    }
    const FlightState& state() const {
        return commanded ? commanded->state() : loop ? loop->state() : designed->state();
    }
    const std::string& fault() const {
        return commanded ? commanded->fault() : loop ? loop->fault() : designed->fault();
    }
};

// --loop FILE: the loop in the file (optimise --loop-file) solved for the
// loop the flight's parameters pose, ready to fly as the window flies it.
std::shared_ptr<const LoopFlight> loop_arg(const std::string& path, const ParamSet& params,
                                           const std::string& preset) {
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) throw ArgError{"--loop: cannot read \"" + path + "\""};
    std::ostringstream text;
    text << in.rdbuf();
    std::string error;
    const std::optional<optim::LoopProblem> problem = preset_loop_problem(params, preset, error);
    if (!problem) throw ArgError{"--loop: these parameters pose no loop: " + error};
    const std::optional<optim::LoopSolution> solution = loop_in_file_text(text.str(), *problem);
    if (!solution)
        throw ArgError{"--loop: \"" + path +
                       "\" holds no loop solved for these parameters (optimise --preset " + preset +
                       " --loop-file FILE solves one)"};
    return std::make_shared<const LoopFlight>(make_loop_flight(params.upwind, *problem, *solution));
}

// The seed of the gusts: a whole number from 0 to 2^64 - 1.
uint64_t seed_arg(const Args& a) {
    const auto it = a.values.find("seed");
    if (it == a.values.end()) return 0;
    uint64_t v = 0;
    const std::string& text = it->second;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size())
        throw ArgError{"--seed must be a whole number from 0 to 18446744073709551615, not \"" +
                       text + "\""};
    return v;
}

// The longest text of a row: the tick (at most 20 characters), a float in its
// shortest round-trip form (at most 15, "-1.17549435e-38"), commas and the newline.
constexpr size_t kCellChars = 24;
constexpr size_t kMaxRowChars = kCellChars * (1 + kGustColumnCount) + kGustColumnCount + 1;

// Writes the rows' text at `p` (room for kMaxRowChars each) and returns its end.
// A value with the very bits of the one above it (the step, a steady wind) has
// the same text: it is copied from the row above rather than formatted again.
char* put_rows(char* p, const std::vector<Row>& rows, int columns) {
    std::array<const char*, kGustColumnCount> above_at{};
    std::array<size_t, kGustColumnCount> above_size{};
    const Row* above = nullptr;
    for (const Row& row : rows) {
        p = std::to_chars(p, p + kCellChars, row.tick).ptr;
        for (size_t c = 0; c < size_t(columns); ++c) {
            *p++ = ',';
            uint32_t bits, above_bits = 0;
            std::memcpy(&bits, &row.v[c], sizeof bits);
            if (above) std::memcpy(&above_bits, &above->v[c], sizeof above_bits);
            if (above && bits == above_bits) {
                std::memcpy(p, above_at[c], above_size[c]);
            } else {
                above_size[c] = size_t(put_shortest(p, row.v[c]) - p);
            }
            above_at[c] = p;
            p += above_size[c];
        }
        *p++ = '\n';
        above = &row;
    }
    return p;
}

// Rows per hand-off, and hand-offs waiting at most: with the file's own buffer
// a failed write stops the flight within about four thousand rows.
constexpr size_t kBatchRows = 1024;
constexpr size_t kQueueDepth = 2;

// A hand-off: completed rows, and their text when the flight thread formatted
// them itself (`bytes` > 0).
struct Batch {
    std::vector<Row> rows;
    std::vector<char> text;
    size_t bytes = 0;

    void format(int columns) {
        if (text.size() < rows.size() * kMaxRowChars) text.resize(rows.capacity() * kMaxRowChars);
        bytes = size_t(put_rows(text.data(), rows, columns) - text.data());
    }
};

// The second thread: formats batches of rows and writes them, in the order
// handed over. Formatting a row costs about as much as flying it, so when the
// writer is behind (the queue is full) the flight thread formats the batch
// itself instead of waiting; the two threads then share the formatting.
class RowWriter {
  public:
    RowWriter(AtomicFile& out, int columns)
        : out_(out), columns_(columns), thread_([this] { run(); }) {}
    ~RowWriter() { finish(); }
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    // An empty batch to fill, with room for kBatchRows rows.
    Batch fresh() {
        std::lock_guard lock(mutex_);
        return take_free();
    }
    // Hands `batch` over and gives back an empty one; false once a write failed.
    bool push(Batch& batch) {
        std::unique_lock lock(mutex_);
        if (full_.size() >= kQueueDepth && !failed_) {
            lock.unlock();
            batch.format(columns_);
            lock.lock();
        }
        room_.wait(lock, [&] { return full_.size() < kQueueDepth || failed_; });
        if (failed_) return false;
        full_.push_back(std::move(batch));
        batch = take_free();
        ready_.notify_one();
        return true;
    }
    // The last row whose text the output took whole (tick 0: none yet).
    Row last_written() {
        std::lock_guard lock(mutex_);
        return last_written_;
    }
    // Writes what was handed over and ends the thread; false when a write failed.
    bool finish() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        ready_.notify_one();
        if (thread_.joinable()) thread_.join();
        return !failed_;
    }

  private:
    Batch take_free() {
        Batch b;
        if (!free_.empty()) {
            b = std::move(free_.back());
            free_.pop_back();
        }
        b.rows.clear();
        b.rows.reserve(kBatchRows);
        b.bytes = 0;
        return b;
    }

    void run() {
        for (;;) {
            Batch batch;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [&] { return !full_.empty() || done_; });
                if (full_.empty()) return;
                batch = std::move(full_.front());
                full_.pop_front();
            }
            room_.notify_one();
            if (batch.bytes == 0) batch.format(columns_);
            const uint64_t before = out_.bytes_taken();
            const bool ok = out_.write({batch.text.data(), batch.bytes});
            // A pipe may have taken only the first rows of a batch, whole lines.
            const size_t taken = size_t(out_.bytes_taken() - before);
            const size_t rows =
                taken >= batch.bytes
                    ? batch.rows.size()
                    : size_t(std::count(batch.text.data(), batch.text.data() + taken, '\n'));
            {
                std::lock_guard lock(mutex_);
                if (rows > 0) last_written_ = batch.rows[rows - 1];
                free_.push_back(std::move(batch));
                if (!ok) failed_ = true;
            }
            if (!ok) {
                room_.notify_one();
                return;
            }
        }
    }

    AtomicFile& out_;
    int columns_;
    std::mutex mutex_;
    std::condition_variable ready_, room_;
    std::deque<Batch> full_;
    std::vector<Batch> free_;
    Row last_written_{0, {}};
    bool done_ = false, failed_ = false;
    std::thread thread_;  // last: starts when everything above exists
};

// Ctrl-C, SIGTERM and a closed terminal (SIGHUP) end the flight at the next
// row boundary. A reader that goes away is a failed write (EPIPE), not a
// silent death by SIGPIPE: the summary still says how far the rows got.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
extern "C" void on_interrupt(int) {
    interrupted.store(true);
}

class InterruptGuard {
  public:
    InterruptGuard() {
        interrupted = false;
        struct sigaction sa {};
        sa.sa_handler = on_interrupt;
        sigemptyset(&sa.sa_mask);
        for (size_t i = 0; i < kStops.size(); ++i) sigaction(kStops[i], &sa, &previous_[i]);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, &previous_pipe_);
    }
    ~InterruptGuard() {
        for (size_t i = 0; i < kStops.size(); ++i) sigaction(kStops[i], &previous_[i], nullptr);
        sigaction(SIGPIPE, &previous_pipe_, nullptr);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

  private:
    static constexpr std::array<int, 3> kStops = {SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> previous_{};
    struct sigaction previous_pipe_ {};
};

// The clock is a 32-bit float of seconds: far from midnight its readings are
// coarser than a small step, and several ticks then read the same time, as they
// do in the window. Not an error; said once.
void note_coarse_clock(double clock_start, long long ticks, double dt) {
    const double last = clock_start + double(ticks - 1) * dt;
    double from = clock_start;
    if (!(clock_resolution(from) > dt)) {
        // The resolution changes at powers of two: the first one where it is coarse.
        double p = 1;
        while (p <= from || !(clock_resolution(p) > dt)) p *= 2;
        if (p > last) return;
        from = p;
    }
    std::fprintf(stderr,
                 "soarcalculus fly: note: from the clock reading %s s on the clock moves in "
                 "steps of %s s, more than --dt %s s, so some ticks read the same time (as in "
                 "the window)\n",
                 shortest_float(float(from)).c_str(),
                 float_text(float(clock_resolution(from))).c_str(), float_text(float(dt)).c_str());
}

}  // namespace

int fly_command(int argc, char** argv, bool parse_only) {
    Mode mode;
    long long ticks;
    double dt, clock_start;
    std::string csv, kml;
    KmlPlace place;
    bool energy = false;
    ParamSet params;
    std::string commands_path, loop_path;
    std::vector<TimedCommand> commands;
    std::optional<FlightState> commands_start;  // the start the command file names
    bool at_command_times = false;
    std::shared_ptr<const LoopFlight> loop;
    double gust_intensity = 0;
    uint64_t seed = 0;
    FlightLimits limits;
    try {
        std::vector<char*> rest;
        const ParamOptions po = take_param_options(argc, argv, rest);
        // --no-redraw is what fly always does now; it stays accepted.
        const Args a =
            parse_args(int(rest.size()), rest.data(),
                       {"pattern", "ticks", "dt", "clock-start", "csv", "kml", "lat", "lon",
                        "wind-from", "commands", "gusts", "seed", "limits", "loop"},
                       {"no-redraw", "energy", "command-times"});
        energy = a.flags.count("energy") != 0;
        if (a.values.count("kml")) kml = output_arg(a, "kml");
        place.lat_deg = number_arg(a, "lat", place.lat_deg);
        place.lon_deg = number_arg(a, "lon", place.lon_deg);
        place.wind_from_deg = number_arg(a, "wind-from", place.wind_from_deg);
        if (place.lat_deg < -89.0 || place.lat_deg > 89.0)
            throw ArgError{"--lat must lie between -89 and 89 degrees"};
        if (place.lon_deg < -180.0 || place.lon_deg > 180.0)
            throw ArgError{"--lon must lie between -180 and 180 degrees"};
        if (a.values.count("loop")) {
            // The loop is watched and recorded as the upwind pattern is.
            if (a.values.count("pattern"))
                throw ArgError{
                    "--loop flies the optimal loop, not a pattern: no --pattern with it"};
            if (a.values.count("commands"))
                throw ArgError{"--loop flies the optimal loop: not with --commands"};
            mode = kLoopView;
        } else {
            mode = pattern_arg(a, false);
        }
        params = resolve_param_options(po, mode);
        if (a.values.count("loop")) {
            loop_path = a.values.at("loop");
            loop = loop_arg(loop_path, params, po.preset.empty() ? "design-albatross" : po.preset);
        }
        at_command_times = a.flags.count("command-times") != 0;
        if (at_command_times) {
            // The ticks are the command file's: one per command.
            if (a.values.count("ticks") || a.values.count("dt") || a.values.count("clock-start"))
                throw ArgError{
                    "--command-times takes the ticks from the command file: give no --ticks, "
                    "--dt or --clock-start with it"};
            if (!a.values.count("commands"))
                throw ArgError{"--command-times needs --commands FILE.csv"};
            ticks = 1, dt = 0.01;
        } else {
            ticks = count_arg(a, "ticks", std::nullopt);
            dt = number_arg(a, "dt", std::nullopt, kDtRange);
        }
        clock_start = number_arg(a, "clock-start", 0.0, kClockStartRange);
        if (a.values.count("csv")) csv = output_arg(a, "csv");
        gust_intensity = number_arg(a, "gusts", 0.0, {0.0, 20.0, false, "m/s"});
        seed = seed_arg(a);
        if (a.values.count("limits")) {
            std::string error;
            if (!parse_flight_limits(a.values.at("limits"), limits, error))
                throw ArgError{"--limits: " + error};
        }
        if (a.values.count("seed") && !a.values.count("gusts"))
            throw ArgError{"--seed chooses the gusts: give --gusts INTENSITY with it"};
        if (a.values.count("commands")) {
            commands_path = a.values.at("commands");
            std::ifstream in(commands_path, std::ios::binary);
            if (!in.is_open()) throw ArgError{"--commands: cannot read \"" + commands_path + "\""};
            std::ostringstream text;
            text << in.rdbuf();
            std::string error;
            if (!parse_command_csv(text.str(), commands, commands_start, error))
                throw ArgError{"--commands \"" + commands_path + "\": " + error};
            if (at_command_times) {
                if (commands.empty() || commands.front().t != 0.0f)
                    throw ArgError{
                        "--command-times: the file's first command must be at t = 0 "
                        "s, the flight's start"};
                ticks = static_cast<long long>(commands.size());
            }
        } else if (gust_intensity > 0.0) {
            throw ArgError{
                "--gusts acts on a commanded flight: give --commands FILE.csv with it (the "
                "designed patterns fly their prescribed path)"};
        }
        refuse_one_file_twice({{"--csv", csv},
                               {"--kml", kml},
                               {"--commands", commands_path, false},
                               {"--loop", loop_path, false},
                               {"--params", po.file, false}});
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus fly: %s\n%s", e.message.c_str(), command_usage("fly"));
        return 2;
    }
    if (parse_only) return 0;

    // The signals are handled from before the first write: a kill while the
    // files are started still leaves nothing behind.
    InterruptGuard guard;
    AtomicFile out;
    if (csv.empty()) {
        out.open_stream(STDOUT_FILENO, "standard output");
    } else if (!out.open(csv, &interrupted)) {
        std::fprintf(stderr, "soarcalculus fly: %s\n", out.error().c_str());
        return out.gave_up() ? 130 : 1;  // Ctrl-C while a pipe waited for its reader
    }
    out.give_up_when_blocked(&interrupted);
    const bool gust_column = energy && gust_intensity > 0.0;
    std::string header = flight_csv_header(energy);
    if (gust_column) header.insert(header.size() - 1, ",dE_gust");
    if (!out.write(header)) {
        std::fprintf(stderr, "soarcalculus fly: %s\n", out.error().c_str());
        return 1;
    }
    // The track goes to its file as the flight goes. A command-line flight has no
    // date: its clock starts on 1 January 2000 (UTC) at --clock-start seconds
    // after midnight.
    AtomicFile track_file;
    std::unique_ptr<KmlTrackWriter> track;
    if (!kml.empty()) {
        if (!track_file.open(kml, &interrupted)) {
            std::fprintf(stderr, "soarcalculus fly: %s\n", track_file.error().c_str());
            return track_file.gave_up() ? 130 : 1;
        }
        const std::time_t start = std::time_t(946684800) + std::time_t(std::floor(clock_start));
        track = std::make_unique<KmlTrackWriter>(track_file, place, start, "Soarcalculus flight");
        if (!track->ok()) {
            std::fprintf(stderr, "soarcalculus fly: %s\n", track->error().c_str());
            return 1;
        }
    }
    if (!at_command_times) note_coarse_clock(clock_start, ticks, dt);

    const Params flown = loop ? loop->params : params.of(mode);
    FlyTicks flight;
    if (loop) {
        flight.loop.emplace(loop, clock_start);
    } else if (commands_path.empty()) {
        flight.designed.emplace(flown, mode, clock_start);
    } else {
        flight.commanded.emplace(
            flown, mode, clock_start, std::move(commands), Turbulence(float(gust_intensity), seed),
            at_command_times ? CommandedTicks::Times::commands : CommandedTicks::Times::clock,
            commands_start);
    }
    FlightRecord record;
    // The cycles only (for the summary): the track is written as it goes.
    record.keep_history = false;

    Progress progress(ticks);
    // The limits are checked on every tick flown; they never stop the flight.
    LimitCheck limit_check;
    int status = 0;
    bool write_ok = true, track_ok = true;
    long long done = 0;
    Row last{0, {}}, last_handed{0, {}};
    {
        RowWriter writer(out, gust_column ? kGustColumnCount
                              : energy    ? kColumnCount
                                          : kFlyColumnCount);
        Batch batch = writer.fresh();
        for (long long k = 1; k <= ticks; ++k) {
            if (interrupted) {
                status = 130;
                break;
            }
            if (!flight.tick(k, dt)) {
                status = 1;
                break;
            }
            if (k == 1) {
                record.begin(mode, flight.state(), flown, std::time(nullptr));
            } else {
                record.add(flight.state());
            }
            batch.rows.push_back(row_at(k, flight.state(), flown, energy));
            if (limits.any()) limit_check.add(flight.state(), limits);
            ++done;
            if (track) {
                const auto& v = batch.rows.back().v;
                track_ok = track->add(v[int(Column::t)], v[int(Column::X)], v[int(Column::Y)],
                                      v[int(Column::Z)]);
                if (!track_ok) break;
            }
            if (batch.rows.size() == kBatchRows) {
                last_handed = batch.rows.back();
                if (!writer.push(batch)) {
                    write_ok = false;
                    break;
                }
            }
            progress.update(k);
        }
        if (!batch.rows.empty()) last_handed = batch.rows.back();
        if (write_ok && !batch.rows.empty()) write_ok = writer.push(batch);
        write_ok = writer.finish() && write_ok;
        // A pipe or terminal says which rows it took; a file is all or nothing.
        last = out.writes_lines() ? writer.last_written() : last_handed;
    }
    progress.done();
    const bool gave_up = !write_ok && out.gave_up();
    // Interrupted while the last rows were still being written: only the rows a
    // blocked reader took are out.
    if (gave_up && status == 0) status = 130;
    if (status == 130) record.end("interrupted after tick " + std::to_string(done));
    // Only a complete file replaces the old one: a failed write leaves it as it was.
    if ((!write_ok && !gave_up) || (write_ok && !out.commit())) {
        std::fprintf(stderr, "soarcalculus fly: %s; the flight was stopped after tick %lld\n",
                     out.error().c_str(), done);
        if (status == 0) status = 1;
        if (status != 130) record.end("the rows could not be written");
    } else if (!track_ok) {
        std::fprintf(stderr, "soarcalculus fly: %s; the flight was stopped after tick %lld\n",
                     track->error().c_str(), done);
        status = 1;
        record.end("the track could not be written");
    } else {
        if (status == 1) {
            std::fprintf(stderr,
                         "soarcalculus fly: %s; the rows of the %lld ticks before are kept\n",
                         flight.fault().c_str(), done);
            record.end(flight.fault());
        }
        if (status == 0) record.end("all " + std::to_string(ticks) + " ticks flown");
    }
    if (status == 130) {
        if (last.tick < done)
            std::fprintf(stderr,
                         "soarcalculus fly: interrupted; the rows up to tick %lld reached %s (it "
                         "took no more)\n",
                         last.tick, out.path().c_str());
        else
            std::fprintf(stderr, "soarcalculus fly: interrupted\n");
    }
    if (track && track_ok && (write_ok || gave_up)) {
        if (!track->finish() || !track_file.commit()) {
            std::fprintf(stderr, "soarcalculus fly: %s\n",
                         (track->ok() ? track_file.error() : track->error()).c_str());
            if (status == 0) status = 1;
        }
    }
    // The summary is of the last row written: a tick that failed leaves no row,
    // and a reader that stopped reading may have taken fewer than were flown.
    const float t = last.v[0], Z = last.v[4], V = last.v[5];
    const double E = specific_energy(double(Z), double(V), double(flown.g));
    std::fprintf(
        stderr,
        "%lld ticks, flight time %s s, airspeed %s m/s, height %s m, specific energy %.4f m\n",
        last.tick, float_text(t).c_str(), float_text(V).c_str(), float_text(Z).c_str(), E);
    std::fprintf(stderr, "%s\n", flight_summary(record).c_str());
    std::fprintf(stderr, "wind: %s\n", profile_text(flown).c_str());
    if (limits.any()) std::fprintf(stderr, "%s\n", limit_report(limit_check, limits).c_str());
    return status;
}

}  // namespace soar::cli
