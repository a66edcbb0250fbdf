#pragma once

#include <filesystem>
#include <string>

// What the favorites, history and link views ask of the browser around them. The application
// implements it; tests record the calls. URLs and titles are model text (Shift_JIS).
class PlacesHost {
public:
    virtual ~PlacesHost() = default;

    // Navigates the active tab and returns to browse mode; opens a new tab when none is open.
    virtual void open_in_active_tab(const std::string& url) = 0;
    virtual void open_in_new_tab(const std::string& url) = 0;
    // The same for the address an internet shortcut names.
    virtual void open_shortcut_in_active_tab(const std::filesystem::path& file) = 0;
    virtual void open_shortcut_in_new_tab(const std::filesystem::path& file) = 0;

    // The page of the active tab; empty when no tab is open. Its title is native text (UTF-8),
    // as the name of a favorite's file takes it whole.
    virtual std::string current_url() const = 0;
    virtual std::string current_title() const = 0;
    // The title of a page as far as the browser knows it (pages shown in this run); empty
    // when unknown. The history file keeps no titles.
    virtual std::string title_of(const std::string& /*url*/) const { return {}; }

    // The favorites folder or one of its items changed: the order list has been updated and
    // is to be saved.
    virtual void favorites_changed() = 0;
    // Entries were removed from the history (the address bar's list shows them no more).
    virtual void history_changed() {}
};
