// The finding helpers the checks of every format share: the file, the checker's
// name and path, and the wording of names that fill their field and of counts
// past a loader's limit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/byte_access.hpp"
#include "check/check_report.hpp"
#include "skeletal/skeletal_layout.hpp"

namespace ossify {

struct file_check {
    const byte_region& file;
    const char* checker;
    const char* path;
    check_report& report;

    void add(const std::string& text) { report.add(checker, path, text); }

    // A finding when a name read from a field of `width` bytes filled it.
    void name_fits(std::string_view name, offset_t width, const std::string& where) {
        if (name.size() >= static_cast<std::size_t>(width))
            add(where + ": the name fills its field of " + std::to_string(width) +
                " bytes without an end; the engine reads past it: shorten it to " +
                std::to_string(width - 1) + " bytes");
    }

    // The name in a 64-byte field; a finding when it fills the field.
    std::string name_at(offset_t at, const std::string& where) {
        const std::string_view field = get_chars(file, at, skeletal_name_width);
        const std::string_view name = field.substr(0, field.find('\0'));
        name_fits(name, skeletal_name_width, where);
        return std::string(name);
    }

    void limit(std::int32_t value, std::int32_t most, const std::string& what,
               const std::string& consequence) {
        if (value > most)
            add(what + "[" + std::to_string(value) + "]: more than " + std::to_string(most) + "; " +
                consequence);
    }

    // A count beyond the original engine's limit and maybe its successor's too.
    void engines_limit(std::int32_t value, std::int32_t original, std::int32_t successor,
                       const std::string& where, const char* noun) {
        if (value > successor)
            limit(value, successor, where + " " + noun,
                  "both engines refuse the model: split the surface");
        else
            limit(value, original, where + " " + noun,
                  "the original engine refuses the model (its successor takes up to " +
                      std::to_string(successor) + "): split the surface");
    }
};

} // namespace ossify
