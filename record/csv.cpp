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
    long long tick = 0;
    h.for_each_tick(
        [&](const HistoryRow& row) { append_row(out, ++tick, row.data(), kColumnCount); });
    return out;
}

bool write_history_csv(const HistorySnapshot& h, AtomicFile& out, std::atomic<uint64_t>* rows_done,
                       const std::atomic<bool>* cancel) {
    std::string text = flight_csv_header(true);
    bool ok = true;
    long long tick = 0;
    h.for_each_tick(
        [&](const HistoryRow& row) {
            append_row(text, ++tick, row.data(), kColumnCount);
            if (text.size() < (256 << 10)) return;
            ok = ok && out.write(text);
            text.clear();
        },
        [&](uint64_t done) {
            if (rows_done) rows_done->store(done, std::memory_order_relaxed);
            return ok && !(cancel && cancel->load());
        });
    if (!ok || (cancel && cancel->load())) return false;
    if (rows_done) rows_done->store(uint64_t(tick), std::memory_order_relaxed);
    return out.write(text);
}

}  // namespace soar
