#include "optim/loop_solver.h"

#include <IpIpoptApplication.hpp>
#include <IpSolveStatistics.hpp>
#include <IpTNLP.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

#include "optim/collocation.h"
#include "sim/constants.h"

namespace soar::optim {

namespace {

constexpr double kPi = k::exact_pi;

using Clock = std::chrono::steady_clock;

const char* status_text(Ipopt::SolverReturn s) {
    switch (s) {
        case Ipopt::SUCCESS:
            return "optimal solution found";
        case Ipopt::STOP_AT_ACCEPTABLE_POINT:
            return "solved to an acceptable level";
        case Ipopt::MAXITER_EXCEEDED:
            return "iteration limit reached";
        case Ipopt::CPUTIME_EXCEEDED:
            return "time limit reached";
        case Ipopt::STOP_AT_TINY_STEP:
            return "stopped at a tiny step";
        case Ipopt::LOCAL_INFEASIBILITY:
            return "locally infeasible: no loop meets the constraints near this one";
        case Ipopt::USER_REQUESTED_STOP:
            return "stopped on request";
        case Ipopt::DIVERGING_ITERATES:
            return "iterates diverging";
        case Ipopt::RESTORATION_FAILURE:
            return "restoration phase failed";
        case Ipopt::ERROR_IN_STEP_COMPUTATION:
            return "error in step computation";
        case Ipopt::INVALID_NUMBER_DETECTED:
            return "invalid number in a function value";
        case Ipopt::TOO_FEW_DEGREES_OF_FREEDOM:
            return "too few degrees of freedom";
        case Ipopt::INVALID_OPTION:
            return "invalid solver option";
        case Ipopt::OUT_OF_MEMORY:
            return "out of memory";
        case Ipopt::INTERNAL_ERROR:
            return "internal solver error";
        default:
            return "solver failed";
    }
}

class LoopNlp : public Ipopt::TNLP {
  public:
    LoopNlp(const Collocation& c, std::vector<double> start, const ProgressFn& progress,
            const std::atomic<bool>* cancel, Clock::time_point begun)
        : c_(c), x_(std::move(start)), progress_(progress), cancel_(cancel), begun_(begun) {}

    bool get_nlp_info(Ipopt::Index& n, Ipopt::Index& m, Ipopt::Index& nnz_jac, Ipopt::Index& nnz_h,
                      IndexStyleEnum& style) override {
        n = c_.variables();
        m = c_.constraints();
        nnz_jac = c_.jacobian_entries();
        nnz_h = 0;
        style = C_STYLE;
        return true;
    }
    bool get_bounds_info(Ipopt::Index, Ipopt::Number* xl, Ipopt::Number* xu, Ipopt::Index,
                         Ipopt::Number* gl, Ipopt::Number* gu) override {
        c_.bounds(xl, xu, gl, gu);
        return true;
    }
    bool get_starting_point(Ipopt::Index n, bool init_x, Ipopt::Number* x, bool init_z,
                            Ipopt::Number*, Ipopt::Number*, Ipopt::Index, bool init_lambda,
                            Ipopt::Number*) override {
        if (init_z || init_lambda) return false;
        if (init_x) std::copy(x_.begin(), x_.begin() + n, x);
        return true;
    }
    bool eval_f(Ipopt::Index, const Ipopt::Number* x, bool, Ipopt::Number& f) override {
        f = x[c_.wind_index()];
        return true;
    }
    bool eval_grad_f(Ipopt::Index n, const Ipopt::Number*, bool, Ipopt::Number* grad) override {
        std::fill(grad, grad + n, 0.0);
        grad[c_.wind_index()] = 1.0;
        return true;
    }
    bool eval_g(Ipopt::Index, const Ipopt::Number* x, bool, Ipopt::Index,
                Ipopt::Number* g) override {
        c_.evaluate(x, g, nullptr);
        return std::all_of(g, g + c_.constraints(), [](double v) { return std::isfinite(v); });
    }
    bool eval_jac_g(Ipopt::Index, const Ipopt::Number* x, bool, Ipopt::Index m, Ipopt::Index,
                    Ipopt::Index* rows, Ipopt::Index* cols, Ipopt::Number* values) override {
        if (!values) {
            c_.jacobian_structure(rows, cols);
            return true;
        }
        g_scratch_.resize(size_t(m));
        c_.evaluate(x, g_scratch_.data(), values);
        return std::all_of(values, values + c_.jacobian_entries(),
                           [](double v) { return std::isfinite(v); });
    }
    bool intermediate_callback(Ipopt::AlgorithmMode, Ipopt::Index iter, Ipopt::Number obj,
                               Ipopt::Number inf_pr, Ipopt::Number, Ipopt::Number, Ipopt::Number,
                               Ipopt::Number, Ipopt::Number, Ipopt::Number, Ipopt::Index,
                               const Ipopt::IpoptData*,
                               Ipopt::IpoptCalculatedQuantities*) override {
        if (cancel_ && cancel_->load()) return false;
        if (!progress_) return true;
        SolveProgress p;
        p.iteration = iter;
        p.wind = obj * c_.wind_scale();
        p.infeasibility = inf_pr;
        p.seconds = std::chrono::duration<double>(Clock::now() - begun_).count();
        return progress_(p);
    }
    void finalize_solution(Ipopt::SolverReturn status, Ipopt::Index n, const Ipopt::Number* x,
                           const Ipopt::Number* z_L, const Ipopt::Number* z_U, Ipopt::Index m,
                           const Ipopt::Number* g, const Ipopt::Number* lambda, Ipopt::Number,
                           const Ipopt::IpoptData*, Ipopt::IpoptCalculatedQuantities*) override {
        status_ = status;
        x_.assign(x, x + n);
        active_ = c_.active_limits(x, g, z_L, z_U, lambda);
        std::vector<double> lo(static_cast<size_t>(n)), hi(static_cast<size_t>(n));
        std::vector<double> gl(static_cast<size_t>(m)), gu(static_cast<size_t>(m));
        c_.bounds(lo.data(), hi.data(), gl.data(), gu.data());
        violation_ = 0;
        for (Ipopt::Index i = 0; i < m; ++i)
            violation_ = std::max({violation_, gl[size_t(i)] - g[i], g[i] - gu[size_t(i)]});
    }

