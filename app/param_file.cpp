#include "app/param_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <toml++/toml.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/number_text.h"
#include "sim/names.h"
#include "sim/param_fields.h"

namespace soar {

namespace {

// A pattern's table: the keys of the pattern of that name.
struct Table {
    const char* name;
    Mode mode;  // the pattern the table's keys are set in
};
std::vector<Table> pattern_tables() {
    std::vector<Table> out;
    for (const Mode m : param_table_patterns()) out.push_back({mode_name(m), m});
    return out;
}

const char* group_table(ParamGroup g) {
    switch (g) {
        case ParamGroup::air:
            return "air";
        case ParamGroup::bird:
            return "bird";
        case ParamGroup::wind:
            return "wind";
        case ParamGroup::pattern:
            break;
    }
    return "pattern";
}

bool zoom_own(const ParamField& f) {
    return f.member == &Params::CD0 || f.member == &Params::K_ind || f.member == &Params::U_ref;
}

// The shortest text that reads back as the same float (the text boxes' seven
// digits do not always).
std::string exact_text(float v) {
    return shortest_float(v);
}

void key_line(std::string& out, const ParamField& f, float v) {
    if (f.choices) {
        // A named choice: its name as a TOML string, the names it may take beside it.
        std::string line = std::string(f.name) + " = \"" + param_value_text(f, v) + "\"";
        if (line.size() < 24) line.resize(24, ' ');
        std::string names;
        for (int i = 0; f.choices[i]; ++i) names += std::string(i ? ", " : "") + f.choices[i];
        out += line + " # " + f.meaning + " (" + names + ")\n";
        return;
    }
    std::string line = std::string(f.name) + " = " + exact_text(v);
    if (line.size() < 24) line.resize(24, ' ');
    out += line + " # " + f.meaning + ", " + f.unit + " (" + float_text(f.lo) + " to " +
           float_text(f.hi) + ")\n";
}

// A choice's name as a parameter file writes it: "name", letters only.
std::optional<std::string> choice_text(std::string_view v) {
    if (v.size() < 3 || v.front() != '"' || v.back() != '"') return std::nullopt;
    const std::string_view inside = v.substr(1, v.size() - 2);
    for (const char c : inside)
        if (!std::isalpha(static_cast<unsigned char>(c))) return std::nullopt;
    return std::string(inside);
}

// Which field a key names in a table, or null when the table has no such key.
const ParamField* field_in(const std::string& table, const std::string& key) {
    const ParamField* f = param_field(key);
    if (!f) return nullptr;
    if (f->group != ParamGroup::pattern) {
        if (table == group_table(f->group)) return f;
        return table == mode_name(Mode::circlezoom) && zoom_own(*f) ? f : nullptr;
    }
    for (const Table& t : pattern_tables())
        if (table == t.name) return param_used(*f, t.mode) ? f : nullptr;
    return nullptr;
}

// "upwind, downwind, crosswind, circlezoom"
std::string table_names() {
    std::string out;
    for (const Table& t : pattern_tables()) {
        if (!out.empty()) out += ", ";
        out += t.name;
    }
    return out;
}

Mode table_mode(const std::string& table) {
    for (const Table& t : pattern_tables())
        if (table == t.name) return t.mode;
    return Mode::upwind;  // the shared tables: every pattern but the zoom's own polar and wind
}

bool name_char(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || c == '-';
}

// A TOML decimal number as a parameter file writes it: 12, -0.5, 1_000, 3e-2,
// inf, nan (hexadecimal, octal and binary integers are not parameter values).
bool number_text(std::string_view v) {
    size_t i = 0;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) ++i;
    if (v.substr(i) == "inf" || v.substr(i) == "nan") return true;
    const auto digits = [&] {  // digits with single underscores between them
        if (i >= v.size() || !std::isdigit(static_cast<unsigned char>(v[i]))) return false;
        while (++i < v.size()) {
            if (v[i] == '_' && i + 1 < v.size() &&
                std::isdigit(static_cast<unsigned char>(v[i + 1])))
                ++i;
            else if (!std::isdigit(static_cast<unsigned char>(v[i])))
                break;
        }
        return true;
    };
    const size_t int_start = i;
    if (!digits()) return false;
    if (v[int_start] == '0' && i - int_start > 1) return false;  // no leading zeros
    if (i < v.size() && v[i] == '.') {
        ++i;
        if (!digits()) return false;
    }
    if (i < v.size() && (v[i] == 'e' || v[i] == 'E')) {
        ++i;
        if (i < v.size() && (v[i] == '+' || v[i] == '-')) ++i;
        if (!digits()) return false;
    }
    return i == v.size();
}

std::string_view trimmed(std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r'))
        v.remove_suffix(1);
    return v;
}

// Every line of a parameter file (its comments blanked) is empty, a table
// header "[bird]" or "NAME = NUMBER"; what else a TOML file may hold (strings,
// arrays, dotted or quoted names, dates) is never a parameter, and the TOML
// reader asserts on some malformed forms rather than report them, so each
// line is checked here first. "" when all are, else the error.
std::string bad_line(std::string_view text, const std::string& source) {
    long line = 1;
    for (size_t i = 0; i < text.size(); ++line) {
        size_t end = text.find('\n', i);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view l = trimmed(text.substr(i, end - i));
        i = end + 1;
        if (l.empty()) continue;
        std::string_view name = l, value;
        bool header = false;
        if (l.front() == '[') {
            header = l.size() >= 3 && l.back() == ']';
            name = trimmed(l.substr(1, l.size() - 2));
        } else if (const size_t eq = l.find('='); eq != std::string_view::npos) {
            name = trimmed(l.substr(0, eq));
            value = trimmed(l.substr(eq + 1));
        }
        bool plain = !name.empty() && (header || !value.empty());
        for (const char c : name) plain = plain && name_char(c);
        const std::string at = source + ":" + std::to_string(line) + ": ";
        if (!plain) return at + "not a table header such as [bird] nor a line NAME = NUMBER";
        const ParamField* chosen = header ? nullptr : param_field(name);
        if (chosen && chosen->choices) {
            const std::optional<std::string> c = choice_text(value);
            if (!c || !param_value(*chosen, *c)) return at + param_range_text(*chosen);
            continue;
        }
        if (!header && !number_text(value)) {
            const ParamField* f = param_field(name);
            return at + (f ? param_range_text(*f)
                           : "\"" + std::string(name) + "\" is not given a number");
        }
    }
    return "";
}

// The text with every comment blanked out (its line kept, so that line numbers
// stay), or the line of the first byte outside a comment that is not ASCII, in
// `bad_line`. The TOML reader's tables of Unicode characters reach an
// "unreachable" branch for some (U+FB26 to U+FEFE), and a parameter file
// needs nothing but ASCII outside its comments. A "#" inside a string ends the
// text early, but a parameter file has no strings: such a value is refused
// either way.
std::string without_comments(std::string_view text, long& bad_line) {
    std::string out;
    out.reserve(text.size());
    bool comment = false;
    long line = 1;
    bad_line = 0;
    for (const char ch : text) {
        if (ch == '\n') {
            comment = false;
            ++line;
        } else if (ch == '#') {
            comment = true;
        }
        if (comment) continue;
        if (static_cast<unsigned char>(ch) >= 0x80 && bad_line == 0) bad_line = line;
        out += ch;
    }
    return out;
}

// The number of a line "NAME = NUMBER" (its form checked by bad_line), read by the
// program's one reader of typed numbers; TOML's underscores between digits are
// dropped first. Nothing for "inf", "nan" and the like.
std::optional<double> value_on_line(std::string_view text, long line) {
    size_t at = 0;
    for (long l = 1; l < line && at != std::string_view::npos; ++l) {
        at = text.find('\n', at);
        if (at != std::string_view::npos) ++at;
    }
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view l = text.substr(at, text.find('\n', at) - at);
    const size_t eq = l.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::string digits;
    for (const char c : trimmed(l.substr(eq + 1)))
        if (c != '_') digits += c;
    return decimal_number(digits);
}

std::string at(const std::string& source, const toml::source_region& r) {
    return source + ":" + std::to_string(r.begin.line) + ": ";
}

}  // namespace

