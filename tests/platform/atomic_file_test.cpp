#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/dir_text_files.h"
#include "tests/disk_full.h"

namespace soar {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct AtomicFiles : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("soar_atomic_" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    size_t entries() const { return size_t(std::distance(fs::directory_iterator(dir), {})); }
};

TEST_F(AtomicFiles, ReplacesTheFileOnlyWhenComplete) {
    const fs::path p = dir / "out.csv";
    std::string error;
    ASSERT_TRUE(write_file_atomically(p.string(), "old\n", error)) << error;
    fs::permissions(p, fs::perms(0640));

    AtomicFile f;
    ASSERT_TRUE(f.open(p.string()));
    ASSERT_TRUE(f.write(std::string(300000, 'x')));  // past the buffer: on the disk already
    EXPECT_EQ(slurp(p), "old\n");                    // but not in place of the old file
    ASSERT_TRUE(f.commit()) << f.error();
    EXPECT_EQ(slurp(p), std::string(300000, 'x'));
    EXPECT_EQ(fs::status(p).permissions() & fs::perms::all, fs::perms(0640));  // kept
    EXPECT_EQ(entries(), 1u);                                                  // no temporary left

    AtomicFile dropped;  // abandoned, explicitly or by going out of scope
    ASSERT_TRUE(dropped.open(p.string()));
    dropped.write("new");
    dropped.abandon();
    {
        AtomicFile unfinished;
        unfinished.open(p.string()), unfinished.write("new");
    }
    EXPECT_EQ(slurp(p), std::string(300000, 'x'));
    EXPECT_EQ(entries(), 1u);
}

TEST_F(AtomicFiles, FullDiskLeavesThePreviousFileAndSaysWhy) {
    const fs::path p = dir / "out.csv";
    std::string error;
    ASSERT_TRUE(write_file_atomically(p.string(), "previous\n", error));
    {
        DiskFullAfter limit(100000);
        EXPECT_FALSE(write_file_atomically(p.string(), std::string(500000, 'y'), error));
        // A small file still fits: the failure is the disk's, not the writer's.
        EXPECT_TRUE(write_file_atomically((dir / "small").string(), "ok", error)) << error;
    }
    EXPECT_EQ(slurp(p), "previous\n");
    EXPECT_NE(error.find("out.csv"), std::string::npos) << error;
    EXPECT_NE(error.find("too large"), std::string::npos) << error;  // strerror(EFBIG)
    EXPECT_EQ(entries(), 2u);

    // A device is written in place, and its refusal is noticed.
    if (fs::exists("/dev/full")) {
        EXPECT_FALSE(write_file_atomically("/dev/full", "x", error));
        EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
    }
    EXPECT_FALSE(write_file_atomically((dir / "no/such/folder/x").string(), "x", error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST_F(AtomicFiles, ThroughALinkTheLinkedFileIsReplaced) {
    const fs::path real = dir / "real.txt", link = dir / "link.txt";
    std::string error;
    ASSERT_TRUE(write_file_atomically(real.string(), "a", error));
    fs::create_symlink(real, link);
    ASSERT_TRUE(write_file_atomically(link.string(), "b", error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(slurp(real), "b");
}

TEST_F(AtomicFiles, ASetIsReplacedWholeOrNotAtAll) {
    std::string error;
    for (const char* name : {"a.txt", "b.txt"})
        ASSERT_TRUE(write_file_atomically((dir / name).string(), "old", error));
    {
        AtomicFileSet set;
        set.add((dir / "a.txt").string()).write("new a");
        set.add((dir / "b.txt").string()).write("new b");
        set.add((dir / "c.txt").string()).write("new c");
        DiskFullAfter limit(4);  // "new c" is the first file to hit the full disk
        EXPECT_FALSE(set.commit());
        EXPECT_NE(set.error().find("a.txt"), std::string::npos) << set.error();
    }
    EXPECT_EQ(slurp(dir / "a.txt"), "old");
    EXPECT_EQ(slurp(dir / "b.txt"), "old");
    EXPECT_FALSE(fs::exists(dir / "c.txt"));
    EXPECT_EQ(entries(), 2u);

    AtomicFileSet set;
    set.add((dir / "a.txt").string()).write("new a");
    set.add((dir / "c.txt").string()).write("new c");
    ASSERT_TRUE(set.commit()) << set.error();
    EXPECT_EQ(slurp(dir / "a.txt"), "new a");
    EXPECT_EQ(slurp(dir / "c.txt"), "new c");
    EXPECT_EQ(entries(), 3u);
}

TEST_F(AtomicFiles, DirTextFilesKeepThePreviousSetOnAFailedWrite) {
    DirTextFiles files(dir.string());
    const char* const names[] = {"f1.txt", "f2.txt", "f3.txt"};
    const auto write_set = [&](const std::string& text) {
        bool ok = true;
        for (int n = 1; n <= 3; ++n)
            ok = ok && files.open(n, names[n - 1]) && files.write_line(n, text) && files.close(n);
        if (ok) return files.commit();
        files.discard();
        return false;
    };
    ASSERT_TRUE(write_set("first")) << files.error();
    {
        DiskFullAfter limit(1000);
        EXPECT_FALSE(write_set(std::string(5000, 'z')));
    }
    EXPECT_NE(files.error().find("f1.txt"), std::string::npos) << files.error();
    for (const char* name : names) EXPECT_EQ(slurp(dir / name), "first\r\n") << name;
    EXPECT_EQ(entries(), 3u);
}

TEST_F(AtomicFiles, OutputPathsAreCheckedBeforeAnyWork) {
    std::string error;
    EXPECT_TRUE(output_path_usable((dir / "new.csv").string(), error));
    EXPECT_TRUE(output_path_usable("plain-name.csv", error));
    EXPECT_TRUE(output_path_usable("/dev/null", error));
    EXPECT_FALSE(output_path_usable("", error));
    EXPECT_FALSE(output_path_usable(dir.string(), error));
    EXPECT_FALSE(output_path_usable((dir / "missing/x.csv").string(), error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

}  // namespace
}  // namespace soar
