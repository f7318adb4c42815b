#include "bird/export.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>

#include "bird/build.h"
#include "platform/headless/recording_surface.h"
#include "view/projection.h"

namespace soar {
namespace {

// Files that fail on a chosen write (counted over all files) or close, and keep
// track of what is open.
class FlakyFiles final : public TextFiles {
  public:
    int fail_write_at = -1;  // 0-based index of the write that fails
    int fail_close_of = -1;  // file number whose close fails
    int writes = 0, writes_after_failure = 0;
    bool failed = false;
    std::set<int> open_now;

    bool open(int number, const std::string&) override {
        open_now.insert(number);
        return true;
    }
    bool write_line(int number, const std::string&) override { return write(number); }
    bool write_record(int number, std::span<const float>) override { return write(number); }
    bool close(int number) override {
        open_now.erase(number);
        if (number == fail_close_of) {
            failed = true;
            why_ = "disk full";
            return false;
        }
        return true;
    }
    std::string error() const override { return why_; }

  private:
    bool write(int number) {
        EXPECT_TRUE(open_now.count(number)) << "write to closed file " << number;
        if (failed) ++writes_after_failure;
        if (writes++ == fail_write_at) {
            failed = true;
            why_ = "no space left on device";
            return false;
        }
        return true;
    }
    std::string why_;
};

State drawable_bird(Surface& pic) {
    State s;
    bird_build(s);
    s.bird_scale = 1.0f;
    s.yep = -3.0f;
    s.zoom_deg = 45.0f;
    s.pic_aspect = 1.25f;
    s.write_flag = 1;
    ome_sig_scale(s, pic);
    return s;
}

TEST(BirdExport, WriteFailureStopsTheExportButNotTheDrawing) {
    for (int at : {0, 5, 8, 9, 500, 2000}) {
        RecordingSurface pic;
        State s = drawable_bird(pic);
        FlakyFiles files;
        files.fail_write_at = at;
        const ExportResult r = bird_draw(s, pic, files);
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
    State s = drawable_bird(pic);
    FlakyFiles files;
    files.fail_close_of = 4;
    const ExportResult r = bird_draw(s, pic, files);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("xyz_sp.txt"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("disk full"), std::string::npos) << r.error;
    EXPECT_TRUE(files.open_now.empty());
}

TEST(BirdExport, ClosesFilesWhenTheDrawingIsAbandoned) {
    FlakyFiles files;
    {
        BirdExport out(files, true);
        EXPECT_TRUE(out.writing());
        EXPECT_EQ(files.open_now.size(), 8u);
        EXPECT_EQ(files.writes, 8);  // one header line each
    }
    EXPECT_TRUE(files.open_now.empty());

    FlakyFiles untouched;
    {
        BirdExport out(untouched, false);
        out.begin_polyline(3);
        const std::array<float, 10> rec{};
        out.record(3, rec);
        EXPECT_TRUE(out.finish().ok);
    }
    EXPECT_EQ(untouched.writes, 0);
}

}  // namespace
}  // namespace soar
