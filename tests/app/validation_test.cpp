// docs/validation.md: each row's command, run in the program, prints every
// value that the row's "program" column quotes. The table cannot drift from
// the program without failing here. Each row is a test of its own
// (ValidationTable/Row.*/row_N), which ctest runs as its own process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
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

// A row of the table: its number, its line, its command cell's and its
// program cell's quoted texts.
struct Row {
    std::string number, name;  // the name: row_<number>, unique among the tests
    std::string line;
    size_t cells = 0, columns = 0;
    std::vector<std::string> commands, values;
};

// A failing row's test shows its line of the table.
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.line;
}

std::vector<Row> table_rows() {
    std::ifstream in(std::string(SOAR_SOURCE_DIR) + "/docs/validation.md");
    std::vector<Row> rows;
    int program = -1, command = -1;
    size_t columns = 0;
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
        if (program < 0 || command < 0 || line.rfind("| ", 0) != 0) continue;
        const auto cells = cells_of(line);
        Row row;
        row.line = line;
        row.cells = cells.size();
        row.columns = columns;
        if (!cells.empty()) {
            std::stringstream number(cells[0]);
            number >> row.number;
        }
        if (cells.size() == columns) {
            row.commands = quoted(cells[size_t(command)]);
            row.values = quoted(cells[size_t(program)]);
        }
        row.name = "row_";
        for (char c : row.number) row.name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        for (const Row& before : rows)
            if (before.name == row.name) row.name += "_line_" + std::to_string(rows.size() + 1);
        rows.push_back(row);
    }
    return rows;
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

// The table is found, read whole, and every row names one command of the
// program and at least one value it prints (without running them).
TEST(ValidationTable, EveryRowNamesACommandAndItsFigures) {
    const auto rows = table_rows();
    EXPECT_GE(rows.size(), 18u) << "docs/validation.md";
    std::vector<std::string> numbers;
    for (const Row& row : rows) {
        EXPECT_EQ(row.cells, row.columns) << row.line;
        ASSERT_EQ(row.commands.size(), 1u) << row.line;
        EXPECT_EQ(row.commands[0].rfind("soarcalculus ", 0), 0u) << row.line;
        EXPECT_FALSE(row.values.empty()) << row.line;
        EXPECT_EQ(std::count(numbers.begin(), numbers.end(), row.number), 0) << row.line;
        numbers.push_back(row.number);
    }
}

class ValidationRow : public testing::TestWithParam<Row> {};

TEST_P(ValidationRow, ItsCommandPrintsTheQuotedValues) {
    const Row& row = GetParam();
    ASSERT_EQ(row.commands.size(), 1u) << row.line;
    ASSERT_FALSE(row.values.empty()) << row.line;
    const auto [code, out] = run(row.commands[0]);
    EXPECT_TRUE(code == 0 || code == 1) << row.commands[0] << " exited " << code << "\n" << out;
    for (const std::string& v : row.values)
        EXPECT_NE(out.find(v), std::string::npos)
            << "row " << row.number << ": \"" << v << "\" not in the output of " << row.commands[0]
            << ":\n"
            << out;
}

std::string row_name(const testing::TestParamInfo<Row>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(ValidationTable, ValidationRow, testing::ValuesIn(table_rows()), row_name);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ValidationRow);

}  // namespace
}  // namespace soar
