#include "view/track_lod.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace soar {

namespace {

void box_start(TrackBox& b, float x, float y, float z) {
    b.lo[0] = b.hi[0] = x, b.lo[1] = b.hi[1] = y, b.lo[2] = b.hi[2] = z;
}

void box_add(TrackBox& b, float x, float y, float z) {
    b.lo[0] = std::min(b.lo[0], x), b.hi[0] = std::max(b.hi[0], x);
    b.lo[1] = std::min(b.lo[1], y), b.hi[1] = std::max(b.hi[1], y);
    b.lo[2] = std::min(b.lo[2], z), b.hi[2] = std::max(b.hi[2], z);
}

// Squared distance of point p from the segment a-b, in 3-D, m^2.
double distance2(const float* x, const float* y, const float* z, int64_t p, int64_t a, int64_t b) {
    const double ax = x[a], ay = y[a], az = z[a];
    const double dx = double(x[b]) - ax, dy = double(y[b]) - ay, dz = double(z[b]) - az;
    const double px = double(x[p]) - ax, py = double(y[p]) - ay, pz = double(z[p]) - az;
    const double len2 = dx * dx + dy * dy + dz * dz;
    double t = len2 > 0.0 ? (px * dx + py * dy + pz * dz) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = px - t * dx, ey = py - t * dy, ez = pz - t * dz;
    return ex * ex + ey * ey + ez * ez;
}

bool heap_less(const LeafRanking::Segment& l, const LeafRanking::Segment& r) {
    return l.key < r.key || (l.key == r.key && l.a > r.a);  // ties: the earlier part first
}

void ranking_start(LeafRanking& r, int64_t first) {
    r.first = first;
    r.work = 0;
    r.done = r.too_costly = false;
    r.floor = 0;
    r.heap.clear();
    r.scans.clear();
    r.offsets.clear();
    r.ranks.clear();
    // The whole leaf as one segment between its end points, which are always kept.
    r.scans.push_back(
        {0, uint16_t(TrackLod::kLeaf - 1), 1, 0, std::numeric_limits<float>::infinity(), -1.0});
}

// Up to `steps` steps of the best-first Douglas-Peucker ranking: the point that
// comes next is always the farthest from the current simplified line (its
// distance capped by the segment it split, so ranks never grow down the tree,
// and "every point ranked above e" is exactly the Douglas-Peucker result for e).
void ranking_step(LeafRanking& r, const float* x, const float* y, const float* z, int64_t steps) {
    const int64_t base = r.first;
    while (steps > 0 && !r.done) {
        if (r.work > TrackLod::kWorkCap) {
            r.done = r.too_costly = true;
            break;
        }
        if (!r.scans.empty()) {
            LeafRanking::Scan& sc = r.scans.back();
            const int64_t end = std::min<int64_t>(sc.b, sc.next + steps);
            for (int64_t p = sc.next; p < end; ++p) {
                const double d2 = distance2(x, y, z, base + p, base + sc.a, base + sc.b);
                if (d2 > sc.best_d2) sc.best_d2 = d2, sc.farthest = uint16_t(p);
            }
            steps -= end - sc.next;
            r.work += end - sc.next;
            sc.next = uint16_t(end);
            if (sc.next >= sc.b) {
                const float key = std::min(float(std::sqrt(sc.best_d2)), sc.cap);
                r.heap.push_back({key, sc.a, sc.b, sc.farthest});
                std::push_heap(r.heap.begin(), r.heap.end(), heap_less);
                r.scans.pop_back();
            }
            continue;
        }
        --steps;
        ++r.work;
        if (r.heap.empty()) {  // every point ranked
            r.done = true;
            break;
        }
        std::pop_heap(r.heap.begin(), r.heap.end(), heap_less);
        const LeafRanking::Segment top = r.heap.back();
        r.heap.pop_back();
        if (top.key <= 0.0f || int(r.offsets.size()) == TrackLod::kKeep) {
            r.floor = std::max(top.key, 0.0f);
            r.done = true;
            break;
        }
        r.offsets.push_back(top.farthest);
        r.ranks.push_back(top.key);
        // Both halves are scanned in turn (the later one first off the stack).
        if (top.b - top.farthest >= 2)
            r.scans.push_back({top.farthest, top.b, uint16_t(top.farthest + 1), 0, top.key, -1.0});
        if (top.farthest - top.a >= 2)
            r.scans.push_back({top.a, top.farthest, uint16_t(top.a + 1), 0, top.key, -1.0});
    }
}

// Moves the finished ranking into the leaf's copy.
void ranking_store(TrackLod& lod, LeafRanking& r) {
    if (r.too_costly) {
        lod.leaf_floor.push_back(-1.0f);
    } else {
        lod.rank_offset.insert(lod.rank_offset.end(), r.offsets.begin(), r.offsets.end());
        lod.rank_m.insert(lod.rank_m.end(), r.ranks.begin(), r.ranks.end());
        lod.leaf_floor.push_back(r.floor);
    }
    lod.rank_first.push_back(uint32_t(lod.rank_offset.size()));
    r.first = 0;
}

void append(TrackLod& lod, const float* x, const float* y, const float* z, int64_t k) {
    constexpr int64_t leaf = TrackLod::kLeaf, group = int64_t(TrackLod::kLeaf) * TrackLod::kGroup;
    const int64_t in_leaf = (k - 1) % leaf;
    if ((k - 1) % TrackLod::kPart == 0) {
        box_start(lod.open_part, x[k], y[k], z[k]);
    } else {
        box_add(lod.open_part, x[k], y[k], z[k]);
    }
    if (in_leaf == 0) {
        box_start(lod.open_leaf, x[k], y[k], z[k]);
    } else {
        box_add(lod.open_leaf, x[k], y[k], z[k]);
    }
    if ((k - 1) % group == 0) {
        box_start(lod.open_group, x[k], y[k], z[k]);
    } else {
        box_add(lod.open_group, x[k], y[k], z[k]);
    }
    lod.n = k;
    if (lod.ranking.first != 0) ranking_step(lod.ranking, x, y, z, TrackLod::kStepsPerPoint);
    if (k % TrackLod::kPart == 0) lod.part_box.push_back(lod.open_part);
    if (in_leaf == leaf - 1) {  // leaf complete
        lod.leaf_box.push_back(lod.open_leaf);
        if (lod.ranking.first != 0) {
            // The previous leaf's ranking is due now; the steps per point make
            // this rare, and kWorkCap bounds it.
            ranking_step(lod.ranking, x, y, z, TrackLod::kWorkCap + 2);
            ranking_store(lod, lod.ranking);
        }
        ranking_start(lod.ranking, k - leaf + 1);
    }
    if (k % group == 0) lod.group_box.push_back(lod.open_group);
}

}  // namespace

