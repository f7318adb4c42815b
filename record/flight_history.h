// The flight so far at full rate, in the order of the `fly` CSV (then the
// energy), kept small enough for a flight of days:
// - a tick that advanced no time and changed nothing (the clock is a 32-bit
//   float of seconds since midnight: in the afternoon it moves in steps of
//   3.9 ms, and three ticks of a 1 ms timer in four read the time before) is
//   kept as a count on the sample before it, not as a row of its own;
// - the samples are kept in blocks, each value coded as its difference from a
//   prediction (record/history_codec.h): about a byte a value, and exact to
//   the bit;
// - beside each column a min/max pyramid over the blocks, so that the extremes
//   over any run of samples cost a few dozen steps however long the flight: a
//   chart draws a flight of hours as fast as one of seconds.
// Completed stretches of blocks are shared, never changed: a copy of the
// history for a save on another thread (snapshot()) costs the newest stretch
// only, and the flight flies on while the save reads it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "record/history_codec.h"
#include "sim/flight_state.h"
#include "sim/params.h"

namespace soar {

enum class Column : int {
    t,
    dt,
    X,
    Y,
    Z,
    V,
    gam_deg,
    psi_deg,
    mu_deg,
    Nz,
    Nx,
    CL,
    U,
    Up,
    alpha,
    roll_b,
    pitch_b,
    yaw_b,
    E,
    dE_wind,
    dE_drag,
    count_
};
inline constexpr int kColumnCount = static_cast<int>(Column::count_);
inline constexpr int kFlyColumnCount = static_cast<int>(Column::E);  // without the energy

// A tick's values in column order. Without `energy` the energy columns are left
// 0 (they cost three sines a tick).
std::array<float, kColumnCount> row_of(const FlightState& s, const Params& p, bool energy = true);

using HistoryRow = std::array<float, kColumnCount>;

namespace history_detail {

inline constexpr int kBlock = history_codec::kBlock;
inline constexpr int kStreams = kColumnCount + 1;  // the columns, then the repeat counts
inline constexpr int kRepeats = kColumnCount;
inline constexpr int kSegmentBlocks = 64;  // blocks per shared stretch

// Coded blocks: for block b and stream s, its bytes start at starts[b * kStreams + s].
struct Segment {
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> starts;
    int blocks() const { return int(starts.size() / kStreams); }
    size_t memory_bytes() const;
};

// The newest samples, not yet coded: values[s][k] (float columns by their bits).
struct OpenBlock {
    std::array<std::array<uint32_t, kBlock>, kStreams> values{};
    int n = 0;
};

// What a reader of the whole history needs: the shared stretches, a copy of the
// stretch being filled, and the newest samples.
struct Parts {
    std::vector<std::shared_ptr<const Segment>> segments;  // the last one may be the open one
    OpenBlock open;
    uint64_t ticks = 0;
    // Every tick in order (repeats included), its row.
    void for_each_tick(const std::function<void(const HistoryRow&)>& f,
                       const std::function<bool(uint64_t)>& go_on = nullptr) const;
};

}  // namespace history_detail

// The history as it was at one moment, for a save on another thread: it shares
// the completed stretches with the history and reads nothing the flight writes.
class HistorySnapshot {
  public:
    HistorySnapshot() = default;
    uint64_t ticks() const { return parts_.ticks; }
    // Every tick in order, its row. `go_on` (if given) is asked every so many
    // ticks with the count done and stops the walk when it says false.
    void for_each_tick(const std::function<void(const HistoryRow&)>& f,
                       const std::function<bool(uint64_t)>& go_on = nullptr) const {
        parts_.for_each_tick(f, go_on);
    }

