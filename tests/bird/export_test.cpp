#include "bird/export.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "bird/build.h"
#include "headless/recording_surface.h"
#include "view/bird_drawing.h"

namespace soar {
namespace {

// Files that fail on a chosen write (counted over all files) or close, and keep
// track of what is open.
class FlakyFiles final : public TextFiles {
  public:
    int fail_write_at = -1, fail_close_of = -1;
    int writes = 0, writes_after_failure = 0;
    std::set<int> open_now;

    bool open(int number, const std::string&) override { return open_now.insert(number), true; }
    bool write_line(int number, const std::string&) override { return write(number); }
    bool write_record(int number, std::span<const float>) override { return write(number); }
    bool close(int number) override {
        open_now.erase(number);
        if (number != fail_close_of) return true;
        why_ = "disk full";
        return false;
    }
    std::string error() const override { return why_; }

  private:
    bool write(int number) {
        EXPECT_TRUE(open_now.count(number)) << "write to closed file " << number;
        if (!why_.empty()) ++writes_after_failure;
        if (writes++ != fail_write_at) return true;
        why_ = "no space left on device";
        return false;
    }
    std::string why_;
};

ExportResult draw_into(FlakyFiles& files, RecordingSurface& pic) {
    BirdModel m;
    bird_build(m);
    Camera c;
    c.y_eye = -3.0f, c.zoom_deg = 45.0f, c.aspect = 1.25f;
    update_view(c, pic);
    return draw_bird(m, BirdPose{{}, 1.0f}, c, Shift{}, pic, &files);
}

TEST(BirdExport, WriteFailureStopsTheExportNotTheDrawing) {
    for (int at : {0, 8, 9, 500, 2000}) {  // header, first separator, records
        RecordingSurface pic;
        FlakyFiles files;
        files.fail_write_at = at;
        const ExportResult r = draw_into(files, pic);
        EXPECT_FALSE(r.ok) << at;
        EXPECT_NE(r.error.find("no space left on device"), std::string::npos) << r.error;
        EXPECT_NE(r.error.find(".txt"), std::string::npos) << r.error;
        EXPECT_EQ(files.writes_after_failure, 0) << at;
        EXPECT_TRUE(files.open_now.empty()) << at;
        EXPECT_GT(pic.lines(), 1000) << at;
    }
}

TEST(BirdExport, FailedCloseIsNotSuccess) {
    RecordingSurface pic;
    FlakyFiles files;
    files.fail_close_of = 4;
    const ExportResult r = draw_into(files, pic);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("xyz_sp.txt"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("disk full"), std::string::npos) << r.error;
    EXPECT_TRUE(files.open_now.empty());

    FlakyFiles abandoned;  // a drawing cut short still closes its files
    { BirdExport out(abandoned, true); }
    EXPECT_EQ(abandoned.writes, 8);  // the header lines
    EXPECT_TRUE(abandoned.open_now.empty());
}

}  // namespace
}  // namespace soar
