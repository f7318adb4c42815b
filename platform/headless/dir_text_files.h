// Numbered text files in one directory, written with CR LF line ends; and an
// in-memory variant for tests, which can be told to fail on a given file.
#pragma once

#include <array>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "platform/text_files.h"

namespace soar {

class DirTextFiles final : public TextFiles {
  public:
    explicit DirTextFiles(std::string directory = ".") : dir_(std::move(directory)) {}
    void set_directory(std::string directory) { dir_ = std::move(directory); }
    const std::string& directory() const { return dir_; }

    bool open(int number, const std::string& name) override;
    bool write_line(int number, const std::string& text) override;
    bool write_record(int number, std::span<const float> values) override;
    bool close(int number) override;
    std::string error() const override { return error_; }

  private:
    struct Slot {
        std::ofstream out;
        std::string path;
    };
    bool fail(const std::string& path, const std::string& what);

    std::string dir_;
    std::array<std::unique_ptr<Slot>, 16> slots_{};
    std::string error_;
};

class MemoryTextFiles final : public TextFiles {
  public:
    bool open(int number, const std::string& name) override;
    bool write_line(int number, const std::string& text) override;
    bool write_record(int number, std::span<const float> values) override;
    bool close(int number) override;
    std::string error() const override { return error_; }

    std::map<std::string, std::string> contents;  // file name -> text written
    std::string fail_on;                          // a name whose open fails
    int opens = 0;

  private:
    std::array<std::string, 16> names_{};
    std::string error_;
};

}  // namespace soar
