// The program's angle constants. Pi is 3.14159 throughout, not the exact value,
// and every derived constant follows from that choice; using M_PI anywhere would
// change results in the last bits.
#pragma once

namespace soar::k {

inline constexpr double pi = 3.14159;
inline constexpr double half_pi = 1.570795;
inline constexpr double two_pi = 6.28318;
inline constexpr double four_pi = 12.56636;
inline constexpr double d2r = 0.017453277777777776;  // 3.14159 / 180
inline constexpr double r2d = 57.29582790879778;     // 180 / 3.14159
// Comparisons of an angle with pi or pi/2 use the 32-bit floats of these constants.
inline constexpr float pi_f = 3.14159f;
inline constexpr float half_pi_f = 1.570795f;
inline constexpr float two_pi_f = 6.28318f;

}  // namespace soar::k
