// Numbered output text files (the geometry export). Lines end with CR LF.
// Every operation reports failure instead of throwing: the caller decides what
// the user is told. The files written and closed since the last commit() form
// one set: commit() puts them in place together, and until then (or after
// discard()) the files of the previous set stay as they were.
#pragma once

#include <span>
#include <string>

namespace soar {

class TextFiles {
  public:
    virtual ~TextFiles() = default;
    // Create or empty file `number` under `name`. False when it cannot be opened;
    // error() then says why.
    virtual bool open(int number, const std::string& name) = 0;
    virtual bool write_line(int number, const std::string& text) = 0;
    // Numbers separated by commas, no blanks, "." as decimal separator.
    virtual bool write_record(int number, std::span<const float> values) = 0;
    virtual bool close(int number) = 0;
    // Replaces the previous files by the closed set; false (error() says why)
    // leaves every previous file untouched.
    virtual bool commit() { return true; }
    // Drops what was written since the last commit.
    virtual void discard() {}
    virtual std::string error() const = 0;
};

// The record text: each value in the general text form, joined by commas.
std::string record_text(std::span<const float> values);

}  // namespace soar
