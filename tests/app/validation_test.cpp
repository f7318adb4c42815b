// docs/validation.md: each row's command, run in the program, prints every
// value that the row's "program" column quotes. The table cannot drift from
// the program without failing here.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli.h"

namespace soar {
namespace {

std::vector<std::string> cells_of(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream in(line);
    std::string cell;
    std::getline(in, cell, '|');  // before the first bar
    while (std::getline(in, cell, '|')) out.push_back(cell);
    return out;
}

// The texts between pairs of backticks.
std::vector<std::string> quoted(const std::string& cell) {
    std::vector<std::string> out;
    for (size_t at = cell.find('`'); at != std::string::npos;) {
        const size_t end = cell.find('`', at + 1);
        if (end == std::string::npos) break;
        out.push_back(cell.substr(at + 1, end - at - 1));
        at = cell.find('`', end + 1);
    }
    return out;
}

// The command's exit status and everything it printed on both streams.
std::pair<int, std::string> run(const std::string& command) {
    std::vector<std::string> args;
    std::stringstream words(command);
    for (std::string w; words >> w;) args.push_back(w);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int code = cli_main(int(argv.size()), argv.data(), RasterSupport{}, nullptr);
    std::string out = testing::internal::GetCapturedStdout();
    out += testing::internal::GetCapturedStderr();
    return {code, out};
}

TEST(Validation, EveryRowOfTheTableIsWhatItsCommandPrints) {
    std::ifstream in(std::string(SOAR_SOURCE_DIR) + "/docs/validation.md");
    ASSERT_TRUE(in) << "docs/validation.md";
    int program = -1, command = -1;
    size_t columns = 0;
    std::map<std::string, std::pair<int, std::string>> ran;  // a command runs once
    int rows = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("| # |", 0) == 0) {
            const auto head = cells_of(line);
            columns = head.size();
            for (size_t i = 0; i < head.size(); ++i) {
                if (head[i] == " program ") program = int(i);
                if (head[i] == " command ") command = int(i);
            }
            continue;
        }
        if (program < 0 || line.rfind("| ", 0) != 0) continue;
        const auto cells = cells_of(line);
        ASSERT_EQ(cells.size(), columns) << line;
        const auto commands = quoted(cells[size_t(command)]);
        ASSERT_EQ(commands.size(), 1u) << line;
        ASSERT_EQ(commands[0].rfind("soarcalculus ", 0), 0u) << line;
        const auto values = quoted(cells[size_t(program)]);
        ASSERT_FALSE(values.empty()) << line;
        if (!ran.count(commands[0])) ran[commands[0]] = run(commands[0]);
        const auto& [code, out] = ran[commands[0]];
        EXPECT_TRUE(code == 0 || code == 1) << commands[0] << " exited " << code << "\n" << out;
        for (const std::string& v : values)
            EXPECT_NE(out.find(v), std::string::npos)
                << "row" << cells[0] << ": \"" << v << "\" not in the output of " << commands[0]
                << ":\n"
                << out;
        ++rows;
    }
    EXPECT_GE(rows, 18);  // the table was found and read whole
}

}  // namespace
}  // namespace soar
