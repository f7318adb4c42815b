#include "record/save_file.h"

#include "platform/atomic_file.h"

namespace soar {

bool save_file(const std::string& path, std::string_view bytes, std::string& error) {
    return write_file_atomically(path, bytes, error);
}

}  // namespace soar
