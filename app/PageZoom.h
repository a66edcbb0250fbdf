#pragma once

#include <QObject>
#include <QString>

#include "ui/FilteredWidget.h"

class QUrl;
class QWebEnginePage;
namespace platform {
class RegistryStore;
}

// The page zoom of one tab: in and out by the steps other browsers take (Ctrl and +, -, 0,
// Ctrl and the wheel over the page), remembered per site in the registry store, one value
// per host under "Software\Marvo\Zoom" in percent. Text size stays apart: it is the engine's
// default font size.
class PageZoom : public QObject {
    Q_OBJECT
public:
    PageZoom(QWebEnginePage& page, platform::RegistryStore& store, QObject* parent = nullptr);

    int percent() const;
    // +1 one step in, -1 one step out, 0 back to 100 %; remembered for the page's site.
    void step(int direction);
    // The page moved to an address: its site's zoom.
    void follow(const QUrl& url);
    // Ctrl and the wheel over the page's input widget zoom instead of scrolling.
    void watch_wheel(QWidget* input);

    // The step after `percent` in a direction (the ends stay where they are).
    static int next_step(int percent, int direction);

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply(int percent);

    QWebEnginePage& page_;
    platform::RegistryStore& store_;
    QString host_;
    ui::FilteredWidget input_{this};
    int wheel_turn_ = 0;  // eighths of a degree not yet given a step (fine-grained wheels)
};
