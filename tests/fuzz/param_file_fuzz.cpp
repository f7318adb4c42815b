// The TOML parameter-file reader: any bytes read without fault; a file it takes
// gives every pattern only values within their ranges, and the set's own file reads back as
// the same set.
#include <cstdlib>
#include <string_view>

#include "app/param_file.h"
#include "sim/param_fields.h"
#include "tests/fuzz/text_reader.h"

namespace {

// Every field the pattern flies with (the others stay unset, 0).
bool within_ranges(const soar::Params& p, soar::Mode mode) {
    for (const soar::ParamField& f : soar::param_fields())
        if (soar::param_used(f, mode) && !soar::param_in_range(f, double(p.*f.member)))
            return false;
    return true;
}

int read_params(std::string_view text) {
    const soar::ParamFileRead r = soar::parse_param_file(text, "fuzz.toml");
    if (!r.set) {
        if (r.error.empty()) std::abort();  // a refusal always says why
        return 0;
    }
    const soar::ParamSet& s = *r.set;
    for (soar::Mode m :
         {soar::Mode::upwind, soar::Mode::downwind, soar::Mode::crosswind, soar::Mode::circlezoom})
        if (!within_ranges(s.of(m), m)) std::abort();
    const soar::ParamFileRead again = soar::parse_param_file(soar::param_file_text(s), "again");
    if (!again.set || !(*again.set == s)) std::abort();
    return 0;
}

}  // namespace

SOAR_FUZZ_TEXT_READER(read_params)