std::string param_file_text(const ParamSet& set) {
    std::string out =
        "# Soarcalculus parameters. Each value is followed by its meaning, unit and\n"
        "# allowed range; a key left out keeps its default.\n";
    for (ParamGroup g : {ParamGroup::air, ParamGroup::bird, ParamGroup::wind}) {
        out += std::string("\n[") + group_table(g) + "]\n";
        for (const ParamField& f : param_fields())
            if (f.group == g && param_written(f, set.upwind))
                key_line(out, f, set.upwind.*f.member);
    }
    for (const Table& t : pattern_tables()) {
        out += std::string("\n[") + t.name + "]\n";
        if (t.mode == Mode::circlezoom)
            out += "# The circle zoom keeps its own drag polar and wind (none by default).\n";
        for (const ParamField& f : param_fields()) {
            const bool own = t.mode == Mode::circlezoom && zoom_own(f);
            if ((f.group == ParamGroup::pattern && param_used(f, t.mode)) || own)
                key_line(out, f, set.of(t.mode).*f.member);
        }
    }
    return out;
}

ParamFileRead parse_param_file(std::string_view text, const std::string& source) {
    // A NUL byte means a binary file chosen by mistake; the TOML reader's own
    // handling of one in a key is an internal assertion, so it never sees one.
    if (const size_t nul = text.find('\0'); nul != std::string_view::npos) {
        const long line = 1 + std::count(text.begin(), text.begin() + long(nul), '\n');
        return {std::nullopt, source + ":" + std::to_string(line) +
                                  ": a NUL byte: this is not a text file, not a parameter file"};
    }
    long non_ascii = 0;
    const std::string bare = without_comments(text, non_ascii);
    if (non_ascii)
        return {std::nullopt, source + ":" + std::to_string(non_ascii) +
                                  ": a character that is not ASCII outside a comment"};
    text = bare;
    if (std::string error = bad_line(text, source); !error.empty()) return {std::nullopt, error};
    toml::table doc;
    try {
        doc = toml::parse(text, source);
    } catch (const toml::parse_error& e) {
        return {std::nullopt, at(source, e.source()) + std::string(e.description())};
    }
    ParamSet set;
    for (auto&& [table_key, node] : doc) {
        const std::string table(table_key.str());
        const toml::table* t = node.as_table();
        bool known = t && (table == "air" || table == "bird" || table == "wind");
        for (const Table& pt : pattern_tables()) known = known || (t && table == pt.name);
        if (!known)
            return {std::nullopt, at(source, node.source()) + "unknown table or key \"" + table +
                                      "\" (tables: air, bird, wind, " + table_names() + ")"};
        for (auto&& [key_, value] : *t) {
            const std::string key(key_.str());
            const ParamField* f = field_in(table, key);
            if (!f)
                return {std::nullopt, at(source, value.source()) + "unknown key \"" + key +
                                          "\" in [" + table + "]"};
            std::optional<double> v;
            if (f->choices) {
                if (const auto* name = value.as_string()) v = param_value(*f, name->get());
            } else if (value.is_floating_point() || value.is_integer()) {
                v = value_on_line(text, long(value.source().begin.line));
            }
            if (!v || !param_in_range(*f, *v))
                return {std::nullopt, at(source, value.source()) + param_range_text(*f)};
            set_param(set, table_mode(table), *f, float(*v));
        }
    }
    return {set, ""};
}

