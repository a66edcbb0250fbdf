#pragma once

#include "settings/SettingsFile.h"

class CMainFrame;

// What the settings file records of the running main frame: its tabs, bars, explorer bar,
// band layout and maximized state.
class FrameStateSampler : public settings::FrameState {
public:
    explicit FrameStateSampler(const CMainFrame& frame) : frame_(frame) {}

    std::vector<settings::OpenTab> open_tabs() const override;
    settings::BarVisibility bars() const override;
    settings::Rect explorer_rect() const override;
    bool maximized() const override;
    std::vector<settings::RebarBand> bands() const override;

private:
    const CMainFrame& frame_;
};
