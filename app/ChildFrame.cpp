#include "app/ChildFrame.h"

#include <QCloseEvent>
#include <QScrollArea>

#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "app/TabBrowserWnd.h"
#include "platform/QtText.h"
#include "res/CommandIds.h"

CChildFrame::CChildFrame(CChildFrame* opener) : opener_(opener)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::FramelessWindowHint);
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    browser_ = new CTabBrowserWnd(this);
    scroll_->setWidget(browser_);
    setWidget(scroll_);
    connect(browser_, &CTabBrowserWnd::titleChanged, this, [this](const QString& title) {
        setWindowTitle(title);
        if (CMainFrame* main = theApp().main_frame())
            main->tab_changed(this);
    });
}

void CChildFrame::closeEvent(QCloseEvent* event)
{
    if (CMainFrame* main = theApp().main_frame())
        main->tab_closing(this);
    event->accept();
}

bool CChildFrame::OnCommand(int id)
{
    using namespace res::cmd;
    CMainFrame* main = theApp().main_frame();
    switch (id) {
    case kCloseTab:
        close();
        return true;
    case kCloseOthers:
    case kCloseRight:
    case kCloseLeft:
        if (main)
            main->close_tabs_around(this, id);
        return true;
    }
    return false;
}

bool CChildFrame::OnUpdateCommand(int id, CommandState&)
{
    using namespace res::cmd;
    return id == kCloseTab || id == kCloseOthers || id == kCloseRight || id == kCloseLeft;
}
