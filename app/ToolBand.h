#pragma once

#include <QSize>
#include <QString>
#include <QUrl>
#include <QtPlugin>

class QWebEnginePage;
class QWidget;

// What a tool band acts on: the active tab's browser, or a hidden browser that shows nothing
// while no tab is open. Every call goes to whichever is current at the time of the call.
class ToolBandSite {
public:
    virtual ~ToolBandSite() = default;
    virtual QUrl LocationURL() const = 0;
    virtual QString LocationName() const = 0;
    virtual bool Busy() const = 0;
    virtual void Navigate(const QUrl& url) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void Refresh() = 0;
    virtual void Stop() = 0;
    // Anything else a band needs: the current page itself.
    virtual QWebEnginePage* Page() const = 0;
};

// One tool band: a widget in the top bar area that gets the frame's site when it is created
// and loses it when the frame goes away.
class ToolBand {
public:
    virtual ~ToolBand() = default;
    // Creates the band's window; the site stays valid until close_band().
    virtual QWidget* create_band(ToolBandSite* site, QWidget* parent) = 0;
    virtual QString title() const = 0;
    // The smallest size the band works in (at least 24 high when shown).
    virtual QSize minimum_size() const { return {50, 24}; }
    // The frame is going away: drop the site.
    virtual void close_band() = 0;
};

// The entry point of a tool band plug-in (a shared library loaded with QPluginLoader).
class ToolBandFactory {
public:
    virtual ~ToolBandFactory() = default;
    virtual ToolBand* create_tool_band() = 0;
};

#define MARVO_TOOL_BAND_FACTORY_IID "org.marvo.ToolBandFactory/1.0"
Q_DECLARE_INTERFACE(ToolBandFactory, MARVO_TOOL_BAND_FACTORY_IID)
