#include "bird/export.h"

namespace soar {

namespace {

const std::string kHeader = " element, section, x, y, z, xr, yr, zr, xp, zp ";

std::string file_name(int number) {
    return kExportNames[static_cast<size_t>(number - 1)];
}

}  // namespace

BirdExport::BirdExport(TextFiles& files, bool enabled)
    : files_(files), writing_(enabled), enabled_(enabled) {
    if (!writing_) return;
    for (int n = 1; n <= 8 && writing_; ++n) {
        if (files_.open(n, file_name(n)))
            open_[static_cast<size_t>(n)] = true;
        else
            fail(n, files_.error());
    }
    for (int n = 1; n <= 8 && writing_; ++n) write_line(n, kHeader);
}

BirdExport::~BirdExport() {
    close_all();
}

void BirdExport::fail(int number, const std::string& why) {
    if (result_.ok) {
        result_.ok = false;
        result_.error = "export file " + file_name(number) + ": " + why;
    }
    writing_ = false;
    close_all();
}

void BirdExport::close_all() {
    for (int n = 1; n <= 8; ++n) {
        if (!open_[static_cast<size_t>(n)]) continue;
        open_[static_cast<size_t>(n)] = false;
        files_.close(n);
    }
    // Whatever was written of an unfinished set is dropped: the previous files stay.
    if (enabled_ && !committed_) files_.discard();
}

bool BirdExport::write_line(int number, const std::string& text) {
    if (!writing_) return false;
    if (files_.write_line(number, text)) return true;
    fail(number, files_.error());
    return false;
}

void BirdExport::begin_polyline(int file) {
    if (write_line(kExportAll, "")) write_line(file, " ");
}

void BirdExport::record(int file, std::span<const float, 10> values) {
    if (!writing_) return;
    if (!files_.write_record(file, values)) {
        fail(file, files_.error());
        return;
    }
    if (!files_.write_record(kExportAll, values)) fail(kExportAll, files_.error());
}

ExportResult BirdExport::finish() {
    // Closing flushes: a full disk shows up here, and must not pass as success.
    for (int n = 1; n <= 8 && writing_; ++n) {
        open_[static_cast<size_t>(n)] = false;
        if (!files_.close(n)) fail(n, files_.error());
    }
    // The eight files replace the previous eight together, or not at all.
    if (writing_) {
        if (files_.commit())
            committed_ = true;
        else
            fail(kExportAll, files_.error());
    }
    writing_ = false;
    close_all();
    return result_;
}

}  // namespace soar
