#include "platform/text_files.h"

#include "platform/number_text.h"

namespace soar {

std::string record_text(std::span<const float> values) {
    std::string line;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) line += ',';
        line += float_text(values[i]);
    }
    return line;
}

}  // namespace soar
