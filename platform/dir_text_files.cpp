#include "platform/dir_text_files.h"

namespace soar {

AtomicFile* DirTextFiles::slot(int number) {
    if (number < 0 || number >= static_cast<int>(slots_.size()) || !slots_[number]) {
        error_ = "file " + std::to_string(number) + " is not open";
        return nullptr;
    }
    return slots_[number];
}

bool DirTextFiles::open(int number, const std::string& name) {
    if (number < 0 || number >= static_cast<int>(slots_.size())) return false;
    const std::string path = dir_.empty() ? name : dir_ + "/" + name;
    AtomicFile* f = set_.find(path);
    if (f != nullptr)
        f->open(path);  // opened again within one set: starts afresh
    else
        f = &set_.add(path);
    if (!f->is_open()) {
        error_ = f->error();
        slots_[number] = nullptr;
        return false;
    }
    slots_[number] = f;
    return true;
}

bool DirTextFiles::write_line(int number, const std::string& text) {
    AtomicFile* f = slot(number);
    if (f == nullptr) return false;
    if (f->write(text) && f->write("\r\n")) return true;
    error_ = f->error();
    return false;
}

bool DirTextFiles::write_record(int number, std::span<const float> values) {
    return write_line(number, record_text(values));
}

bool DirTextFiles::close(int number) {
    if (number < 0 || number >= static_cast<int>(slots_.size()) || !slots_[number]) return true;
    AtomicFile* f = slots_[number];
    slots_[number] = nullptr;
    if (f->finish()) return true;
    error_ = f->error();
    return false;
}

bool DirTextFiles::commit() {
    slots_.fill(nullptr);
    if (set_.commit()) return true;
    error_ = set_.error();
    return false;
}

void DirTextFiles::discard() {
    slots_.fill(nullptr);
    set_.abandon();
}

bool MemoryTextFiles::open(int number, const std::string& name) {
    ++opens;
    if (name == fail_on) {
        error_ = "cannot create \"" + name + "\": injected failure";
        return false;
    }
    names_[number] = name;
    pending_[name].clear();
    return true;
}

bool MemoryTextFiles::write_line(int number, const std::string& text) {
    if (names_[number].empty()) {
        error_ = "file " + std::to_string(number) + " is not open";
        return false;
    }
    pending_[names_[number]] += text + "\r\n";
    return true;
}

bool MemoryTextFiles::write_record(int number, std::span<const float> values) {
    return write_line(number, record_text(values));
}

bool MemoryTextFiles::close(int number) {
    names_[number].clear();
    return true;
}

bool MemoryTextFiles::commit() {
    for (auto& [name, text] : pending_) contents[name] = std::move(text);
    pending_.clear();
    return true;
}

}  // namespace soar