  private:
    friend class FlightHistory;
    history_detail::Parts parts_;
};

class FlightHistory {
  public:
    FlightHistory();
    void clear();
    void add(const FlightState& s, const Params& p);
    // Ticks recorded, each tick that repeats the one before included.
    size_t size() const { return size_t(ticks_); }
    bool empty() const { return ticks_ == 0; }
    // The value of tick i: decodes its block (a few microseconds), for single
    // values; a walk over all of them is for_each_tick.
    float at(Column c, size_t i) const;
    // The newest tick's value.
    float last(Column c) const { return last_[idx(c)]; }
    // Every value of tick i (dt 0 for a tick that repeats the one before).
    HistoryRow row_at(size_t i) const;
    void for_each_tick(const std::function<void(const HistoryRow&)>& f) const;
    HistorySnapshot snapshot() const;

    // Samples: the ticks without their repeats (what the charts draw).
    size_t samples() const { return size_t(samples_); }
    float sample(Column c, size_t j) const;
    // Smallest and largest value of a column over samples [first, last), first < last.
    std::pair<float, float> range(Column c, size_t first, size_t last) const;
    // The first sample whose flight time is at least t (samples() if none): the
    // flight time never runs backwards.
    size_t index_at_or_after(double t) const;
    // The first sample at t or later that starts a block of the history
    // (samples() if none): an index whose runs of samples the pyramid answers
    // without decoding any.
    size_t block_at_or_after(double t) const;
    // The ticks of sample j: the first (0-based) and how many (the sample's own
    // tick and the ticks that repeated it).
    std::pair<size_t, size_t> ticks_of_sample(size_t j) const;
    // The sample that tick i is, or repeats.
    size_t sample_of_tick(size_t i) const;

    // The first sample of the newest blocks, which are kept decoded as well:
    // samples from here on cost no decoding.
    size_t first_decoded_sample() const {
        return coded_blocks_ > kRecentBlocks
                   ? size_t(coded_blocks_ - kRecentBlocks) * history_detail::kBlock
                   : 0;
    }

    // The bytes this history holds (its arrays' capacity), for the memory bound.
    size_t memory_bytes() const;

  private:
    static constexpr size_t kFan = 16;  // blocks of a pyramid level per block of the next
    // The newest coded blocks are kept decoded as well: the charts of the last
    // minute read them at every update (about 11 MB at most, whatever the length).
    static constexpr uint64_t kRecentBlocks = 1024;
    static size_t idx(Column c) { return static_cast<size_t>(c); }
    struct Level {
        std::vector<float> lo, hi;
    };
    struct Decoded {
        int64_t block = -1;
        int stream = -1;
        std::array<uint32_t, history_detail::kBlock> values{};
    };
    void add_sample(const HistoryRow& row);
    void seal_block();
    void add_to_pyramid(size_t c, float lo, float hi);
    // Stream s of coded block b (every block but the open one): the newest kept
    // decoded, older ones through a cache.
    const uint32_t* decoded(int64_t b, int s) const;

    std::vector<std::shared_ptr<const history_detail::Segment>> sealed_;
    history_detail::Segment filling_;  // the stretch being filled (its blocks coded)
    history_detail::OpenBlock open_;   // the newest samples, not yet coded
    uint64_t open_first_tick_ = 0;     // the tick of open_'s first sample
    uint64_t coded_blocks_ = 0;
    std::vector<uint64_t> block_first_tick_;  // per coded block, the tick of its first sample
    std::vector<std::unique_ptr<history_detail::OpenBlock>> recent_;  // by block % its size
    HistoryRow last_{};
    uint64_t ticks_ = 0, samples_ = 0;
    // levels_[c][k]: extremes of column c over blocks of kBlock * kFan^k samples.
    std::array<std::vector<Level>, kColumnCount> levels_;
    mutable std::vector<Decoded> cache_;
};

// What a chart of `width` pixel columns shows of column c between flight times
// t0 and t1: per pixel column the smallest and the largest sample in it, as two
// points (time, value) at the column's middle time. Empty pixel columns are left
// out; a pixel column with one sample gives one point.
std::vector<std::pair<double, double>> decimated(const FlightHistory& h, Column c, double t0,
                                                 double t1, int width);

}  // namespace soar