void track_lod_reset(TrackLod& lod) {
    lod = TrackLod{};
}

void track_lod_update(TrackLod& lod, const float* x, const float* y, const float* z, int64_t n) {
    // The arrays keep the points below n when they shrink, but the simplification
    // in progress cannot be rolled back: start again (a rare path, see track_record).
    if (n < lod.n) track_lod_reset(lod);
    for (int64_t k = lod.n + 1; k <= n; ++k) append(lod, x, y, z, k);
}

size_t track_lod_bytes(const TrackLod& lod) {
    const LeafRanking& r = lod.ranking;
    return sizeof(TrackLod) + lod.part_box.capacity() * sizeof(TrackBox) +
           lod.leaf_box.capacity() * sizeof(TrackBox) +
           lod.group_box.capacity() * sizeof(TrackBox) +
           lod.rank_first.capacity() * sizeof(uint32_t) +
           lod.rank_offset.capacity() * sizeof(uint16_t) + lod.rank_m.capacity() * sizeof(float) +
           lod.leaf_floor.capacity() * sizeof(float) +
           r.heap.capacity() * sizeof(LeafRanking::Segment) +
           r.scans.capacity() * sizeof(LeafRanking::Scan) +
           r.offsets.capacity() * sizeof(uint16_t) + r.ranks.capacity() * sizeof(float);
}

}  // namespace soar
