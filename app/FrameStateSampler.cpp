#include "app/FrameStateSampler.h"

#include <QDockWidget>
#include <QStatusBar>
#include <QToolBar>

#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/TabBrowserWnd.h"
#include "app/ToolBands.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"

std::vector<settings::OpenTab> FrameStateSampler::open_tabs() const
{
    std::vector<settings::OpenTab> open;
    // In strip order: each reopened tab opens after the one before, so the strip comes back
    // as it was.
    for (const CChildFrame* tab : frame_.tabs()) {
        const CTabBrowserWnd* browser = tab->browser();
        open.push_back({platform::model_url(browser->address_to_reopen()), browser->navigation_lock(),
                        browser->auto_refresh(), browser->back_entries()});
    }
    return open;
}

settings::BarVisibility FrameStateSampler::bars() const
{
    settings::BarVisibility visible;
    visible.toolbar = frame_.bar_visible(CMainFrame::kNaviBarBand);
    visible.addrbar = frame_.bar_visible(CMainFrame::kAddressBarBand);
    visible.linkbar = frame_.bar_visible(CMainFrame::kLinkBarBand);
    visible.drawbar = frame_.drawing_bar_visible();
    visible.statbar = frame_.status()->isVisible();
    const int pane = frame_.explorer_pane();
    visible.favobar = pane == 0;
    visible.memobar = pane == 1;
    visible.histbar = pane == 2;
    return visible;
}

settings::Rect FrameStateSampler::explorer_rect() const
{
    const QDockWidget* bar = frame_.explorer_bar();
    const QRect area(bar->mapToGlobal(QPoint(0, 0)), bar->size());
    return {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

bool FrameStateSampler::maximized() const
{
    return frame_.isMaximized();
}

// The top bands in the order they are laid out: row by row, left to right.
std::vector<settings::RebarBand> FrameStateSampler::bands() const
{
    std::vector<QToolBar*> top;
    for (QToolBar* bar : frame_.findChildren<QToolBar*>())
        if (frame_.toolBarArea(bar) == Qt::TopToolBarArea &&
            (bar->objectName().startsWith(QStringLiteral("Native:")) || bar->property(ToolBands::kBandProperty).toBool()))
            top.push_back(bar);
    std::sort(top.begin(), top.end(), [](const QToolBar* a, const QToolBar* b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    std::vector<settings::RebarBand> bands;
    int last_row = -1;
    for (QToolBar* bar : top) {
        const bool new_row = bar->y() != last_row;
        last_row = bar->y();
        bands.push_back({bar->objectName().toStdString(), static_cast<std::uint32_t>(bar->width()),
                         new_row && !bands.empty(), bar->isVisible()});
    }
    return bands;
}
