#include "app/param_file.h"

#include <toml++/toml.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/atomic_file.h"
#include "platform/number_text.h"
#include "sim/param_fields.h"

namespace soar {

namespace {

struct Table {
    const char* name;
    Mode mode;  // the pattern the table's keys are set in
};
constexpr Table kPatternTables[] = {{"upwind", Mode::upwind},
                                    {"downwind", Mode::downwind},
                                    {"crosswind", Mode::crosswind},
                                    {"circlezoom", Mode::circlezoom}};

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
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

void key_line(std::string& out, const ParamField& f, float v) {
    std::string line = std::string(f.name) + " = " + exact_text(v);
    if (line.size() < 24) line.resize(24, ' ');
    out += line + " # " + f.meaning + ", " + f.unit + " (" + float_text(f.lo) + " to " +
           float_text(f.hi) + ")\n";
}

// Which field a key names in a table, or null when the table has no such key.
const ParamField* field_in(const std::string& table, const std::string& key) {
    const ParamField* f = param_field(key);
    if (!f) return nullptr;
    if (f->group != ParamGroup::pattern) {
        if (table == group_table(f->group)) return f;
        return table == "circlezoom" && zoom_own(*f) ? f : nullptr;
    }
    for (const Table& t : kPatternTables)
        if (table == t.name) return param_used(*f, t.mode) ? f : nullptr;
    return nullptr;
}

Mode table_mode(const std::string& table) {
    for (const Table& t : kPatternTables)
        if (table == t.name) return t.mode;
    return Mode::upwind;  // the shared tables: every pattern but the zoom's own polar and wind
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
            if (f.group == g) key_line(out, f, set.upwind.*f.member);
    }
    for (const Table& t : kPatternTables) {
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
        for (const Table& pt : kPatternTables) known = known || (t && table == pt.name);
        if (!known)
            return {std::nullopt, at(source, node.source()) + "unknown table or key \"" + table +
                                      "\" (tables: air, bird, wind, upwind, downwind, crosswind, "
                                      "circlezoom)"};
        for (auto&& [key_, value] : *t) {
            const std::string key(key_.str());
            const ParamField* f = field_in(table, key);
            if (!f)
                return {std::nullopt, at(source, value.source()) + "unknown key \"" + key +
                                          "\" in [" + table + "]"};
            const std::optional<double> v = value.value<double>();
            if (!v || !(value.is_floating_point() || value.is_integer()) || !param_in_range(*f, *v))
                return {std::nullopt, at(source, value.source()) + param_range_text(*f)};
            set_param(set, table_mode(table), *f, float(*v));
        }
    }
    return {set, ""};
}

ParamFileRead load_param_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {std::nullopt, "cannot open \"" + path + "\": " + std::strerror(errno)};
    std::ostringstream buf;
    buf << in.rdbuf();
    return parse_param_file(buf.str(), path);
}

std::string save_param_file(const std::string& path, const ParamSet& set) {
    AtomicFile out;
    if (!out.open(path) || !out.write(param_file_text(set)) || !out.commit()) return out.error();
    return "";
}

}  // namespace soar