    Ipopt::SolverReturn status_ = Ipopt::INTERNAL_ERROR;
    double violation_ = 0;
    std::vector<ActiveLimit> active_;
    const std::vector<double>& x() const { return x_; }

  private:
    const Collocation& c_;
    std::vector<double> x_;
    std::vector<double> g_scratch_;
    const ProgressFn& progress_;
    const std::atomic<bool>* cancel_;
    Clock::time_point begun_;
};

// A solved loop moved onto a mesh of `nodes` nodes.
LoopSolution resample(const LoopProblem& p, const LoopSolution& s, int nodes) {
    LoopSolution r;
    r.period = s.period;
    r.wind = s.wind;
    const double h = s.period / (nodes - 1);
    for (int k = 0; k < nodes; ++k) {
        const double t = k == nodes - 1 ? s.period : k * h;
        r.t.push_back(t);
        r.x.push_back(state_at(p, s, t));
        r.u.push_back(control_at(s, t));
        if (k < nodes - 1) r.u_mid.push_back(control_at(s, t + 0.5 * h));
    }
    // The ends keep their exact values so that the fixed start stays feasible.
    r.x.front() = s.x.front();
    r.x.back() = s.x.back();
    return r;
}

// How far the solved controls, flown by a fine Runge-Kutta integration from
// the first node, end from the last node: over the loop's size (position) and
// over the speed (airspeed). A coarse mesh can satisfy its collocation
// equations with a "loop" the bird could never fly; this shows it.
void closure_misses(const LoopProblem& p, const LoopSolution& s, double& place, double& speed) {
    const int steps = std::max(2000, 40 * int(s.x.size()));
    const LoopState end = fly_controls(p, s, s.period, steps);
    double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    for (const LoopState& x : s.x)
        for (size_t i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], x[i]);
            hi[i] = std::max(hi[i], x[i]);
        }
    const double size = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2], 1.0});
    const LoopState& last = s.x.back();
    place = std::hypot(end[kX] - last[kX], end[kY] - last[kY], end[kZ] - last[kZ]) / size;
    speed = std::abs(end[kV] - last[kV]) / std::max(last[kV], 1.0);
    if (!std::isfinite(place)) place = 1e300;
    if (!std::isfinite(speed)) speed = 1e300;
}

}  // namespace

