#include "view/track_lod.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "track_run.h"
#include "view/tracks.h"

namespace soar {
namespace {

constexpr int64_t kGroupPoints = int64_t(TrackLod::kLeaf) * TrackLod::kGroup;

// A bird-like track: circles that climb and sink, with a little noise, 1 ms apart.
void fly(test::TrackRun& s, int64_t from, int64_t to, uint32_t seed = 7) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> jitter(0.0f, 0.002f);
    for (int64_t k = from; k <= to; ++k) {
        const double t = 0.001 * double(k);
        s.tick = k;
        s.X = float(30.0 * std::cos(0.4 * t) + 0.5 * t) + jitter(rng);
        s.Y = float(30.0 * std::sin(0.4 * t)) + jitter(rng);
        s.Z = float(8.0 + 6.0 * std::sin(1.3 * t)) + jitter(rng);
        test::record(s);
    }
}

bool contains(const TrackBox& b, float x, float y, float z) {
    return b.lo[0] <= x && x <= b.hi[0] && b.lo[1] <= y && y <= b.hi[1] && b.lo[2] <= z &&
           z <= b.hi[2];
}

bool contains(const TrackBox& outer, const TrackBox& inner) {
    return contains(outer, inner.lo[0], inner.lo[1], inner.lo[2]) &&
           contains(outer, inner.hi[0], inner.hi[1], inner.hi[2]);
}

// Every block's box holds its points and touches its extremes; each level's box
// holds the boxes below it; the block counts follow the points appended.
void expect_consistent(const test::TrackRun& s) {
    const TrackLod& lod = s.tracks.lod;
    const int64_t n = s.tracks.n;
    ASSERT_EQ(lod.n, n);
    ASSERT_EQ(int64_t(lod.part_box.size()), n / TrackLod::kPart);
    ASSERT_EQ(int64_t(lod.leaf_box.size()), n / TrackLod::kLeaf);
    ASSERT_EQ(int64_t(lod.group_box.size()), n / kGroupPoints);
    // A leaf's copy is finished once the leaf after it is complete.
    ASSERT_EQ(int64_t(lod.leaf_floor.size()), std::max<int64_t>(0, n / TrackLod::kLeaf - 1));
    ASSERT_EQ(lod.rank_first.size(), lod.leaf_floor.size() + 1);
    for (size_t i = 0; i < lod.part_box.size(); ++i) {
        const TrackBox& b = lod.part_box[i];
        TrackBox tight;
        for (int64_t k = int64_t(i) * TrackLod::kPart + 1; k <= int64_t(i + 1) * TrackLod::kPart;
             ++k) {
            ASSERT_TRUE(contains(b, s.tracks.x[k], s.tracks.y[k], s.tracks.z[k])) << "part " << i;
            if (k == int64_t(i) * TrackLod::kPart + 1)
                tight = {{s.tracks.x[k], s.tracks.y[k], s.tracks.z[k]},
                         {s.tracks.x[k], s.tracks.y[k], s.tracks.z[k]}};
            for (int c = 0; c < 3; ++c) {
                const float v = c == 0 ? s.tracks.x[k] : c == 1 ? s.tracks.y[k] : s.tracks.z[k];
                tight.lo[c] = std::min(tight.lo[c], v), tight.hi[c] = std::max(tight.hi[c], v);
            }
        }
        for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(b.lo[c], tight.lo[c]);
            ASSERT_EQ(b.hi[c], tight.hi[c]);
        }
        const size_t leaf = i / (TrackLod::kLeaf / TrackLod::kPart);
        ASSERT_TRUE(contains(leaf < lod.leaf_box.size() ? lod.leaf_box[leaf] : lod.open_leaf, b));
    }
    for (size_t i = 0; i < lod.group_box.size(); ++i) {
        for (size_t l = i * TrackLod::kGroup; l < (i + 1) * TrackLod::kGroup; ++l)
            ASSERT_TRUE(contains(lod.group_box[i], lod.leaf_box[l]));
    }
}

TEST(TrackLod, BlocksAtEveryScaleHoldTheirPointsAfterAnyNumberOfAppends) {
    test::TrackRun s;
    int64_t n = 0;
    // Stops just before, at and just after the block edges of every scale.
    for (const int64_t stop : {int64_t(1), int64_t(63), int64_t(64), int64_t(65), int64_t(1023),
                               int64_t(1024), int64_t(2049), kGroupPoints - 1, kGroupPoints,
                               kGroupPoints + 1, 2 * kGroupPoints + 777}) {
        fly(s, n + 1, stop);
        n = stop;
        expect_consistent(s);
    }
}

