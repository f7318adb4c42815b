#include "app/cli_fly_commands.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

#include "app/cli_args.h"
#include "platform/number_text.h"
#include "sim/fault.h"

namespace soar {

namespace {

void put(std::string& out, float v) {
    char buf[32];
    out.append(buf, put_shortest(buf, v));
}

// The whole field as a finite float, read exactly.
bool read_float(const char* from, const char* to, float& v) {
    while (from < to && *from == ' ') ++from;
    while (to > from && (to[-1] == ' ' || to[-1] == '\r')) --to;
    if (from < to && *from == '+') ++from;
    const auto r = read_number(from, to, v);
    return r.ec == std::errc() && r.ptr == to && std::isfinite(v);
}

// The start line's fields, in their order: what a commanded flight takes
// from its start (Flight::commanded derives the rest).
constexpr const char* kStartPrefix = "# start: ";
struct StartField {
    const char* name;
    float FlightState::*member;
};
constexpr StartField kStartFields[] = {{"t", &FlightState::t},
                                       {"X", &FlightState::X},
                                       {"Y", &FlightState::Y},
                                       {"Z", &FlightState::Z},
                                       {"V", &FlightState::V},
                                       {"gam_deg", &FlightState::gam_deg},
                                       {"psi_deg", &FlightState::psi_deg},
                                       {"mu_deg", &FlightState::mu_deg},
                                       {"CL", &FlightState::CL}};

std::string start_fields_text() {
    std::string t;
    for (const StartField& f : kStartFields) t += std::string(t.empty() ? "" : ",") + f.name + "=";
    return t;
}

// "# start: t=0,X=...,CL=..." into `s`: every field, in order, exactly.
bool read_start(const std::string& row, FlightState& s) {
    const size_t prefix = std::strlen(kStartPrefix);
    if (row.compare(0, prefix, kStartPrefix) != 0) return false;
    const char* p = row.data() + prefix;
    const char* stop = row.data() + row.size();
    for (size_t i = 0; i < std::size(kStartFields); ++i) {
        const StartField& f = kStartFields[i];
        const size_t n = std::strlen(f.name);
        if (size_t(stop - p) <= n || std::strncmp(p, f.name, n) != 0 || p[n] != '=') return false;
        p += n + 1;
        const char* end = i + 1 < std::size(kStartFields)
                              ? static_cast<const char*>(std::memchr(p, ',', size_t(stop - p)))
                              : stop;
        if (end == nullptr || !read_float(p, end, s.*f.member)) return false;
        p = end + (end < stop ? 1 : 0);
    }
    return true;
}

}  // namespace

std::string command_csv(const std::vector<TimedCommand>& commands, const FlightState* start) {
    const LiftCommand kind =
        commands.empty() ? LiftCommand::lift_coefficient : commands.front().command.kind;
    std::string out;
    if (start) {
        out = kStartPrefix;
        for (const StartField& f : kStartFields) {
            if (f.member != kStartFields[0].member) out += ',';
            out.append(f.name).append("=");
            put(out, (*start).*f.member);
        }
        out += '\n';
    }
    out += kind == LiftCommand::load_factor ? "t,mu_deg,Nz\n" : "t,mu_deg,CL\n";
    for (const TimedCommand& c : commands) {
        put(out, c.t);
        out += ',';
        put(out, c.command.mu_deg);
        out += ',';
        put(out, c.command.lift);
        out += '\n';
    }
    return out;
}

bool parse_command_csv(const std::string& text, std::vector<TimedCommand>& out,
                       std::string& error) {
    std::optional<FlightState> start;
    return parse_command_csv(text, out, start, error);
}

bool parse_command_csv(const std::string& text, std::vector<TimedCommand>& out,
                       std::optional<FlightState>& start, std::string& error) {
    out.clear();
    start.reset();
    size_t at = 0, line = 0;
    size_t header_line = 1;  // the line after the start, when there is one
    LiftCommand kind = LiftCommand::lift_coefficient;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string row = text.substr(at, end - at);
        at = end + 1;
        ++line;
        if (!row.empty() && row.back() == '\r') row.pop_back();
        if (row.empty()) continue;
        if (line == 1 && row[0] == '#') {
            FlightState s;
            if (!read_start(row, s)) {
                error = "line 1 must be the start \"" + std::string(kStartPrefix) +
                        start_fields_text() + "\" (each a number), or the header, not \"" + row +
                        "\"";
                return false;
            }
            start = s;
            header_line = 2;
            continue;
        }
        if (line == header_line) {
            if (row == "t,mu_deg,CL") {
                kind = LiftCommand::lift_coefficient;
            } else if (row == "t,mu_deg,Nz") {
                kind = LiftCommand::load_factor;
            } else {
                error = "line " + std::to_string(line) +
                        " must be the header \"t,mu_deg,CL\" or \"t,mu_deg,Nz\", not \"" + row +
                        "\"";
                return false;
            }
            continue;
        }
        float v[3];
        const char* p = row.data();
        const char* stop = row.data() + row.size();
        for (int i = 0; i < 3; ++i) {
            const char* comma =
                i < 2 ? static_cast<const char*>(std::memchr(p, ',', size_t(stop - p))) : stop;
            if (comma == nullptr || !read_float(p, comma, v[i])) {
                error = "line " + std::to_string(line) + " is not three numbers t,mu_deg," +
                        (kind == LiftCommand::load_factor ? "Nz" : "CL") + ": \"" + row + "\"";
                return false;
            }
            p = comma + 1;
        }
        if (!out.empty() && !(v[0] >= out.back().t)) {
            error = "line " + std::to_string(line) + ": the times must not go back (" +
                    float_text(v[0]) + " s after " + float_text(out.back().t) + " s)";
            return false;
        }
        out.push_back({v[0], {v[1], v[2], kind}});
    }
    if (line == 0) {
        error = "the file is empty (it needs the header \"t,mu_deg,CL\" or \"t,mu_deg,Nz\")";
        return false;
    }
    if (line < header_line) {
        error = "the file has a start but no header (\"t,mu_deg,CL\" or \"t,mu_deg,Nz\")";
        return false;
    }
    return true;
}

