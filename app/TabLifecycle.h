#pragma once

#include <QObject>
#include <QPoint>
#include <QTimer>
#include <QUrl>

class CTabBrowserWnd;

// What a tab costs while another one is in front. Tabs are maximised windows stacked in the
// tab area, so the engine would lay out and paint every page as if shown: a tab behind the
// active one hides its view (its page sees document.visibilityState "hidden"), is frozen after
// a short idle and, after the discard time of the settings, discarded: the engine lets its
// render process go and loads the page again, scrolled where it was, when the tab comes to
// the front. A tab restored from the last run loads its page only when first shown.
class TabLifecycle : public QObject {
    Q_OBJECT
public:
    // Milliseconds in the background before freezing, and per minute of the discard time;
    // tests shorten them to run the same timer paths.
    static inline int freeze_after_ms = 5000;
    static inline int minute_ms = 60000;

    explicit TabLifecycle(CTabBrowserWnd& tab);

    // A page told to go somewhere runs again, wherever the tab is.
    void wake_for_navigation();
    void to_front();
    void to_background();
    bool in_background() const { return in_background_; }

    // The page of a tab that has not been shown yet; it loads when the tab first comes to
    // the front.
    void defer_load(const QUrl& url);
    const QUrl& deferred_url() const { return deferred_; }

private:
    // Samples the page and starts the way to freezing and discarding.
    void wind_down();
    void freeze();
    void discard();
    // Samples what the page holds while it can still answer: where it is scrolled and whether
    // the user typed into a form of it.
    void sample_page();
    void restore_scroll();

    CTabBrowserWnd& tab_;
    bool in_background_ = false;
    QUrl deferred_;
    QTimer freeze_timer_;
    QTimer discard_timer_;
    QPoint scroll_;
    bool typed_input_ = false;
    bool scroll_after_load_ = false;
};