TEST(TrackLod, SimplifiedLeavesStayWithinTheirErrorOfEveryPoint) {
    test::TrackRun s;
    fly(s, 1, 12 * TrackLod::kLeaf);
    const TrackLod& lod = s.tracks.lod;
    int checked = 0;
    for (size_t leaf = 0; leaf < lod.leaf_floor.size(); ++leaf) {
        const float floor = lod.leaf_floor[leaf];
        ASSERT_GE(floor, 0.0f) << "a smooth track's leaf keeps a copy";
        for (const double tol : {double(floor), 0.001, 0.01, 0.1, 1.0}) {
            if (tol < floor) continue;
            // The kept points in track order, as the drawing takes them.
            std::vector<int> kept{0, TrackLod::kLeaf - 1};
            for (uint32_t i = lod.rank_first[leaf]; i < lod.rank_first[leaf + 1]; ++i)
                if (lod.rank_m[i] > tol) kept.push_back(lod.rank_offset[i]);
            std::sort(kept.begin(), kept.end());
            const int64_t base = int64_t(leaf) * TrackLod::kLeaf + 1;
            for (size_t j = 0; j + 1 < kept.size(); ++j) {
                const int64_t a = base + kept[j], b = base + kept[j + 1];
                const double dx = s.tracks.x[b] - s.tracks.x[a], dy = s.tracks.y[b] - s.tracks.y[a],
                             dz = s.tracks.z[b] - s.tracks.z[a];
                const double len2 = dx * dx + dy * dy + dz * dz;
                for (int64_t k = a + 1; k < b; ++k) {
                    const double px = s.tracks.x[k] - s.tracks.x[a],
                                 py = s.tracks.y[k] - s.tracks.y[a],
                                 pz = s.tracks.z[k] - s.tracks.z[a];
                    const double t = std::clamp((px * dx + py * dy + pz * dz) / len2, 0.0, 1.0);
                    const double ex = px - t * dx, ey = py - t * dy, ez = pz - t * dz;
                    ASSERT_LE(std::sqrt(ex * ex + ey * ey + ez * ez), tol * (1 + 1e-6))
                        << "leaf " << leaf << " point " << k << " at " << tol << " m";
                    ++checked;
                }
            }
        }
        // Coarser errors keep fewer points.
        for (uint32_t i = lod.rank_first[leaf] + 1; i < lod.rank_first[leaf + 1]; ++i)
            ASSERT_LE(lod.rank_m[i], lod.rank_m[i - 1]);
    }
    EXPECT_GT(checked, 10 * TrackLod::kLeaf);
}

TEST(TrackLod, StartsOverWithANewFlightAndFollowsAShrunkTrack) {
    test::TrackRun s;
    fly(s, 1, 5 * TrackLod::kLeaf + 10);
    s.tick = 1;  // "OK" and the first tick of a new flight
    test::record(s);
    EXPECT_EQ(s.tracks.lod.n, 1);
    EXPECT_TRUE(s.tracks.lod.leaf_box.empty());
    EXPECT_TRUE(s.tracks.lod.rank_offset.empty());
    expect_consistent(s);

    // Recording that resumes at a lower tick without a first point (a track box
    // ticked during a later flight): the arrays keep their lower points, and the
    // index is that of the arrays as they are.
    fly(s, 2, 6 * TrackLod::kLeaf, 1);
    fly(s, 3 * TrackLod::kLeaf + 5, 3 * TrackLod::kLeaf + 5, 2);
    expect_consistent(s);
    TrackLod fresh;
    track_lod_update(fresh, s.tracks.x.data(), s.tracks.y.data(), s.tracks.z.data(), s.tracks.n);
    EXPECT_EQ(fresh.rank_offset, s.tracks.lod.rank_offset);
    EXPECT_EQ(fresh.rank_m, s.tracks.lod.rank_m);
    EXPECT_EQ(fresh.leaf_floor, s.tracks.lod.leaf_floor);
}

TEST(TrackLod, TrackAndIndexTakeAtMostTwentyBytesAPoint) {
    test::TrackRun s;
    size_t capacity = 0;
    int growths = 0;
    for (int64_t k = 1; k <= 1500000; ++k) {
        s.tick = k;
        s.X = float(k % 5000) * 0.01f, s.Y = float(k % 777) * 0.02f, s.Z = float(k % 3);
        test::record(s);
        if (s.tracks.x.capacity() != capacity || k == 1500000) {
            capacity = s.tracks.x.capacity();
            ++growths;
            if (k < 100000) continue;  // a short track's fixed costs
            const size_t bytes = 3 * capacity * sizeof(float) + track_lod_bytes(s.tracks.lod);
            EXPECT_LE(double(bytes) / double(k), 20.0) << k << " points: " << bytes << " bytes";
        }
    }
    EXPECT_GT(growths, 3);
}

}  // namespace
}  // namespace soar
