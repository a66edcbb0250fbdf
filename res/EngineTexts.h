#pragma once

#include <span>
#include <string_view>

// The web engine's own texts in Japanese, for engines whose translations do not include it: its page menu (Back, Forward, Reload, the edit, link, image and media
// items) under the engine's translation context and English source texts. UTF-8.
namespace res {

struct EngineText {
    std::string_view context;
    std::string_view source;
    std::string_view text;
};

std::span<const EngineText> engine_texts();

} // namespace res
