#include "platform/headless/dir_text_files.h"

#include <cerrno>
#include <cstring>

namespace soar {

bool DirTextFiles::fail(const std::string& path, const std::string& what) {
    error_ = "cannot " + what + " \"" + path + "\"";
    if (errno != 0) error_ += ": " + std::string(std::strerror(errno));
    return false;
}

bool DirTextFiles::open(int number, const std::string& name) {
    if (number < 0 || number >= static_cast<int>(slots_.size())) return false;
    auto slot = std::make_unique<Slot>();
    slot->path = dir_.empty() ? name : dir_ + "/" + name;
    errno = 0;
    slot->out.open(slot->path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!slot->out) return fail(slot->path, "create");
    slots_[number] = std::move(slot);
    return true;
}

bool DirTextFiles::write_line(int number, const std::string& text) {
    if (number < 0 || number >= static_cast<int>(slots_.size()) || !slots_[number]) {
        error_ = "file " + std::to_string(number) + " is not open";
        return false;
    }
    Slot& s = *slots_[number];
    errno = 0;
    s.out << text << "\r\n";
    if (!s.out) return fail(s.path, "write");
    return true;
}

bool DirTextFiles::write_record(int number, std::span<const float> values) {
    return write_line(number, record_text(values));
}

bool DirTextFiles::close(int number) {
    if (number < 0 || number >= static_cast<int>(slots_.size()) || !slots_[number]) return true;
    Slot& s = *slots_[number];
    errno = 0;
    s.out.close();
    const bool ok = !s.out.fail();
    const std::string path = s.path;
    slots_[number].reset();
    if (!ok) return fail(path, "write");
    return true;
}

bool MemoryTextFiles::open(int number, const std::string& name) {
    ++opens;
    if (name == fail_on) {
        error_ = "cannot create \"" + name + "\": injected failure";
        return false;
    }
    names_[number] = name;
    contents[name].clear();
    return true;
}

bool MemoryTextFiles::write_line(int number, const std::string& text) {
    if (names_[number].empty()) {
        error_ = "file " + std::to_string(number) + " is not open";
        return false;
    }
    contents[names_[number]] += text + "\r\n";
    return true;
}

bool MemoryTextFiles::write_record(int number, std::span<const float> values) {
    return write_line(number, record_text(values));
}

bool MemoryTextFiles::close(int number) {
    names_[number].clear();
    return true;
}

}  // namespace soar