ParamFileRead load_param_file(const std::string& path) {
    // A parameter file is a few kilobytes: no more than this is ever read, so an
    // endless file (/dev/zero, a growing log) is refused without filling memory.
    constexpr size_t kMaxBytes = 1 << 20;
    const auto refused = [&](const std::string& why) {
        return ParamFileRead{std::nullopt, "\"" + path + "\" " + why};
    };
    // What it is, before it is opened: opening a pipe with no writer would wait
    // for ever, and opening a device may have effects of its own.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {std::nullopt, "cannot open \"" + path + "\": " + std::strerror(errno)};
    if (S_ISDIR(st.st_mode)) return refused("is a folder, not a parameter file");
    if (S_ISFIFO(st.st_mode)) return refused("is a pipe (FIFO), not a parameter file");
    if (S_ISSOCK(st.st_mode)) return refused("is a socket, not a parameter file");
    if (!S_ISREG(st.st_mode)) return refused("is a device, not a parameter file");
    if (size_t(st.st_size) > kMaxBytes)
        return refused("has " + std::to_string(st.st_size) +
                       " bytes: too large for a parameter file (at most 1 MiB)");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return {std::nullopt, "cannot open \"" + path + "\": " + std::strerror(errno)};
    // It may have been replaced between the look and the opening.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return refused("is not a regular file, not a parameter file");
    }
    std::string text(kMaxBytes + 1, '\0');
    size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            return {std::nullopt, "cannot read \"" + path + "\": " + std::strerror(err)};
        }
        if (n == 0) break;
        got += size_t(n);
    }
    ::close(fd);
    if (got > kMaxBytes) return refused("has more than 1 MiB: too large for a parameter file");
    text.resize(got);
    return parse_param_file(text, path);
}

std::string save_param_file(const std::string& path, const ParamSet& set) {
    AtomicFile out;
    if (!out.open(path) || !out.write(param_file_text(set)) || !out.commit()) return out.error();
    return "";
}

}  // namespace soar
