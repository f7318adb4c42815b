#include "record/flight_history.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/number_text.h"
#include "sim/energy.h"

namespace soar {

using namespace history_detail;

std::array<float, kColumnCount> row_of(const FlightState& s, const Params& p, bool energy) {
    const Energy e = energy ? energy_of(s, p) : Energy{};
    return {s.t,
            s.dt,
            s.X,
            s.Y,
            s.Z,
            s.V,
            s.gam_deg,
            s.psi_deg,
            s.mu_deg,
            s.Nz,
            s.Nx,
            s.CL,
            s.U,
            s.Up,
            s.alpha,
            s.attitude.roll,
            s.attitude.pitch,
            s.attitude.yaw,
            e.E,
            e.dE_wind,
            e.dE_drag};
}

namespace {

constexpr int kTime = int(Column::t), kDt = int(Column::dt);
const history_codec::Layout kLayout{kColumnCount, kTime, kDt};

// Older blocks that a chart reads are decoded into a small cache.
constexpr size_t kCacheSlots = 512;

uint32_t bits(float v) {
    return float_bits(v);
}
float value(uint32_t b) {
    return float_of_bits(b);
}

bool needs_time(int s) {
    return s < kColumnCount && s != kTime;
}

const uint8_t* stream_begin(const Segment& seg, int lb, int s) {
    return seg.bytes.data() + seg.starts[size_t(lb) * kStreams + size_t(s)];
}
const uint8_t* stream_end(const Segment& seg, int lb, int s) {
    const size_t next = size_t(lb) * kStreams + size_t(s) + 1;
    return seg.bytes.data() + (next < seg.starts.size() ? seg.starts[next] : seg.bytes.size());
}

using BlockValues = std::array<std::array<uint32_t, kBlock>, kStreams>;

void decode_block(const Segment& seg, int lb, BlockValues& out) {
    history_codec::decode_stream(kLayout, kTime, stream_begin(seg, lb, kTime),
                                 stream_end(seg, lb, kTime), nullptr, out[kTime].data());
    for (int s = 0; s < kStreams; ++s) {
        if (s == kTime) continue;
        history_codec::decode_stream(kLayout, s, stream_begin(seg, lb, s), stream_end(seg, lb, s),
                                     out[kTime].data(), out[s].data());
    }
}

// The ticks of n samples: each sample's row, then its repeats (the same row with
// a time step of 0).
void emit(const BlockValues& v, int n, const std::function<void(const HistoryRow&)>& f) {
    HistoryRow row;
    for (int k = 0; k < n; ++k) {
        for (int c = 0; c < kColumnCount; ++c) row[size_t(c)] = value(v[size_t(c)][size_t(k)]);
        f(row);
        const uint32_t repeats = v[kRepeats][size_t(k)];
        if (repeats == 0) continue;
        row[kDt] = 0.0f;
        for (uint32_t r = 0; r < repeats; ++r) f(row);
    }
}

}  // namespace

namespace history_detail {

size_t Segment::memory_bytes() const {
    return sizeof(Segment) + bytes.capacity() + starts.capacity() * sizeof(uint32_t);
}

void Parts::for_each_tick(const std::function<void(const HistoryRow&)>& f,
                          const std::function<bool(uint64_t)>& go_on) const {
    uint64_t done = 0;
    const auto counted = [&](const HistoryRow& row) {
        ++done;
        f(row);
    };
    auto values = std::make_unique<BlockValues>();
    for (const auto& seg : segments) {
        for (int lb = 0; lb < seg->blocks(); ++lb) {
            if (go_on && !go_on(done)) return;
            decode_block(*seg, lb, *values);
            emit(*values, kBlock, counted);
        }
    }
    if (go_on && !go_on(done)) return;
    BlockValues& last = *values;
    for (int s = 0; s < kStreams; ++s) last[size_t(s)] = open.values[size_t(s)];
    emit(last, open.n, counted);
}

}  // namespace history_detail

FlightHistory::FlightHistory() = default;

void FlightHistory::clear() {
    *this = FlightHistory();
}

void FlightHistory::add(const FlightState& s, const Params& p) {
    const HistoryRow row = row_of(s, p);
    ++ticks_;
    // A tick that advanced no time and changed nothing: the sample before it,
    // once more.
    bool repeat =
        samples_ > 0 && bits(row[kDt]) == 0 &&
        open_.values[kRepeats][size_t(open_.n - 1)] < std::numeric_limits<uint32_t>::max();
    for (int c = 0; c < kColumnCount && repeat; ++c)
        repeat = c == kDt || bits(row[size_t(c)]) == bits(last_[size_t(c)]);
    if (repeat) {
        ++open_.values[kRepeats][size_t(open_.n - 1)];
        last_[kDt] = 0.0f;
        return;
    }
    add_sample(row);
}

void FlightHistory::add_sample(const HistoryRow& row) {
    if (open_.n == kBlock) seal_block();
    const size_t k = size_t(open_.n++);
    if (k == 0) open_first_tick_ = ticks_ - 1;
    for (size_t c = 0; c < size_t(kColumnCount); ++c) open_.values[c][k] = bits(row[c]);
    open_.values[kRepeats][k] = 0;
    last_ = row;
    ++samples_;
}

void FlightHistory::seal_block() {
    const uint32_t* streams[kStreams];
    for (int s = 0; s < kStreams; ++s) streams[s] = open_.values[size_t(s)].data();
    history_codec::encode_block(kLayout, streams, filling_.bytes, filling_.starts);
    block_first_tick_.push_back(open_first_tick_);
    for (size_t c = 0; c < size_t(kColumnCount); ++c) {
        float lo = value(open_.values[c][0]), hi = lo;
        for (int k = 1; k < kBlock; ++k) {
            const float v = value(open_.values[c][size_t(k)]);
            lo = std::min(lo, v), hi = std::max(hi, v);
        }
        add_to_pyramid(c, lo, hi);
    }
    // The newest blocks stay decoded, for the charts of the last minute.
    auto recent = std::make_unique<OpenBlock>(open_);
    if (recent_.size() < kRecentBlocks)
        recent_.push_back(std::move(recent));
    else
        recent_[size_t(coded_blocks_ % kRecentBlocks)] = std::move(recent);
    ++coded_blocks_;
    open_.n = 0;
    if (filling_.blocks() == kSegmentBlocks) {
        filling_.bytes.shrink_to_fit();
        filling_.starts.shrink_to_fit();
        sealed_.push_back(std::make_shared<const Segment>(std::move(filling_)));
        filling_ = Segment();
    }
}

void FlightHistory::add_to_pyramid(size_t c, float lo, float hi) {
    auto& levels = levels_[c];
    // Each completed group of kFan entries at one level adds one entry above.
    for (size_t k = 0;; ++k) {
        if (levels.size() <= k) levels.emplace_back();
        levels[k].lo.push_back(lo);
        levels[k].hi.push_back(hi);
        if (levels[k].lo.size() % kFan != 0) break;
        lo = *std::min_element(levels[k].lo.end() - kFan, levels[k].lo.end());
        hi = *std::max_element(levels[k].hi.end() - kFan, levels[k].hi.end());
    }
}

const uint32_t* FlightHistory::decoded(int64_t b, int s) const {
    if (uint64_t(b) + kRecentBlocks >= coded_blocks_)
        return recent_[size_t(uint64_t(b) % kRecentBlocks)]->values[size_t(s)].data();
    if (cache_.empty()) cache_.resize(kCacheSlots);
    Decoded& slot = cache_[size_t(uint64_t(b) * kStreams + uint64_t(s)) % kCacheSlots];
    if (slot.block == b && slot.stream == s) return slot.values.data();
    // The flight time's slot differs from every other stream's of the same block.
    const uint32_t* time = needs_time(s) ? decoded(b, kTime) : nullptr;
    const size_t seg_index = size_t(b) / kSegmentBlocks;
    const Segment& seg = seg_index < sealed_.size() ? *sealed_[seg_index] : filling_;
    const int lb = int(b % kSegmentBlocks);
    history_codec::decode_stream(kLayout, s, stream_begin(seg, lb, s), stream_end(seg, lb, s), time,
                                 slot.values.data());
    slot.block = b;
    slot.stream = s;
    return slot.values.data();
}

float FlightHistory::sample(Column c, size_t j) const {
    const uint64_t b = j / kBlock;
    const size_t k = j % kBlock;
    if (b == coded_blocks_) return value(open_.values[idx(c)][k]);
    return value(decoded(int64_t(b), int(c))[k]);
}

size_t FlightHistory::sample_of_tick(size_t i) const {
    // The block holding tick i, then the sample among its samples and repeats.
    const bool open = coded_blocks_ == 0 || i >= open_first_tick_;
    const uint64_t b =
        open ? coded_blocks_
             : uint64_t(std::upper_bound(block_first_tick_.begin(), block_first_tick_.end(), i) -
                        block_first_tick_.begin() - 1);
    const uint32_t* repeats = open ? open_.values[kRepeats].data() : decoded(int64_t(b), kRepeats);
    const size_t n = open ? size_t(open_.n) : size_t(kBlock);
    uint64_t tick = open ? open_first_tick_ : block_first_tick_[size_t(b)];
    for (size_t k = 0; k < n; ++k) {
        tick += 1 + uint64_t(repeats[k]);
        if (i < tick) return size_t(b) * kBlock + k;
    }
    return size_t(samples_);  // beyond the flight
}

std::pair<size_t, size_t> FlightHistory::ticks_of_sample(size_t j) const {
    if (j >= samples_) return {size_t(ticks_), 0};
    const uint64_t b = j / kBlock;
    const bool open = b == coded_blocks_;
    const uint32_t* repeats = open ? open_.values[kRepeats].data() : decoded(int64_t(b), kRepeats);
    uint64_t tick = open ? open_first_tick_ : block_first_tick_[size_t(b)];
    for (size_t k = 0; k < j % kBlock; ++k) tick += 1 + uint64_t(repeats[k]);
    return {size_t(tick), size_t(1 + uint64_t(repeats[j % kBlock]))};
}

float FlightHistory::at(Column c, size_t i) const {
    const size_t j = sample_of_tick(i);
    if (j >= samples_) return std::numeric_limits<float>::quiet_NaN();  // beyond the flight
    if (c == Column::dt && i > ticks_of_sample(j).first) return 0.0f;
    return sample(c, j);
}

HistoryRow FlightHistory::row_at(size_t i) const {
    HistoryRow row;
    const size_t j = sample_of_tick(i);
    if (j >= samples_) {
        row.fill(std::numeric_limits<float>::quiet_NaN());
        return row;
    }
    for (int c = 0; c < kColumnCount; ++c) row[size_t(c)] = sample(Column(c), j);
    if (i > ticks_of_sample(j).first) row[kDt] = 0.0f;
    return row;
}

void FlightHistory::for_each_tick(const std::function<void(const HistoryRow&)>& f) const {
    snapshot().for_each_tick(f);
}

HistorySnapshot FlightHistory::snapshot() const {
    HistorySnapshot snap;
    snap.parts_.segments = sealed_;
    if (filling_.blocks() > 0)
        snap.parts_.segments.push_back(std::make_shared<const Segment>(filling_));
    snap.parts_.open = open_;
    snap.parts_.ticks = ticks_;
    return snap;
}

std::pair<float, float> FlightHistory::range(Column col, size_t a, size_t b) const {
    const size_t c = idx(col);
    float lo = sample(col, a), hi = lo;
    const auto take = [&](float v) { lo = std::min(lo, v), hi = std::max(hi, v); };
    // The newest samples, not yet in a coded block (the open block may be full).
    const size_t open_start = size_t(coded_blocks_) * kBlock;
    if (b > open_start) {
        for (size_t j = std::max(a, open_start); j < b; ++j)
            take(value(open_.values[c][j - open_start]));
        if (a >= open_start) return {lo, hi};
        b = open_start;
    }
    // The samples of coded block `block` from k0 to k1.
    const auto scan = [&](size_t block, size_t k0, size_t k1) {
        const uint32_t* v = decoded(int64_t(block), int(c));
        for (size_t k = k0; k < k1; ++k) take(value(v[k]));
    };
    size_t ba = a / kBlock, bb = b / kBlock;
    if (ba == bb) {
        scan(ba, a % kBlock, b % kBlock);
        return {lo, hi};
    }
    if (a % kBlock != 0) scan(ba++, a % kBlock, kBlock);
    if (b % kBlock != 0) scan(bb, 0, b % kBlock);
    // Whole blocks ba .. bb-1 from the pyramid; level k holds groups of kFan^k blocks.
    const auto& levels = levels_[c];
    for (size_t level = 0; ba < bb; ++level) {
        const bool up = level + 1 < levels.size();
        const auto whole = [&](size_t i) {
            lo = std::min(lo, levels[level].lo[i]), hi = std::max(hi, levels[level].hi[i]);
        };
        while (ba < bb && (!up || ba % kFan != 0)) whole(ba++);
        while (ba < bb && bb % kFan != 0) whole(--bb);
        ba /= kFan, bb /= kFan;
    }
    return {lo, hi};
}

size_t FlightHistory::index_at_or_after(double t) const {
    if (samples_ == 0) return 0;
    const auto before = [](float a, double b) { return double(a) < b; };
    // The first coded block whose last time reaches t holds the sample.
    if (coded_blocks_ > 0) {
        const auto& hi = levels_[kTime][0].hi;
        const size_t b = size_t(std::lower_bound(hi.begin(), hi.end(), t, before) - hi.begin());
        if (b < coded_blocks_) {
            const uint32_t* ts = decoded(int64_t(b), kTime);
            size_t k = 0;
            while (k < size_t(kBlock) && double(value(ts[k])) < t) ++k;
            return b * kBlock + k;
        }
    }
    size_t k = 0;
    while (k < size_t(open_.n) && double(value(open_.values[kTime][k])) < t) ++k;
    return size_t(coded_blocks_) * kBlock + k;
}

size_t FlightHistory::block_at_or_after(double t) const {
    // The first block that starts at t or later; a block's first time is its
    // smallest, as the flight time never runs backwards.
    if (coded_blocks_ > 0) {
        const auto& lo = levels_[kTime][0].lo;
        const size_t b = size_t(std::lower_bound(lo.begin(), lo.end(), t,
                                                 [](float a, double v) { return double(a) < v; }) -
                                lo.begin());
        if (b < coded_blocks_) return b * kBlock;
    }
    if (open_.n > 0 && double(value(open_.values[kTime][0])) >= t)
        return size_t(coded_blocks_) * kBlock;
    return size_t(samples_);
}

size_t FlightHistory::memory_bytes() const {
    size_t n = sizeof(*this) + sealed_.capacity() * sizeof(sealed_[0]) + filling_.memory_bytes() +
               block_first_tick_.capacity() * sizeof(uint64_t) +
               recent_.capacity() * sizeof(recent_[0]) + recent_.size() * sizeof(OpenBlock) +
               cache_.capacity() * sizeof(Decoded);
    // A shared stretch: its own bytes and the count that shares it.
    for (const auto& seg : sealed_) n += seg->memory_bytes() + 2 * sizeof(long) + sizeof(void*);
    for (const auto& levels : levels_) {
        n += levels.capacity() * sizeof(Level);
        for (const Level& l : levels) n += (l.lo.capacity() + l.hi.capacity()) * sizeof(float);
    }
    return n;
}

std::vector<std::pair<double, double>> decimated(const FlightHistory& h, Column c, double t0,
                                                 double t1, int width) {
    std::vector<std::pair<double, double>> out;
    if (h.samples() == 0 || width < 1 || !(t1 > t0)) return out;
    out.reserve(size_t(width) * 2);
    const double w = (t1 - t0) / width;
    const double after_t1 = std::nextafter(t1, 1e300);
    // Where a pixel column holds two blocks or more, or the samples shown are
    // older than those kept decoded, the columns' ends are moved to the nearest
    // block starts: their extremes then come from the pyramid alone, without
    // decoding a sample. Otherwise the columns are cut at their exact times.
    const size_t first = h.block_at_or_after(t0), end = h.block_at_or_after(after_t1);
    const bool by_block = end > first && ((end - first) / size_t(width) >= 2 * size_t(kBlock) ||
                                          first < h.first_decoded_sample());
    const auto index = [&](double t) {
        return by_block ? h.block_at_or_after(t) : h.index_at_or_after(t);
    };
    size_t a = index(t0);
    for (int px = 0; px < width && a < h.samples(); ++px) {
        const double end_t = px + 1 == width ? after_t1 : t0 + (px + 1) * w;
        const size_t b = index(end_t);
        if (b <= a) continue;
        const double mid = t0 + (px + 0.5) * w;
        if (b - a == 1) {
            out.emplace_back(h.sample(Column::t, a), h.sample(c, a));
        } else {
            const auto [lo, hi] = h.range(c, a, b);
            // The line enters a column at the end nearer the last point.
            const bool rising = !out.empty() && out.back().second <= lo;
            out.emplace_back(mid, rising ? lo : hi);
            out.emplace_back(mid, rising ? hi : lo);
        }
        a = b;
    }
    return out;
}

}  // namespace soar