LoopSolution circle_guess(const LoopProblem& p, int nodes) {
    const double bank = std::min(p.guess_bank, 0.9 * p.bank_max);
    const double n = std::min(1.0 / std::cos(bank), p.n_max);
    const double CL = std::clamp(p.guess_CL, p.CL_min + 0.05, p.CL_max - 0.05);
    const double V = std::sqrt(2.0 * p.wing_loading * n / (p.rho * CL));
    const double R = V * V / (p.g * std::tan(bank));
    const double period = std::clamp(2.0 * kPi * R / V, p.T_min, p.T_max);
    // Rising and falling by a fifth of the radius, lowest at the start.
    const double rise = 0.2 * R;
    const double Z0 = p.start_height_fixed ? p.Z_start : p.tip_min + p.half_span + 0.5;

    LoopSolution s;
    s.period = period;
    if (p.wind_guess > 0) {
        s.wind = p.wind_guess;
    } else {
        s.wind = p.profile == WindProfile::linear ? 0.1 : 10.0;
    }
    s.wind = std::clamp(s.wind, p.wind_min, p.wind_max);
    const double psi0 = -0.5 * kPi;
    const double om = 2.0 * kPi / period;  // rad/s over the loop
    const double radius = V / om;          // the circle the period closes
    for (int k = 0; k < nodes; ++k) {
        const double t = period * k / (nodes - 1);
        const double psi = psi0 + p.turn * om * t;
        LoopState x;
        x[kX] = -p.turn * radius * (std::sin(psi) - std::sin(psi0));
        x[kY] = -p.turn * radius * (std::cos(psi) - std::cos(psi0));
        x[kZ] = Z0 + 0.5 * rise * (1.0 - std::cos(om * t));
        x[kV] = V;
        x[kGamma] = std::asin(std::clamp(0.5 * rise * om * std::sin(om * t) / V, -0.9, 0.9));
        x[kPsi] = psi;
        if (k == 0 || k == nodes - 1) x[kX] = x[kY] = 0.0;
        s.t.push_back(t);
        s.x.push_back(x);
        s.u.push_back({CL, p.turn * bank});
        if (k < nodes - 1) s.u_mid.push_back({CL, p.turn * bank});
    }
    return s;
}

LoopSolution solve_loop(const LoopProblem& p, const SolveOptions& o, const ProgressFn& progress,
                        const std::atomic<bool>* cancel) {
    const auto begun = Clock::now();
    const int nodes = std::max(o.nodes, 5);
    const LoopSolution start = o.start ? resample(p, *o.start, nodes) : circle_guess(p, nodes);
    const Collocation c(p, nodes, start);

    Ipopt::SmartPtr<LoopNlp> nlp = new LoopNlp(c, c.pack(start), progress, cancel, begun);
    Ipopt::SmartPtr<Ipopt::IpoptApplication> app = IpoptApplicationFactory();
    app->Options()->SetIntegerValue("print_level", 0);
    app->Options()->SetStringValue("sb", "yes");
    app->Options()->SetStringValue("hessian_approximation", "limited-memory");
    app->Options()->SetStringValue("mu_strategy", "adaptive");
    app->Options()->SetNumericValue("tol", o.tol);
    app->Options()->SetIntegerValue("max_iter", o.max_iterations);

    LoopSolution s;
    if (app->Initialize() != Ipopt::Solve_Succeeded) {
        s.status = "the solver could not start";
        return s;
    }
    const Ipopt::ApplicationReturnStatus r = app->OptimizeTNLP(nlp);
    s = c.unpack(nlp->x().data());
    s.status = status_text(nlp->status_);
    s.converged = nlp->status_ == Ipopt::SUCCESS || nlp->status_ == Ipopt::STOP_AT_ACCEPTABLE_POINT;
    if (r == Ipopt::Invalid_Number_Detected) s.converged = false;
    s.iterations = IsValid(app->Statistics()) ? app->Statistics()->IterationCount() : 0;
    s.max_violation = nlp->violation_;
    s.energy_per_cycle = c.energy_per_cycle(s);
    if (s.converged) {
        double place = 0, speed = 0;
        closure_misses(p, s, place, speed);
        s.closure_place = place;
        s.closure_speed = speed;
        s.active_limits = nlp->active_;
        if (place > 0.01 || speed > 0.01) {
            s.converged = false;
            char why[200];
            std::snprintf(why, sizeof why,
                          "the loop does not close when its controls are flown (off by %.0f %% "
                          "of its size): the mesh of %d nodes is too coarse, use more nodes",
                          100.0 * std::max(place, speed), nodes);
            s.status = why;
        }
    }
    s.seconds = std::chrono::duration<double>(Clock::now() - begun).count();
    return s;
}

