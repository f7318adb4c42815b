#include "platform/dir_text_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace soar {
namespace {

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(DirTextFiles, WritesLinesAndRecordsWithCrLf) {
    const auto dir = std::filesystem::temp_directory_path() / "soar_dir_text_files";
    std::filesystem::create_directories(dir);
    DirTextFiles files(dir.string());
    ASSERT_TRUE(files.open(1, "a.txt"));
    ASSERT_TRUE(files.write_line(1, " head "));
    const float rec[] = {2.0f, -0.5f, 1.25f};
    ASSERT_TRUE(files.write_record(1, rec));
    ASSERT_TRUE(files.close(1));
    EXPECT_FALSE(std::filesystem::exists(dir / "a.txt"));  // in place only when committed
    ASSERT_TRUE(files.commit());
    EXPECT_EQ(slurp(dir / "a.txt"), " head \r\n2,-0.5,1.25\r\n");
    // Opening again empties the file.
    ASSERT_TRUE(files.open(1, "a.txt"));
    ASSERT_TRUE(files.close(1));
    ASSERT_TRUE(files.commit());
    EXPECT_EQ(slurp(dir / "a.txt"), "");
    std::filesystem::remove_all(dir);
}

TEST(DirTextFiles, ReportsAFileThatCannotBeCreated) {
    DirTextFiles files("/nonexistent/soar/dir");
    EXPECT_FALSE(files.open(1, "xyz.txt"));
    EXPECT_NE(files.error().find("xyz.txt"), std::string::npos);
    EXPECT_FALSE(files.write_line(1, "x"));
}

}  // namespace
}  // namespace soar
