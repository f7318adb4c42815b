// The level-of-detail index of the flight track: what lets a picture of an
// hour's track be drawn in a few milliseconds. It sits beside the track arrays,
// which keep every point; the index only adds, per block of points, where the
// block lies and which of its points matter at a given error.
//
// Points 1 .. n of the track are cut into leaves of kLeaf points (leaf b holds
// points b * kLeaf + 1 .. (b + 1) * kLeaf), each leaf into parts of kPart
// points, and the leaves into groups of kGroup. Each complete part, leaf and
// group has its 3-D bounding box. Each complete leaf also gets
// a simplified copy: its points ranked by a Douglas-Peucker pass in 3-D, where a
// point's rank is the distance (m) at which it stops mattering. The leaf's two
// end points and its ranked points farther than e metres from the simplified line
// make a polyline whose every dropped point lies within e metres of it; only the
// first kKeep ranks are kept, with `floor`, the largest rank not kept: copies for
// an e below the floor need the full points.
//
// The simplification of a leaf runs while the next leaf fills, a little work per
// point appended, and is finished at the latest when that next leaf is complete;
// so no single tick pays for more than a bounded step. Memory: under 1 byte per
// track point (the arrays themselves take 12).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace soar {

struct TrackBox {
    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};  // x, y, z bounds, m
};

// The Douglas-Peucker ranking of one leaf in progress, resumable point by point.
struct LeafRanking {
    struct Segment {
        float key;                // the largest distance inside, capped by the parent's
        uint16_t a, b, farthest;  // leaf offsets
    };
    struct Scan {
        uint16_t a, b, next;
        uint16_t farthest;
        float cap;       // the parent segment's rank
        double best_d2;  // m^2
    };
    int64_t first = 0;  // track index of the leaf's point 0; 0 while idle
    int64_t work = 0;   // distance evaluations and ranks so far
    bool done = false, too_costly = false;
    float floor = 0;
    std::vector<Segment> heap;
    std::vector<Scan> scans;
    std::vector<uint16_t> offsets;
    std::vector<float> ranks;
};

struct TrackLod {
    static constexpr int kLeaf = 1024;  // points per leaf
    static constexpr int kPart = 64;    // points per part of a leaf
    static constexpr int kGroup = 32;   // leaves per group
    static constexpr int kKeep = 128;   // most ranked points a leaf's copy keeps
    // Per point appended, this many steps of the ranking of the previous leaf. A
    // leaf's ranking takes at most kWorkCap steps; a leaf that would need more
    // (a track folded on itself many times within a second) keeps no copy.
    static constexpr int kStepsPerPoint = 32;
    static constexpr int64_t kWorkCap = int64_t(24) * kLeaf;

    int64_t n = 0;                                        // points 1 .. n are indexed
    std::vector<TrackBox> part_box, leaf_box, group_box;  // complete ones
    TrackBox open_part, open_leaf, open_group;            // the ones filling
    // Simplified copies of leaves 0 .. leaf_floor.size() - 1: the ranked offsets
    // of leaf b are rank_offset[rank_first[b] .. rank_first[b + 1]), best first,
    // with their ranks (m) in rank_m. leaf_floor[b] < 0: the leaf has no copy.
    std::vector<uint32_t> rank_first{0};
    std::vector<uint16_t> rank_offset;
    std::vector<float> rank_m;
    std::vector<float> leaf_floor;
    LeafRanking ranking;

    // Leaf b's copy may be used for a drawing of points 1 .. last: it is always
    // finished by then, and a picture of tick k comes out the same whenever it
    // is drawn.
    static bool copy_ready(int64_t leaf, int64_t last) { return (leaf + 2) * kLeaf <= last; }
};

// Brings the index up to points 1 .. n of the arrays (all three at least n + 1
// long). Appending is amortised O(1) per point; a track that shrank or started
// again is indexed afresh.
void track_lod_update(TrackLod& lod, const float* x, const float* y, const float* z, int64_t n);

// Forgets every point.
void track_lod_reset(TrackLod& lod);

// Bytes the index holds (capacity included).
size_t track_lod_bytes(const TrackLod& lod);

}  // namespace soar
