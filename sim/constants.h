// The program's angle constants. The flight model and its picture take pi as
// 3.14159, not the exact value, and every derived constant follows from that
// choice; the exact pi there would change results in the last bits.
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

// The exact pi, for what is not the flight model's arithmetic: the loop
// optimiser, the loop played back, geodesy and the user's degrees.
inline constexpr double exact_pi = 3.14159265358979323846;
inline constexpr double exact_d2r = exact_pi / 180.0;
inline constexpr double exact_r2d = 180.0 / exact_pi;

}  // namespace soar::k
