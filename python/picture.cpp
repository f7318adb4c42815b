// soarcalculus._picture: the picture `render` saves, as an RGB array. A module
// of its own, imported only when a picture is asked for, so that importing
// soarcalculus and flying never load Qt. It runs the same sequence as the
// command line's render: start-up, the pattern, OK, FLY, the ticks at fixed
// clock steps, then the last tick's picture on the raster surface.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstring>
#include <string>
#include <type_traits>

#include "app/cli_args.h"
#include "app/session.h"
#include "platform/clock.h"
#include "platform/dir_text_files.h"
#include "python/gil.h"
#include "qt/raster_surface.h"

namespace soar::py {

namespace {

// Returns (picture, why the flight stopped or "").
pyb::tuple render(const pyb::bytes& params, const std::string& pattern, long long ticks, double dt,
                  double clock_start, bool grid, int width, int height) {
    static_assert(std::is_trivially_copyable_v<ParamSet>);
    const std::string blob = params;
    if (blob.size() != sizeof(ParamSet)) throw pyb::value_error("not a parameter set");
    ParamSet set;
    std::memcpy(&set, blob.data(), sizeof set);
    const auto mode = mode_named(pattern);
    if (!mode) throw pyb::value_error("unknown pattern \"" + pattern + "\"");

    RasterSurface picture(width, height);
    if (!picture.ok()) throw pyb::value_error("no picture of that size could be made");
    std::string fault;
    bool interrupted = false;
    {
        pyb::gil_scoped_release release;
        ManualClock clock{float(clock_start)};
        DirTextFiles no_export(".");  // "Write to File" stays off
        Session run(picture, clock, no_export);
        run.model().params = set;
        run.start_up();
        if (grid) run.set_check(Id::grid_box, 1);
        if (*mode == Mode::fixed) {
            run.set_up_flight();
        } else {
            run.choose_pattern(*mode);
            run.set_up_flight();
            run.start_flight();
            Frame last;
            for (long long k = 1; k <= ticks; ++k) {
                if ((k & 0x3FFF) == 0) {
                    pyb::gil_scoped_acquire acquire;
                    if (!signals_pass()) {
                        interrupted = true;
                        break;
                    }
                }
                clock.set(cli::clock_at(clock_start, k, dt));
                run.advance_tick(last);
                if (!run.flying()) {
                    fault = run.fault() + "; the picture is of the tick before";
                    break;
                }
            }
            if (!interrupted) run.draw(last, picture);
        }
    }
    if (interrupted) throw pyb::error_already_set();
    const QImage rgb = picture.image().convertToFormat(QImage::Format_RGB888);
    pyb::array_t<uint8_t> out({height, width, 3});
    auto v = out.mutable_unchecked<3>();
    for (int y = 0; y < height; ++y)
        std::memcpy(&v(y, 0, 0), rgb.constScanLine(y), size_t(width) * 3);
    return pyb::make_tuple(out, fault);
}

}  // namespace

}  // namespace soar::py

PYBIND11_MODULE(_picture, m) {
    namespace pyb = pybind11;
    m.doc() = "The raster picture of soarcalculus.render (loads Qt).";
    m.def("render", &soar::py::render);
}
