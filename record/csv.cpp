#include "record/csv.h"

#include <charconv>

namespace soar {

namespace {

void append_row(std::string& out, long long tick, const float* v, int n) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, tick);
    out.append(buf, r.ptr);
    for (int i = 0; i < n; ++i) {
        out += ',';
        r = std::to_chars(buf, buf + sizeof buf, v[i]);
        out.append(buf, r.ptr);
    }
    out += '\n';
}

}  // namespace

std::string flight_csv_header(bool energy) {
    std::string h =
        "tick,t,dt,X,Y,Z,V,gam_deg,psi_deg,mu_deg,Nz,Nx,CL,U,Up,alpha,roll_b,pitch_b,yaw_b";
    if (energy) h += ",E,dE_wind,dE_drag";
    return h + "\n";
}

std::string history_csv(const FlightHistory& h) {
    std::string out = flight_csv_header(true);
    out.reserve(h.size() * 200);
    float row[kColumnCount];
    for (size_t i = 0; i < h.size(); ++i) {
        for (int c = 0; c < kColumnCount; ++c) row[c] = h.at(Column(c), i);
        append_row(out, (long long)i + 1, row, kColumnCount);
    }
    return out;
}

}  // namespace soar
