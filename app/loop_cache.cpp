#include "app/loop_cache.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/number_text.h"

namespace soar {

namespace {

constexpr const char* kMagic = "soarcalculus optimal loop 1";

// Exact: %a writes a double's every bit.
std::string exact(double v) {
    char b[40];
    std::snprintf(b, sizeof b, "%a", v);
    return b;
}

// The text read line by line and word by word without a stream: the web
// page reads its loops with this, and a stream would bring the whole locale
// machinery into its engine.
class Lines {
  public:
    explicit Lines(std::string_view text) : text_(text) {}
    // The next line without its newline; false past the last.
    bool next(std::string_view& line) {
        if (at_ >= text_.size()) return false;
        const size_t end = text_.find('\n', at_);
        line =
            text_.substr(at_, end == std::string_view::npos ? std::string_view::npos : end - at_);
        at_ = end == std::string_view::npos ? text_.size() : end + 1;
        return true;
    }

  private:
    std::string_view text_;
    size_t at_ = 0;
};

constexpr const char* kSpace = " \t\r\v\f";

// The next word of `line` (taken off its front); false when none is left.
bool next_word(std::string_view& line, std::string_view& word) {
    const size_t from = line.find_first_not_of(kSpace);
    if (from == std::string_view::npos) return false;
    const size_t to = line.find_first_of(kSpace, from);
    word = line.substr(from, to == std::string_view::npos ? std::string_view::npos : to - from);
    line = to == std::string_view::npos ? std::string_view() : line.substr(to);
    return true;
}

bool read_numbers(std::string_view& line, double* out, int count) {
    std::string_view word;
    for (int i = 0; i < count; ++i) {
        if (!next_word(line, word)) return false;
        const std::string w(word);
        char* end = nullptr;
        out[i] = std::strtod(w.c_str(), &end);
        if (*end != '\0' || !std::isfinite(out[i])) return false;
    }
    return true;
}

bool read_whole(std::string_view& line, long long lo, long long hi, long long& out) {
    std::string_view word;
    if (!next_word(line, word)) return false;
    const std::optional<long long> v = whole_number(word);
    if (!v || *v < lo || *v > hi) return false;
    out = *v;
    return true;
}

}  // namespace

std::string loop_cache_key(const optim::LoopProblem& p, int nodes) {
    std::string k = "nodes " + std::to_string(nodes) + " profile " +
                    optim::profile_name(p.profile) + " fixed " +
                    std::to_string(int(p.start_height_fixed));
    for (const double v :
         {p.g,        p.rho,      p.wing_loading, p.CD0,        p.K,         p.CL_min,
          p.CL_max,   p.n_min,    p.n_max,        p.bank_max,   p.half_span, p.tip_min,
          p.V_min,    p.V_max,    p.gamma_max,    p.Z_start,    p.T_min,     p.T_max,
          p.turn,     p.Z_ref,    p.lam_U,        p.zeta_min,   p.zeta_max,  p.z0,
          p.wind_min, p.wind_max, p.wind_guess,   p.guess_bank, p.guess_CL})
        k.append(1, ' ').append(exact(v));
    // Named only when set, so that the keys of the loops the window solves stay as they were.
    if (p.travel) k += " travel";
    if (p.shear_delta > 0) k += " shear " + exact(p.shear_delta) + " " + exact(p.shear_height);
    return k;
}

std::string loop_cache_text(const std::string& key, const optim::LoopSolution& s) {
    std::string out = std::string(kMagic) + "\nkey " + key + "\n";
    out.append("loop ").append(std::to_string(s.x.size()));
    for (const double v : {s.period, s.wind, s.energy_per_cycle})
        out.append(1, ' ').append(exact(v));
    out.append(1, ' ').append(std::to_string(s.iterations));
    out.append(1, ' ').append(exact(s.max_violation)).append(1, '\n');
    for (size_t k = 0; k < s.x.size(); ++k) {
        std::string line = "node";
        for (const double v : s.x[k]) line.append(1, ' ').append(exact(v));
        for (const double v : s.u[k]) line.append(1, ' ').append(exact(v));
        const optim::LoopControl mid = k + 1 < s.x.size() ? s.u_mid[k] : s.u[k];
        for (const double v : mid) line.append(1, ' ').append(exact(v));
        out += line + "\n";
    }
    return out + "end\n";
}

std::optional<optim::LoopSolution> loop_from_cache_text(const std::string& text,
                                                        const std::string& key) {
    Lines lines(text);
    std::string_view line, word;
    if (!lines.next(line) || line != kMagic) return std::nullopt;
    if (!lines.next(line) || line != "key " + key) return std::nullopt;
    if (!lines.next(line)) return std::nullopt;
    long long count = 0, iterations = 0;
    double figures[3] = {};
    double violation = 0;
    if (!next_word(line, word) || word != "loop" || !read_whole(line, 5, 100000, count) ||
        !read_numbers(line, figures, 3) || !read_whole(line, INT_MIN, INT_MAX, iterations) ||
        !read_numbers(line, &violation, 1) || figures[0] <= 0)
        return std::nullopt;
    optim::LoopSolution s;
    s.converged = true;
    s.status = "loaded from the cache";
    s.period = figures[0];
    s.wind = figures[1];
    s.energy_per_cycle = figures[2];
    s.iterations = int(iterations);
    s.max_violation = violation;
    for (long long k = 0; k < count; ++k) {
        if (!lines.next(line)) return std::nullopt;
        double v[10];
        if (!next_word(line, word) || word != "node" || !read_numbers(line, v, 10) ||
            next_word(line, word))
            return std::nullopt;
        s.t.push_back(s.period * double(k) / double(count - 1));
        s.x.push_back({v[0], v[1], v[2], v[3], v[4], v[5]});
        s.u.push_back({v[6], v[7]});
        if (k + 1 < count) s.u_mid.push_back({v[8], v[9]});
    }
    if (!lines.next(line) || line != "end") return std::nullopt;
    return s;
}

std::optional<optim::LoopSolution> load_cached_loop(const std::string& path,
                                                    const std::string& key) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream ss;
    ss << in.rdbuf();
    return loop_from_cache_text(ss.str(), key);
}

bool save_cached_loop(const std::string& path, const std::string& key, const optim::LoopSolution& s,
                      std::string& error) {
    return write_file_atomically(path, loop_cache_text(key, s), error);
}

}  // namespace soar
