#pragma once

#include <string>
#include <unordered_map>

#include "places/ui/PlacesHost.h"

class QMenu;
class QStackedWidget;
namespace ui {
class BandBar;
}
class QWidget;

// The favorites, history and link views as parts of the main frame, acting through the
// application's tabs.
class AppPlacesHost : public PlacesHost {
public:
    static AppPlacesHost& instance();

    void open_in_active_tab(const std::string& url) override;
    void open_in_new_tab(const std::string& url) override;
    void open_shortcut_in_active_tab(const std::filesystem::path& file) override;
    void open_shortcut_in_new_tab(const std::filesystem::path& file) override;
    std::string current_url() const override;
    std::string current_title() const override;
    std::string title_of(const std::string& url) const override;
    void favorites_changed() override;
    void history_changed() override;

    // A tab showed the page under this title.
    void remember_title(const std::string& url, const std::string& title);

private:
    std::unordered_map<std::string, std::string> titles_;
};

// Put the favorites pane at index 0 and the history pane at index 2 of the explorer bar.
void install_favorites_pane(QStackedWidget* panes);
void install_history_pane(QStackedWidget* panes);
// The link band of the main frame under its band name.
ui::BandBar* create_link_band(QWidget* frame, const char* band_name);
// The favorites menu's tail: the favorites folder's items.
void fill_favorites_popup(QMenu* menu);
// Add to favorites (32808) and organise favorites (32810).
bool run_favorites_command(int id);
