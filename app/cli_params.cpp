#include "app/cli_params.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/param_file.h"
#include "platform/number_text.h"
#include "sim/param_fields.h"

namespace soar::cli {

ParamOptions take_param_options(int argc, char** argv, std::vector<char*>& rest) {
    ParamOptions o;
    rest.assign(argv, argv + std::min(argc, 2));
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string* single = arg == "--params" ? &o.file : arg == "--preset" ? &o.preset : nullptr;
        if (single || arg == "--set") {
            if (i + 1 >= argc) throw ArgError{arg + " needs a value"};
            const std::string value = argv[++i];
            if (value.empty()) throw ArgError{arg + " needs a value, not an empty one"};
            if (single && !single->empty()) throw ArgError{arg + " is given more than once"};
            if (single)
                *single = value;
            else
                o.sets.push_back(value);
            continue;
        }
        rest.push_back(argv[i]);
    }
    return o;
}

ParamSet resolve_param_options(const ParamOptions& o, Mode mode) {
    ParamSet set;
    if (!o.file.empty()) {
        ParamFileRead r = load_param_file(o.file);
        if (!r.set) throw ArgError{"--params: " + r.error};
        set = *r.set;
    }
    if (!o.preset.empty() && !apply_preset(set, o.preset))
        throw ArgError{"unknown preset \"" + o.preset + "\" (presets: " + preset_names() + ")"};
    for (const std::string& s : o.sets) {
        const auto eq = s.find('=');
        const std::string name = s.substr(0, eq);
        const ParamField* f = param_field(name);
        if (!f || !param_used(*f, mode))
            throw ArgError{"--set: \"" + name + "\" is not a parameter of this pattern (names: " +
                           param_names(mode) + ")"};
        if (eq == std::string::npos) throw ArgError{"--set needs NAME=VALUE, not \"" + s + "\""};
        const std::optional<double> v = param_value(*f, std::string_view(s).substr(eq + 1));
        if (!v || !param_in_range(*f, *v))
            throw ArgError{"--set " + s + ": " + param_range_text(*f)};
        set_param(set, mode, *f, float(*v));
    }
    return set;
}

// params: the parameter file of the options, on standard output or saved.
int params_command(int argc, char** argv, bool parse_only) {
    ParamSet set;
    std::string save;
    try {
        std::vector<char*> rest;
        const ParamOptions o = take_param_options(argc, argv, rest);
        const Args a = parse_args(int(rest.size()), rest.data(), {"pattern", "save"}, {});
        const Mode mode = a.values.count("pattern") ? pattern_arg(a, false) : Mode::upwind;
        set = resolve_param_options(o, mode);
        if (a.values.count("save")) save = output_arg(a, "save");
    } catch (const ArgError& e) {
        std::fprintf(stderr, "soarcalculus params: %s\n%s", e.message.c_str(),
                     command_usage("params"));
        return 2;
    }
    if (parse_only) return 0;
    if (save.empty()) {
        const std::string text = param_file_text(set);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return stdout_written("params") ? 0 : 1;
    }
    const std::string error = save_param_file(save, set);
    if (!error.empty()) {
        std::fprintf(stderr, "soarcalculus params: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace soar::cli
