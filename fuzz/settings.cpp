// The settings file read from untrusted bytes. Whatever a load accepts, saving it must give a
// file that loads again with the same lists.
#include <cstdint>
#include <cstdlib>

#include "settings/SettingsFile.h"

namespace {

class SavedFrame : public settings::FrameState {
public:
    explicit SavedFrame(const settings::Settings& s) : s_(s) {}
    std::vector<settings::OpenTab> open_tabs() const override
    {
        std::vector<settings::OpenTab> tabs;
        for (const settings::LastOpenSite& site : s_.lastopen)
            tabs.push_back({site.url, site.lock, site.reload, site.log});
        return tabs;
    }
    settings::BarVisibility bars() const override { return {}; }
    settings::Rect explorer_rect() const override { return s_.exprect; }
    bool maximized() const override { return s_.maximized != 0; }
    std::vector<settings::RebarBand> bands() const override
    {
        std::vector<settings::RebarBand> bands;
        for (const settings::BandInfo& band : s_.bandinfo)
            bands.push_back({band.name, band.cx, band.brk, true});
        return bands;
    }

private:
    const settings::Settings& s_;
};

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    settings::Settings first;
    settings::load_settings_from_buffer(first, data, size);

    SavedFrame frame(first);
    const std::string bytes = settings::compose_settings_file(first, frame);
    settings::Settings second;
    require(settings::load_settings_from_buffer(second, bytes.data(), bytes.size()));
    require(second.lastopen.size() == first.lastopen.size());
    for (std::size_t i = 0; i < first.lastopen.size(); ++i)
        require(second.lastopen[i].log.size() == (first.del_hist ? 0 : first.lastopen[i].log.size()));
    require(second.bandinfo.size() == first.bandinfo.size());
    require(second.lastclose.size() == (first.del_tabhist ? 0 : first.lastclose.size()));
    require(second.private_areas.size() == first.private_areas.size());
    require(second.proxy.size() == first.proxy.size());
    require(second.gestures == first.gestures);
    require(second.keys == first.keys);
    require(second.server_addr() == first.server_addr());
    require(second.securityflag == first.securityflag);
    return 0;
}
