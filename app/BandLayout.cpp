#include "app/BandLayout.h"

#include <algorithm>

std::vector<BandPlacement> place_bands(const std::vector<settings::BandInfo>& saved,
                                       const std::vector<std::string>& native_bars,
                                       const std::vector<std::string>& tool_bands)
{
    std::vector<BandPlacement> placements;
    std::vector<bool> placed(native_bars.size(), false);
    for (const settings::BandInfo& band : saved) {
        const auto native = std::find(native_bars.begin(), native_bars.end(), band.name);
        if (native != native_bars.end()) {
            const auto index = static_cast<std::size_t>(native - native_bars.begin());
            if (placed[index])
                continue;
            placed[index] = true;
            placements.push_back({band.name, band.cx, band.brk, false});
        } else if (std::find(tool_bands.begin(), tool_bands.end(), band.name) != tool_bands.end()) {
            placements.push_back({band.name, band.cx, band.brk, true});
        }
    }
    for (std::size_t i = 0; i < native_bars.size(); ++i)
        if (!placed[i])
            placements.push_back({native_bars[i], 0, true, false});
    return placements;
}

void remember_closed_page(std::vector<settings::ClosedPage>& pages, settings::ClosedPage page)
{
    pages.insert(pages.begin(), std::move(page));
    if (pages.size() > kMaxClosedPages)
        pages.resize(kMaxClosedPages);
}
