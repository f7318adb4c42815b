// soarcalculus._core.Flight: a commanded flight stepped from Python, one step
// per call, with the bank and lift given at each step; the engine's own Flight
// (sim/flight.h), so that its numbers are the program's.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "platform/number_text.h"
#include "sim/energy.h"
#include "sim/fault.h"
#include "sim/flight.h"
#include "sim/param_set.h"
#include "sim/turbulence.h"

namespace soar::py {

namespace pyb = pybind11;

namespace {

// The state's fields in their order in memory: the NumPy view reads the state
// itself, so each name is placed by its offset.
struct StateField {
    const char* name;
    size_t offset;
};
#define SOAR_FIELD(f)                \
    StateField {                     \
#f, offsetof(FlightState, f) \
    }
const std::vector<StateField>& state_fields() {
    static const std::vector<StateField> fields = [] {
        std::vector<StateField> v = {
            SOAR_FIELD(t),
            SOAR_FIELD(dt),
            SOAR_FIELD(X),
            SOAR_FIELD(Y),
            SOAR_FIELD(Z),
            SOAR_FIELD(V),
            SOAR_FIELD(gam_deg),
            SOAR_FIELD(psi_deg),
            SOAR_FIELD(mu_deg),
            SOAR_FIELD(gam_dot),
            SOAR_FIELD(psi_dot),
            SOAR_FIELD(dgam_dpsi),
            SOAR_FIELD(R_turn),
            SOAR_FIELD(alpha),
            SOAR_FIELD(Nz),
            SOAR_FIELD(Nx),
            SOAR_FIELD(CL),
            SOAR_FIELD(CD),
            SOAR_FIELD(D_L),
            SOAR_FIELD(U),
            SOAR_FIELD(Up),
            SOAR_FIELD(Up_V_g),
            SOAR_FIELD(Xdot_air),
            SOAR_FIELD(Xdot),
            SOAR_FIELD(Ydot),
            SOAR_FIELD(u_g),
            SOAR_FIELD(v_g),
            SOAR_FIELD(w_g),
            SOAR_FIELD(dE_gust),
            // The bird's attitude by fly's column names (the body's Euler angles).
            {"roll_b", offsetof(FlightState, attitude) + offsetof(Attitude, roll)},
            {"pitch_b", offsetof(FlightState, attitude) + offsetof(Attitude, pitch)},
            {"yaw_b", offsetof(FlightState, attitude) + offsetof(Attitude, yaw)}};
        return v;
    }();
    return fields;
}
#undef SOAR_FIELD

// Every field a float, one after the other: the state reads as a float32 array.
bool state_is_packed() {
    const auto& f = state_fields();
    if (sizeof(FlightState) != f.size() * sizeof(float)) return false;
    for (size_t i = 0; i < f.size(); ++i)
        if (f[i].offset != i * sizeof(float)) return false;
    return true;
}

Mode pattern_named(const std::string& name) {
    const auto m = mode_named(name);
    if (!m || *m == Mode::fixed)
        throw pyb::value_error(
            "unknown start \"" + name +
            "\" (a pattern: upwind, downwind, crosswind, circlezoom, "
            "profile; fly-yourself, the window's level start; or a dict of the state)");
    return *m;
}

class PyFlight {
  public:
    PyFlight(const pyb::bytes& params, const std::string& pattern, const pyb::dict& state,
             float gusts, uint64_t seed, const pyb::dict& limits) {
        const std::string blob = params;
        if (blob.size() != sizeof(ParamSet)) throw pyb::value_error("not a parameter set");
        ParamSet set;
        std::memcpy(&set, blob.data(), sizeof set);
        // "fly-yourself": the window's Fly it yourself start, the upwind
        // pattern's level start 12 m up.
        const bool level = pattern == "fly-yourself";
        const Mode mode = level ? Mode::upwind : pattern_named(pattern);
        p_ = set.of(mode);
        view_ = mode;
        if (!(gusts >= 0.0f && gusts <= 20.0f))
            throw pyb::value_error("gusts must be from 0 to 20 m/s (sigma_w)");
        gusts_ = Turbulence(gusts, seed);
        start_ = level ? level_start(p_, mode) : pattern_start(p_, mode);
        for (const auto& [key, value] : state) {
            const std::string k = pyb::str(key);
            float* at = field(start_, k);
            if (!at || !(k == "X" || k == "Y" || k == "Z" || k == "V" || k == "gam_deg" ||
                         k == "psi_deg" || k == "mu_deg" || k == "CL" || k == "t"))
                throw pyb::key_error(
                    "a start state takes t, X, Y, Z, V, gam_deg, psi_deg, "
                    "mu_deg and CL, not \"" +
                    k + "\"");
            *at = value.cast<float>();
        }
        for (const auto& [key, value] : limits) {
            const std::string k = pyb::str(key);
            float* at = limit(k);
            if (!at)
                throw pyb::key_error(
                    "limits are bank_max, bank_rate_max, CL_rate_max, CL_min, "
                    "CL_max, Nz_max and half_span, not \"" +
                    k + "\"");
            *at = value.cast<float>();
        }
        reset();
    }

    void reset() {
        fault_.clear();
        try {
            flight_.emplace(Flight::commanded(p_, view_, start_, limits_));
        } catch (const FlightFault& e) {
            throw pyb::value_error(std::string("the start gives no flight: ") + e.what());
        }
        flight_->set_gusts(gusts_);
    }

