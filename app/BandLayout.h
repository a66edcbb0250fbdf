#pragma once

#include <string>
#include <vector>

#include "settings/Settings.h"

// Where each band of the top bar area goes at start-up.
struct BandPlacement {
    std::string name;
    unsigned cx = 0;      // 0: the band's own width
    bool new_row = false;
    bool tool_band = false;
};

// Places the native bars and tool bands from the saved layout: saved entries in order (a
// native bar or an installed tool band of that name; unknown names are skipped), then every
// native bar the layout did not name, each on its own row. With no saved layout the native
// bars come in their own order, each on its own row.
std::vector<BandPlacement> place_bands(const std::vector<settings::BandInfo>& saved,
                                       const std::vector<std::string>& native_bars,
                                       const std::vector<std::string>& tool_bands);

// Records a closed page at the front of the recently closed list, keeping the 20 newest.
void remember_closed_page(std::vector<settings::ClosedPage>& pages, settings::ClosedPage page);
inline constexpr std::size_t kMaxClosedPages = 20;
