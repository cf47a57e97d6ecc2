// The configuration reader on arbitrary text.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "driver/tool_config.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto config = std::make_unique<ossify::tool_config>();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ossify::load_config_text(text, *config);
    return 0;
}
