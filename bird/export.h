// The geometry export: while "Write to File" is on, every point the bird renderer
// draws is written, in model-scaled, observer and picture coordinates, to
// "xyz.txt" and to its component's file. Each drawing rewrites all eight files.
#pragma once

#include <array>
#include <span>
#include <string>

#include "platform/text_files.h"

namespace soar {

struct ExportResult {
    bool ok = true;     // false: a file could not be created or written
    std::string error;  // which file and why
};

// File numbers 1..8 and their names.
inline constexpr std::array<const char*, 8> kExportNames = {
    "xyz.txt",    "xyz_wp.txt", "xyz_ws.txt", "xyz_sp.txt",
    "xyz_bm.txt", "xyz_eq.txt", "xyz_bs.txt", "xyz_ee.txt",
};
inline constexpr int kExportAll = 1;  // the file that gets every point

// One drawing's export. A file that cannot be created or written does not stop the
// drawing: the first failure is kept, every open file is closed, nothing more is
// written and the files of the previous drawing stay as they were; finish()
// reports it. Only a complete set of eight replaces the previous set.
class BirdExport {
  public:
    // With `enabled`, creates (or empties) files 1 to 8 and writes their headers.
    BirdExport(TextFiles& files, bool enabled);
    ~BirdExport();
    BirdExport(const BirdExport&) = delete;
    BirdExport& operator=(const BirdExport&) = delete;

    bool writing() const { return writing_; }
    // A new polyline: an empty line to xyz.txt, a line of one blank to `file`.
    void begin_polyline(int file);
    // One point's record (element, section, x, y, z, xr, yr, zr, xp, zp) to `file`,
    // then to xyz.txt.
    void record(int file, std::span<const float, 10> values);
    // Closes files 1 to 8; the result says whether every file was fully written.
    ExportResult finish();

  private:
    void fail(int number, const std::string& why);
    void close_all();
    bool write_line(int number, const std::string& text);

    TextFiles& files_;
    bool writing_ = false;
    bool enabled_ = false;
    bool committed_ = false;
    std::array<bool, 9> open_{};  // by file number, 1..8
    ExportResult result_;
};

}  // namespace soar
