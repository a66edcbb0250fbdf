#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <filesystem>
#include <functional>
#include <vector>

#include "app/PageCapture.h"
#include "memo/PackageCache.h"

class CTabBrowserWnd;
class QPrinter;

// Printing, saving and mailing a page together with its memos: the commands of the tab that
// produce output the engine alone would produce without the memos.
namespace page_output {

// True for the commands handled here.
bool handles(int id);
// Runs one of them on a tab; false when the tab has no memo layer.
bool run(CTabBrowserWnd& tab, int id);

// A page title made usable as a file name: \ / : ? * < > | removed.
QString clean_title(const QString& title);
// The name of the memo file written for mailing: the cleaned title, cut to fit a file name,
// with ".ame".
QString mail_file_name(const QString& title);

// The memo packages of the page and its frames that exist, top document first.
std::vector<memo::PackageCache::PackagePtr> page_packages(CTabBrowserWnd& tab);
// Writes them as one memo file (beside, then renamed). False on a write failure.
bool write_memo_file(const std::vector<memo::PackageCache::PackagePtr>& packages, const std::filesystem::path& path);

// Rows of the page taken at a time when a file is written in strips.
constexpr int kStripRows = 2048;

// The overlay page: every placeholder of every line of `source` replaced; the height is the
// image's at a width of 640 pixels.
QString overlay_html(const QString& source, int width, int height, int margin_y);

// The rows [top, top + height) of a picture, taken when needed.
using StripSource = std::function<QImage(int top, int height)>;
// Paints a picture of `size` over as many printer pages as its height needs, scaled to the
// page width, asking for one page's strip at a time.
void print_strips(QPrinter& printer, QSize size, const StripSource& strip);
// The same for a picture held whole.
void print_image(QPrinter& printer, const QImage& image);

// Test hooks, each replacing a dialog when set:
// the save dialog gets the proposed file name and the filter and returns a path or "";
inline std::function<QString(const QString& proposed, const QString& filter)> save_dialog;
// the print dialog gets the printer to set up and returns false to cancel (also for previews).
inline std::function<bool(QPrinter& printer)> print_dialog;

} // namespace page_output