    // One step; false (and fault() says why) when it ended the flight.
    bool step(double dt, std::optional<float> bank, std::optional<float> cl,
              std::optional<float> nz) {
        if (!fault_.empty())
            throw std::runtime_error("the flight has ended (" + fault_ +
                                     "); reset() starts it again");
        if (!(dt >= 0.0 && dt <= 10.0)) throw pyb::value_error("dt must be from 0 to 10 s");
        if (cl && nz) throw pyb::value_error("give cl or nz, not both");
        Command c = flight_->commanded();
        if (bank) c.mu_deg = *bank;
        if (cl) c.lift = *cl, c.kind = LiftCommand::lift_coefficient;
        if (nz) c.lift = *nz, c.kind = LiftCommand::load_factor;
        flight_->command(c);
        try {
            flight_->step(dt);
        } catch (const SeaContact&) {
            fault_ = "the bird touched the sea at t = " + float_text(flight_->state().t) + " s";
            return false;
        } catch (const FlightFault& e) {
            fault_ =
                "the flight stopped at t = " + float_text(flight_->state().t) + " s: " + e.what();
            return false;
        }
        return true;
    }

    pyb::array state_view(pyb::object self) const {
        const FlightState& s = flight_->state();
        pyb::array_t<float> a({pyb::ssize_t(state_fields().size())}, {pyb::ssize_t(sizeof(float))},
                              reinterpret_cast<const float*>(&s), self);
        pyb::detail::array_proxy(a.ptr())->flags &= ~pyb::detail::npy_api::NPY_ARRAY_WRITEABLE_;
        return a;
    }

    pyb::dict energy() const {
        const FlightState& s = flight_->state();
        const Energy e = energy_of(s, p_);
        pyb::dict d;
        d["E"] = e.E;
        d["E_kin"] = e.E_kin;
        d["E_pot"] = e.E_pot;
        d["dE_wind"] = e.dE_wind;
        d["dE_drag"] = e.dE_drag;
        d["dE_held"] = e.dE_held;
        d["dE_gust"] = s.dE_gust;
        return d;
    }

    float specific_energy_now() const { return specific_energy(flight_->state(), p_); }
    const std::string& fault() const { return fault_; }
    float get(const std::string& name) const {
        FlightState s = flight_->state();
        const float* at = field(s, name);
        if (!at) throw pyb::key_error("no state field \"" + name + "\"");
        return *at;
    }
    pyb::dict limits() const {
        pyb::dict d;
        for (const char* k : {"bank_max", "bank_rate_max", "CL_rate_max", "CL_min", "CL_max",
                              "Nz_max", "half_span"})
            d[k] = *const_cast<PyFlight*>(this)->limit(k);
        return d;
    }
    pyb::tuple command() const {
        const Command& c = flight_->commanded();
        return pyb::make_tuple(c.mu_deg, c.lift, c.kind == LiftCommand::load_factor ? "Nz" : "CL");
    }

  private:
    static float* field(FlightState& s, const std::string& name) {
        // The attitude's names before they were fly's.
        const std::string& known = name == "roll"    ? "roll_b"
                                   : name == "pitch" ? "pitch_b"
                                   : name == "yaw"   ? "yaw_b"
                                                     : name;
        for (const StateField& f : state_fields())
            if (known == f.name)
                return reinterpret_cast<float*>(reinterpret_cast<char*>(&s) + f.offset);
        return nullptr;
    }
    static const float* field(const FlightState& s, const std::string& name) {
        return field(const_cast<FlightState&>(s), name);
    }
    float* limit(const std::string& k) {
        PilotLimits& l = limits_;
        return k == "bank_max"        ? &l.bank_max
               : k == "bank_rate_max" ? &l.bank_rate_max
               : k == "CL_rate_max"   ? &l.CL_rate_max
               : k == "CL_min"        ? &l.CL_min
               : k == "CL_max"        ? &l.CL_max
               : k == "Nz_max"        ? &l.Nz_max
               : k == "half_span"     ? &l.half_span
                                      : nullptr;
    }

    Params p_;
    Mode view_ = Mode::upwind;
    FlightState start_;
    PilotLimits limits_;
    Turbulence gusts_;
    std::optional<Flight> flight_;
    std::string fault_;
};

}  // namespace

void bind_flight(pyb::module_& m) {
    if (!state_is_packed())
        throw std::runtime_error("the flight state is not a packed float array");
    pyb::list names;
    for (const StateField& f : state_fields()) names.append(f.name);
    m.attr("STATE_FIELDS") = pyb::tuple(names);
    pyb::class_<PyFlight>(m, "Flight")
        .def(pyb::init<const pyb::bytes&, const std::string&, const pyb::dict&, float, uint64_t,
                       const pyb::dict&>(),
             pyb::arg("params"), pyb::arg("pattern"), pyb::arg("state"), pyb::arg("gusts"),
             pyb::arg("seed"), pyb::arg("limits"))
        .def("step", &PyFlight::step, pyb::arg("dt"), pyb::arg("bank") = pyb::none(),
             pyb::arg("cl") = pyb::none(), pyb::arg("nz") = pyb::none())
        .def("reset", &PyFlight::reset)
        .def_property_readonly(
            "state", [](pyb::object self) { return self.cast<const PyFlight&>().state_view(self); })
        .def_property_readonly("energy", &PyFlight::energy)
        .def_property_readonly("E", &PyFlight::specific_energy_now)
        .def_property_readonly("fault", &PyFlight::fault)
        .def_property_readonly("limits", &PyFlight::limits)
        .def_property_readonly("command", &PyFlight::command)
        .def("__getitem__", &PyFlight::get);
}

}  // namespace soar::py
