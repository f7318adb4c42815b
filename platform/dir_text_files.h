// Numbered text files in one directory, written with CR LF line ends; and an
// in-memory variant for tests, which can be told to fail on a given file.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>

#include "platform/atomic_file.h"
#include "platform/text_files.h"

namespace soar {

// Each set of files is written beside its targets and renamed into place as a
// whole by commit(): a full disk or a failed write leaves the previous set.
class DirTextFiles final : public TextFiles {
  public:
    explicit DirTextFiles(std::string directory = ".") : dir_(std::move(directory)) {}
    const std::string& directory() const { return dir_; }

    bool open(int number, const std::string& name) override;
    bool write_line(int number, const std::string& text) override;
    bool write_record(int number, std::span<const float> values) override;
    bool close(int number) override;
    bool commit() override;
    void discard() override;
    std::string error() const override { return error_; }

  private:
    AtomicFile* slot(int number);

    std::string dir_;
    AtomicFileSet set_;
    std::array<AtomicFile*, 16> slots_{};  // members of set_ by file number
    std::string error_;
};

class MemoryTextFiles final : public TextFiles {
  public:
    bool open(int number, const std::string& name) override;
    bool write_line(int number, const std::string& text) override;
    bool write_record(int number, std::span<const float> values) override;
    bool close(int number) override;
    bool commit() override;
    void discard() override { pending_.clear(); }
    std::string error() const override { return error_; }

    std::map<std::string, std::string> contents;  // file name -> text committed
    std::string fail_on;                          // a name whose open fails
    int opens = 0;

  private:
    std::array<std::string, 16> names_{};
    std::map<std::string, std::string> pending_;  // written since the last commit
    std::string error_;
};

}  // namespace soar
