// How the flight history keeps its samples small and exact. Each column is cut
// into blocks of kBlock samples; a block is stored as its first value and, for
// every later sample, the difference between the sample and a prediction from
// the samples before it (the previous value, a straight or curved line through
// the last two or three, the last step scaled by the new time step, or for dt
// the difference of the flight times), Rice coded. The predictions work on the
// bits of the floats read as ordered integers, so a block decodes to the very
// bits it was given: nothing is rounded. A smooth flight's values differ from
// their prediction by a few units in the last place: about one byte a value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace soar::history_codec {

inline constexpr int kBlock = 128;  // samples per block

// The streams of a block: the float columns (by their bits), then one stream of
// whole numbers (how often each sample repeats). Stream `time` holds the flight
// time, which the time-scaled predictions of the other float streams read.
struct Layout {
    int floats;  // float streams 0 .. floats-1
    int time;    // the flight time's stream
    int dt;      // the time step's stream (predicted from the flight time)
    int streams() const { return floats + 1; }
};

// Appends one block of every stream (values[s][k]: stream s, sample k, kBlock
// each) to `bytes`, and each stream's starting offset in `bytes` to `starts`.
void encode_block(const Layout& layout, const uint32_t* const* values, std::vector<uint8_t>& bytes,
                  std::vector<uint32_t>& starts);

// One stream of a block back: `begin`, `end` its bytes. Streams other than the
// time and the whole numbers need the block's decoded time in `time`.
void decode_stream(const Layout& layout, int stream, const uint8_t* begin, const uint8_t* end,
                   const uint32_t* time, uint32_t* out);

}  // namespace soar::history_codec
