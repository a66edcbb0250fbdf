#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <fstream>
#include <functional>

#include "TempDir.h"
#include "places/Shortcut.h"
#include "places/ui/PlacesHost.h"

// The test program's application object (created by its main()).
inline QApplication& ui_app()
{
    return *qApp;
}

inline bool wait_until(const std::function<bool()>& condition, int timeout_ms = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeout_ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Records what the views ask of the browser.
class RecordingHost : public PlacesHost {
public:
    void open_in_active_tab(const std::string& url) override { active.push_back(url); }
    void open_in_new_tab(const std::string& url) override { new_tabs.push_back(url); }
    void open_shortcut_in_active_tab(const std::filesystem::path& file) override { active.push_back(file.string()); }
    void open_shortcut_in_new_tab(const std::filesystem::path& file) override { new_tabs.push_back(file.string()); }
    std::string current_url() const override { return url; }
    std::string current_title() const override { return title; }
    void favorites_changed() override { ++changes; }
    void history_changed() override { ++history_changes; }

    std::vector<std::string> active;
    std::vector<std::string> new_tabs;
    std::string url;
    std::string title;
    int changes = 0;
    int history_changes = 0;
};

inline void write_shortcut(const std::filesystem::path& file, const std::string& url)
{
    std::filesystem::create_directories(file.parent_path());
    ASSERT_TRUE(places::write_internet_shortcut(file, url));
}
