#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "settings/Settings.h"

class QTabWidget;

namespace platform {
class RegistryStore;
}

namespace settings::ui {

class CAppSettingPage;
class CAppSettingPageFolder;
class CAppSettingPageBrowser;
class CAppSettingPageProxy;
class CAppSettingEndProc;
class CAppSettingPageMouseGesture;
class CAppSettingPageKey;
class CAppSettingPageDisplay;
class CAppSettingPageSearch;
class CAppSettingPageNetwork;
class CAppSettingPageReg;
class FileAssociations;

// What the sheet needs from the running program besides the settings.
struct SheetContext {
    QString engine_user_agent;                    // the engine's own user agent
    platform::RegistryStore* registry = nullptr;  // file associations; null hides their effect
    QString executable;                           // the program the associations open
    QString home_page;                            // the browser page's home page
    QString current_page;                         // the active tab's page, or empty
};

// The settings sheet: ten pages over copies of the settings. OK checks every page, then
// copies every page back into the settings and rebuilds the gesture table; a page whose input
// cannot be taken keeps the sheet open on that page. Cancel changes nothing.
class CAppSettingPSheet : public QDialog {
    Q_OBJECT
public:
    CAppSettingPSheet(Settings& settings, const SheetContext& context, QWidget* parent = nullptr);
    ~CAppSettingPSheet() override;

    QTabWidget* tabs() const { return tabs_; }
    CAppSettingPageFolder* folder_page;
    CAppSettingPageBrowser* browser_page;
    CAppSettingPageProxy* proxy_page;
    CAppSettingEndProc* end_page;
    CAppSettingPageMouseGesture* gesture_page;
    CAppSettingPageKey* key_page;
    CAppSettingPageDisplay* display_page;
    CAppSettingPageSearch* search_page;
    CAppSettingPageNetwork* network_page;
    CAppSettingPageReg* association_page;

    void accept() override;

private:
    // Checks a page; shows its message and brings it to the front when it cannot be taken.
    bool check_page(int index);

    Settings& settings_;
    std::unique_ptr<FileAssociations> associations_;
    std::vector<CAppSettingPage*> pages_;
    QTabWidget* tabs_;
    int shown_page_ = 0;
};

} // namespace settings::ui