double glide_ratio(const LoopProblem& p) {
    if (!(p.CD0 > 0 && p.K > 0)) return std::numeric_limits<double>::infinity();
    return 0.5 / std::sqrt(p.CD0 * p.K);
}

double zero_lift_drag_for(const LoopProblem& p, double ld) {
    return 1.0 / (4.0 * p.K * ld * ld);
}

LoopSolution continue_in_glide_ratio(const LoopProblem& p, const LoopSolution& from, double from_ld,
                                     const SolveOptions& o, const ProgressFn& progress,
                                     const std::atomic<bool>* cancel) {
    const auto begun = Clock::now();
    const double target = glide_ratio(p);
    constexpr double kLargest = 2.0, kSmallest = 0.25;
    LoopSolution last = from;
    double ld = from_ld, step = std::min(kLargest, from_ld - target);
    int solves = 0, iterations = 0;
    std::string why;
    auto spent = [&](LoopSolution& s) {
        s.iterations = iterations;
        s.seconds = std::chrono::duration<double>(Clock::now() - begun).count();
        return s;
    };
    while (ld > target) {
        const double next = ld - step <= target + 1e-9 ? target : ld - step;
        LoopProblem q = p;
        if (next != target) q.CD0 = zero_lift_drag_for(p, next);
        SolveOptions so = o;
        so.start = &last;
        // A step that does not converge soon will not: halve it instead.
        so.max_iterations = std::min(o.max_iterations, 300);
        LoopSolution s = solve_loop(q, so, progress, cancel);
        ++solves;
        iterations += s.iterations;
        if (cancel && cancel->load()) return spent(s);
        if (s.converged) {
            last = std::move(s);
            ld = next;
            step = std::min(kLargest, 1.5 * step);
            continue;
        }
        why = s.status;
        step *= 0.5;
        if (step >= kSmallest) continue;
        char text[400];
        std::snprintf(text, sizeof text,
                      "no loop at glide ratio %.2f: lowering it from %.1f, loops were found down "
                      "to %.2f (wind scale %.4g %s, period %.2f s) and none below it (%s)",
                      target, from_ld, ld, last.wind, wind_unit(p.profile), last.period,
                      why.c_str());
        last.converged = false;
        last.status = text;
        return spent(last);
    }
    char route[160];
    std::snprintf(route, sizeof route, "continued from glide ratio %.1f down to %.2f in %d solves",
                  from_ld, target, solves);
    last.route = route;
    return spent(last);
}

LoopSolution solve_least_wind_loop(const LoopProblem& p, const SolveOptions& o,
                                   const ProgressFn& progress, const std::atomic<bool>* cancel) {
    const auto begun = Clock::now();
    const double ld = glide_ratio(p);
    SolveOptions first = o;
    if (ld < kContinuationBelow) first.max_iterations = std::min(o.max_iterations, 1000);
    LoopSolution cold = solve_loop(p, first, progress, cancel);
    if (cancel && cancel->load()) return cold;
    if (!(ld < kContinuationStart - 1.0)) return cold;  // no better glider to start from
    if (cold.converged && ld >= kContinuationBelow) return cold;
    int iterations = cold.iterations;
    auto spent = [&](LoopSolution s) {
        s.iterations = iterations;
        s.seconds = std::chrono::duration<double>(Clock::now() - begun).count();
        return s;
    };
    LoopProblem easy = p;
    easy.CD0 = zero_lift_drag_for(p, kContinuationStart);
    const LoopSolution base = solve_loop(easy, o, progress, cancel);
    iterations += base.iterations;
    if (!base.converged) return spent(cold);
    LoopSolution cont = continue_in_glide_ratio(p, base, kContinuationStart, o, progress, cancel);
    iterations += cont.iterations;
    if (cold.converged && (!cont.converged || cold.wind <= cont.wind)) {
        if (cont.converged) {
            char route[200];
            std::snprintf(route, sizeof route,
                          "from the circle (continuation from glide ratio %.0f: %.6g %s)",
                          kContinuationStart, cont.wind, wind_unit(p.profile));
            cold.route = route;
        }
        return spent(cold);
    }
    return spent(cont);
}

}  // namespace soar::optim
