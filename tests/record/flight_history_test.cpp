// The flight history of real flights as the window keeps them: every tick comes
// back to the bit, a tick that advanced no time costs no row, the memory per
// tick stays under 40 bytes, and a snapshot for a save shares what it can.
#include "record/flight_history.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "../app/app_fixture.h"
#include "app/cli_args.h"
#include "app/session.h"
#include "headless/recording_surface.h"
#include "platform/atomic_file.h"
#include "record/csv.h"

namespace soar {
namespace {

struct Flown {
    std::vector<HistoryRow> rows;  // every tick's row, as the tick left it
    size_t bytes_midway = 0, ticks_midway = 0;
};

// A window flight of `ticks` ticks whose clock moves by `step(k)` seconds from
// `clock_start`; the record keeps the history as in the window.
template <class Step>
Flown fly(test::Run& run, Mode mode, double clock_start, long long ticks, Step step) {
    Flown f;
    run.session.set_check(Id::ground_track_box, 0);
    run.session.set_check(Id::air_track_box, 0);
    run.start(mode, clock_start);
    double clock = clock_start;
    for (long long k = 1; k <= ticks; ++k) {
        if (!run.tick_unseen(float(clock))) break;
        f.rows.push_back(row_of(run.session.flight_state(), run.session.record().params));
        if (k == ticks / 2) {
            f.bytes_midway = run.session.record().history.memory_bytes();
            f.ticks_midway = run.session.record().history.size();
        }
        clock += step(k);
    }
    return f;
}

bool same_bits(const HistoryRow& a, const HistoryRow& b) {
    return std::memcmp(a.data(), b.data(), sizeof a) == 0;
}

void expect_history_of(const FlightHistory& h, const Flown& f, const char* what) {
    ASSERT_EQ(h.size(), f.rows.size()) << what;
    size_t i = 0, differ = 0;
    h.for_each_tick([&](const HistoryRow& row) {
        if (i < f.rows.size() && !same_bits(row, f.rows[i])) ++differ;
        ++i;
    });
    EXPECT_EQ(i, f.rows.size()) << what;
    EXPECT_EQ(differ, 0u) << what;
    // Single ticks, and the newest.
    std::mt19937 rng(11);
    for (int n = 0; n < 300; ++n) {
        const size_t k = rng() % f.rows.size();
        for (Column c : {Column::t, Column::dt, Column::X, Column::dE_drag})
            ASSERT_EQ(std::bit_cast<uint32_t>(h.at(c, k)),
                      std::bit_cast<uint32_t>(f.rows[k][size_t(c)]))
                << what << ": tick " << k << " column " << int(c);
    }
    EXPECT_EQ(h.last(Column::V), f.rows.back()[size_t(Column::V)]) << what;
    // The samples are the ticks without the ones that only repeat the tick
    // before them with a step of 0.
    size_t j = 0;
    for (size_t k = 0; k < f.rows.size(); ++k) {
        HistoryRow unstepped = f.rows[k - (k > 0)];
        unstepped[size_t(Column::dt)] = 0.0f;
        if (k > 0 && same_bits(f.rows[k], unstepped)) continue;
        ASSERT_LT(j, h.samples()) << what;
        ASSERT_EQ(h.sample(Column::Z, j), f.rows[k][size_t(Column::Z)]) << what << " sample " << j;
        ++j;
    }
    EXPECT_EQ(j, h.samples()) << what;
    // Extremes over any run of samples, from the pyramid and the blocks at its
    // ends, are those of a plain scan (the last runs end at the newest sample).
    for (int n = 0; n < 400; ++n) {
        size_t a = rng() % h.samples(), b = n % 4 == 0 ? h.samples() : rng() % h.samples() + 1;
        if (a >= b) std::swap(a, b), ++b;
        float lo = h.sample(Column::E, a), hi = lo;
        for (size_t s = a; s < b; ++s)
            lo = std::min(lo, h.sample(Column::E, s)), hi = std::max(hi, h.sample(Column::E, s));
        const auto [rlo, rhi] = h.range(Column::E, a, b);
        ASSERT_EQ(rlo, lo) << what << " [" << a << ", " << b << ")";
        ASSERT_EQ(rhi, hi) << what << " [" << a << ", " << b << ")";
    }
}

// A circle zoom started in the afternoon: the clock moves in 3.9 ms steps, so
// three ticks of a 1 ms timer in four advance no time. Then an upwind flight
// in the morning on a clock that jitters as the machine's does.
TEST(FlightHistory, EveryTickComesBackToTheBitInUnderFortyBytes) {
    {
        test::Run run(false);
        const Flown f = fly(run, Mode::circlezoom, 50000.0, 400000, [](long long) { return 1e-3; });
        const FlightHistory& h = run.session.record().history;
        expect_history_of(h, f, "circle zoom at 50000 s");
        // No tick that only repeats is kept as a row of its own.
        EXPECT_LT(h.samples(), h.size() / 3);
        const double per_tick =
            double(h.memory_bytes() - f.bytes_midway) / double(h.size() - f.ticks_midway);
        std::printf(
            "circle zoom at 50000 s: %zu ticks, %zu samples, %zu bytes, %.2f bytes a tick "
            "over the second half\n",
            h.size(), h.samples(), h.memory_bytes(), per_tick);
        EXPECT_LT(per_tick, 40.0);
    }
    {
        test::Run run(false);
        std::mt19937 rng(5);
        std::uniform_real_distribution<double> jitter(0.4e-3, 1.6e-3);
        const Flown f =
            fly(run, Mode::upwind, 1000.0, 300000, [&](long long) { return jitter(rng); });
        const FlightHistory& h = run.session.record().history;
        expect_history_of(h, f, "upwind at 1000 s, jittered clock");
        const double per_tick =
            double(h.memory_bytes() - f.bytes_midway) / double(h.size() - f.ticks_midway);
        std::printf(
            "upwind at 1000 s: %zu ticks, %zu samples, %zu bytes, %.2f bytes a tick over "
            "the second half\n",
            h.size(), h.samples(), h.memory_bytes(), per_tick);
        EXPECT_LT(per_tick, 40.0);
        // Before, 21 floats a tick and pyramids: 90 bytes and more.
        EXPECT_LT(h.memory_bytes(), 40 * h.size() + (12u << 20));
    }
}

// A save reads a snapshot on another thread while the flight flies on: it holds
// the ticks up to its moment, and costs the newest stretch, not a copy.
TEST(FlightHistory, ASnapshotKeepsItsMomentAndSharesTheRest) {
    test::Run run(false);
    const Flown f = fly(run, Mode::downwind, 2000.0, 200000, [](long long) { return 1e-3; });
    const FlightHistory& h = run.session.record().history;
    const size_t heap_before = mallinfo2().uordblks;
    const HistorySnapshot snap = h.snapshot();
    const size_t heap_after = mallinfo2().uordblks;
    for (long long k = 1; k <= 5000; ++k) run.tick_unseen(float(2200.0 + double(k) * 1e-3));
    ASSERT_EQ(snap.ticks(), f.rows.size());
    size_t i = 0, differ = 0;
    snap.for_each_tick([&](const HistoryRow& row) { differ += !same_bits(row, f.rows[i++]); });
    EXPECT_EQ(i, f.rows.size());
    EXPECT_EQ(differ, 0u);
    // The heap count is that of glibc's allocator (the sanitizers bring their own).
    if (heap_before > 0) {
        std::printf("snapshot of %zu bytes of history: %zu bytes\n", h.memory_bytes(),
                    heap_after - heap_before);
        EXPECT_LT(heap_after - heap_before, h.memory_bytes() / 10);
    }
}

// The coding is exact for any bits, not only a smooth flight's: random bits,
// both zeros, NaNs with payloads, the largest floats against the smallest, and
// whole numbers up to the largest, each stream decoded alone.
TEST(FlightHistory, BlocksComeBackToTheBitWhateverTheyHold) {
    namespace hc = history_codec;
    const hc::Layout layout{3, 0, 1};  // time, step, one value; then the whole numbers
    constexpr int n = hc::kBlock;
    std::mt19937 rng(17);
    const std::vector<uint32_t> odd = {0x00000000u, 0x80000000u, 0x7fc00001u, 0xffbfffffu,
                                       0x7f7fffffu, 0xff7fffffu, 0x00000001u, 0x80000001u,
                                       0x7f800000u, 0xffffffffu};
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<std::vector<uint32_t>> v(4, std::vector<uint32_t>(n));
        float t = 1000.0f;
        for (int k = 0; k < n; ++k) {
            t += trial % 3 == 0 ? 0.0f : float(rng() % 1000) * 1e-6f;
            v[0][size_t(k)] = trial % 5 == 0 ? uint32_t(rng()) : std::bit_cast<uint32_t>(t);
            v[1][size_t(k)] = trial % 2 ? odd[rng() % odd.size()] : uint32_t(rng());
            v[2][size_t(k)] = trial % 4 == 0 ? odd[size_t(k) % odd.size()]
                                             : std::bit_cast<uint32_t>(std::sin(float(k)) * 1e30f);
            v[3][size_t(k)] = trial % 2 ? uint32_t(rng()) : uint32_t(k % 3 == 0 ? 0xffffffffu : 0);
        }
        const uint32_t* streams[4] = {v[0].data(), v[1].data(), v[2].data(), v[3].data()};
        std::vector<uint8_t> bytes;
        std::vector<uint32_t> starts;
        hc::encode_block(layout, streams, bytes, starts);
        ASSERT_EQ(starts.size(), 4u);
        std::vector<uint32_t> time(n), out(n);
        for (int s : {0, 1, 2, 3}) {
            const uint8_t* end = bytes.data() + (s < 3 ? starts[size_t(s) + 1] : bytes.size());
            hc::decode_stream(layout, s, bytes.data() + starts[size_t(s)], end, time.data(),
                              s == 0 ? time.data() : out.data());
            ASSERT_EQ(s == 0 ? time : out, v[size_t(s)]) << "trial " << trial << ", stream " << s;
        }
    }
}

// Going back to any tick, and the Flight data CSV: a circle zoom whose clock
// stands still for three ticks in four (a 1 ms timer on a 3.9 ms clock).
TEST(FlightHistory, AnyTickReadBackAndTheFlightDataCsvWithoutRepeats) {
    test::Run run(false);
    const Flown f = fly(run, Mode::circlezoom, 50000.0, 200000, [](long long) { return 1e-3; });
    const FlightRecord& r = run.session.record();
    const FlightHistory& h = r.history;
    ASSERT_EQ(h.size(), f.rows.size());
    // Any tick, whole, to the bit (dt 0 for a repeat).
    std::mt19937 rng(3);
    const auto start = std::chrono::steady_clock::now();
    for (int n = 0; n < 2000; ++n) {
        const size_t k = rng() % h.size();
        ASSERT_TRUE(same_bits(h.row_at(k), f.rows[k])) << "tick " << k;
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("2000 ticks read back at random: %.2f ms\n", ms);    // reported, not asserted
    EXPECT_TRUE(std::isnan(h.row_at(h.size())[size_t(Column::V)]));  // beyond the flight

    // The CSV: the first tick and each tick that advanced time, under its own
    // tick number, with the values the tick left.
    const std::string csv = flight_data_csv(h, r.params);
    std::vector<std::vector<double>> rows;
    size_t at = csv.find('\n') + 1;
    while (at < csv.size()) {
        const size_t end = csv.find('\n', at);
        std::vector<double> cells;
        for (size_t a = at; a < end;) {
            const size_t comma = std::min(csv.find(',', a), end);
            cells.push_back(std::stod(csv.substr(a, comma - a)));
            a = comma + 1;
        }
        rows.push_back(cells);
        at = end + 1;
    }
    size_t advanced = 1;
    for (size_t k = 1; k < f.rows.size(); ++k) advanced += f.rows[k][size_t(Column::dt)] != 0.0f;
    ASSERT_EQ(rows.size(), advanced);
    EXPECT_LT(rows.size(), h.size() / 3);
    long long before = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto tick = (long long)rows[i][0];
        ASSERT_GT(tick, before);
        before = tick;
        const HistoryRow& want = f.rows[size_t(tick - 1)];
        if (i > 0) {
            ASSERT_NE(rows[i][1 + size_t(Column::dt)], 0.0) << "tick " << tick;
        }
        for (Column c : {Column::t, Column::X, Column::Z, Column::V, Column::E})
            ASSERT_EQ(float(rows[i][1 + size_t(c)]), want[size_t(c)]) << "tick " << tick;
    }
    // The first row: the attitude of the flight's own lift (the tick after
    // differs by what 1 ms of flight turns), not the one typed for the view.
    for (Column c : {Column::alpha, Column::roll_b, Column::pitch_b, Column::yaw_b}) {
        const double first = rows[0][1 + size_t(c)], second = rows[1][1 + size_t(c)];
        EXPECT_NEAR(first, second, 0.5) << int(c);
    }
    EXPECT_NE(float(rows[0][1 + size_t(Column::pitch_b)]), f.rows[0][size_t(Column::pitch_b)]);

    // The save written in pieces on its thread is the same text.
    const std::string path = testing::TempDir() + "flight_data.csv";
    AtomicFile out;
    ASSERT_TRUE(out.open(path));
    ASSERT_TRUE(write_flight_data_csv(h.snapshot(), r.params, out));
    ASSERT_TRUE(out.commit());
    std::ifstream in(path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(written, csv);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace soar