CommandedTicks::CommandedTicks(const Params& p, Mode pattern, double clock_start,
                               std::vector<TimedCommand> commands, const Turbulence& gusts,
                               Times times, std::optional<FlightState> start)
    : p_(p),
      mode_(pattern),
      clock_start_(clock_start),
      commands_(std::move(commands)),
      gusts_(gusts),
      times_(times),
      start_(start) {
    timer_.start(float(clock_start));
}

bool CommandedTicks::tick(long long k, double dt) {
    try {
        if (k == 1) {
            flight_.emplace(
                Flight::commanded(p_, mode_, start_ ? *start_ : pattern_start(p_, mode_)));
            flight_->set_gusts(gusts_);
        } else if (times_ == Times::commands) {
            // One step per command: from the time of command k - 1, flying it,
            // to that of command k.
            const size_t i = size_t(k - 1);
            if (i >= commands_.size()) {
                fault_ = "the command file has no command for tick " + std::to_string(k);
                return false;
            }
            flight_->command(commands_[i - 1].command);
            flight_->step(double(commands_[i].t) - double(flight_->state().t));
        } else {
            const float t = timer_.time_at(cli::clock_at(clock_start_, k, dt));
            // The commands due by the step's start.
            while (next_ < commands_.size() && commands_[next_].t <= flight_->state().t)
                flight_->command(commands_[next_++].command);
            flight_->step(double(t) - double(flight_->state().t));
        }
    } catch (const SeaContact&) {
        fault_ = "the bird touched the sea at t = " + float_text(flight_->state().t) + " s";
        return false;
    } catch (const FlightFault& f) {
        fault_ = "the flight stopped at t = " + float_text(flight_ ? flight_->state().t : 0.0f) +
                 " s: " + f.what();
        return false;
    }
    return true;
}

}  // namespace soar
