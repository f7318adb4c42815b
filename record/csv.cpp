#include "record/csv.h"

#include <charconv>

#include "platform/number_text.h"
#include "sim/flight.h"

namespace soar {

namespace {

void append_row(std::string& out, long long tick, const float* v, int n) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, tick);
    out.append(buf, r.ptr);
    for (int i = 0; i < n; ++i) {
        out += ',';
        out.append(buf, put_shortest(buf, v[i]));
    }
    out += '\n';
}

// The first row of a flight with the angle of attack and attitude its own lift
// gives it.
HistoryRow with_own_attitude(HistoryRow row, const Params& p) {
    FlightState s;
    s.CL = row[size_t(Column::CL)];
    s.mu_deg = row[size_t(Column::mu_deg)];
    s.gam_deg = row[size_t(Column::gam_deg)];
    s.psi_deg = row[size_t(Column::psi_deg)];
    set_own_attitude(s, p);
    row[size_t(Column::alpha)] = s.alpha;
    row[size_t(Column::roll_b)] = s.attitude.roll;
    row[size_t(Column::pitch_b)] = s.attitude.pitch;
    row[size_t(Column::yaw_b)] = s.attitude.yaw;
    return row;
}

// Tick numbers and rows of the Flight data CSV, from a walk over every tick.
struct FlightDataRows {
    const Params& p;
    long long tick = 0;
    // The row to write for the next tick, or nullptr when it is left out.
    const float* next(const HistoryRow& row, HistoryRow& first) {
        ++tick;
        if (tick == 1) {
            first = with_own_attitude(row, p);
            return first.data();
        }
        return row[size_t(Column::dt)] == 0.0f ? nullptr : row.data();
    }
};

}  // namespace

std::string flight_data_csv(const FlightHistory& h, const Params& p) {
    std::string out = flight_csv_header(true);
    FlightDataRows rows{p};
    HistoryRow first;
    h.for_each_tick([&](const HistoryRow& row) {
        if (const float* v = rows.next(row, first)) append_row(out, rows.tick, v, kColumnCount);
    });
    return out;
}

bool write_flight_data_csv(const HistorySnapshot& h, const Params& p, AtomicFile& out,
                           std::atomic<uint64_t>* ticks_done, const std::atomic<bool>* cancel) {
    std::string text = flight_csv_header(true);
    bool ok = true;
    FlightDataRows rows{p};
    HistoryRow first;
    h.for_each_tick(
        [&](const HistoryRow& row) {
            const float* v = rows.next(row, first);
            if (v == nullptr) return;
            append_row(text, rows.tick, v, kColumnCount);
            if (text.size() < (256 << 10)) return;
            ok = ok && out.write(text);
            text.clear();
        },
        [&](uint64_t done) {
            if (ticks_done) ticks_done->store(done, std::memory_order_relaxed);
            return ok && !(cancel && cancel->load());
        });
    if (!ok || (cancel && cancel->load())) return false;
    if (ticks_done) ticks_done->store(uint64_t(rows.tick), std::memory_order_relaxed);
    return out.write(text);
}

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
