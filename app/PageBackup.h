#pragma once

#include <QString>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

class CTabBrowserWnd;

// Backs up a page: the files it uses from its own site, each below the chosen folder in the
// folders of its address path.
namespace page_backup {

// Where a resource goes below `folder`, or nothing when it belongs to another site or its
// path could lead outside the folder ("." or ".." segments, also percent-encoded). Empty
// segments are dropped; characters no file name should hold become "_"; a path ending in
// "/" is saved as "index.html".
std::optional<std::filesystem::path> target_for(const std::filesystem::path& folder, const QUrl& page,
                                                const QUrl& resource);

// The resources of the page: IMG and SCRIPT sources, style sheet links and OBJECT PARAM
// values, absolute against the page address. Empty when the page does not answer.
std::vector<QUrl> page_resources(CTabBrowserWnd& tab);

// Asks for the folder and saves the same-site resources one after the other.
void run(CTabBrowserWnd& tab);
// Number of files written by the last run.
int last_saved_count();

// Test hook: replaces the folder dialog; returns the folder or "".
inline std::function<QString()> folder_dialog;

} // namespace page_backup
