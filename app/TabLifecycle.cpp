#include "app/TabLifecycle.h"

#include <QPointer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <malloc.h>
#include <utility>

#include "app/BrowserPage.h"
#include "app/MarvoApp.h"
#include "app/PageLoadEnd.h"
#include "app/PageQuestion.h"
#include "app/TabBrowserWnd.h"

namespace {

using State = QWebEnginePage::LifecycleState;

// Where the top document is scrolled, and whether a form field of it or of a same-origin
// frame holds something else than the page gave it (the user typed or chose).
const char* const kSampleScript = R"JS(
(function () {
  function typed(doc) {
    var fields = doc.querySelectorAll('input, textarea, select');
    for (var i = 0; i < fields.length; i++) {
      var field = fields[i];
      if (field.tagName == 'SELECT') {
        for (var j = 0; j < field.options.length; j++)
          if (field.options[j].selected != field.options[j].defaultSelected) return true;
      } else if (field.type == 'checkbox' || field.type == 'radio') {
        if (field.checked != field.defaultChecked) return true;
      } else if (field.type != 'hidden' && field.value != field.defaultValue) {
        return true;
      }
    }
    var frames = doc.querySelectorAll('iframe, frame');
    for (var k = 0; k < frames.length; k++) {
      try {
        if (frames[k].contentDocument && typed(frames[k].contentDocument)) return true;
      } catch (e) {}
    }
    return false;
  }
  return [window.scrollX, window.scrollY, typed(document)];
})()
)JS";

// What a frozen or discarded page held in this process is freed as the engine winds it down,
// into the allocator's free lists; a second later it goes back to the system. Tabs left
// behind together share one trim.
void return_freed_memory_soon()
{
    static bool pending = false;
    if (std::exchange(pending, true))
        return;
    QTimer::singleShot(1000, [] {
        pending = false;
        ::malloc_trim(0);
    });
}

} // namespace

TabLifecycle::TabLifecycle(CTabBrowserWnd& tab) : QObject(&tab), tab_(tab)
{
    freeze_timer_.setSingleShot(true);
    discard_timer_.setSingleShot(true);
    connect(&freeze_timer_, &QTimer::timeout, this, &TabLifecycle::freeze);
    connect(&discard_timer_, &QTimer::timeout, this, &TabLifecycle::discard);
    connect(&tab.load_end(), &PageLoadEnd::ended, this, [this] {
        if (std::exchange(scroll_after_load_, false))
            restore_scroll();
        if (in_background_)
            wind_down();
    });
}

void TabLifecycle::defer_load(const QUrl& url)
{
    deferred_ = url;
}

void TabLifecycle::wake_for_navigation()
{
    if (tab_.page()->lifecycleState() != State::Active)
        tab_.page()->setLifecycleState(State::Active);
    if (in_background_)
        freeze_timer_.start(freeze_after_ms);
}

void TabLifecycle::to_front()
{
    in_background_ = false;
    freeze_timer_.stop();
    discard_timer_.stop();
    tab_.ensure_view();
    if (!deferred_.isEmpty()) {
        tab_.Navigate(std::exchange(deferred_, QUrl()));
    } else if (tab_.page()->lifecycleState() != State::Active) {
        // A discarded page loads again; the engine does not always scroll it back itself, and
        // on a zoomed page it may scroll it back by the zoomed distance.
        scroll_after_load_ = tab_.page()->lifecycleState() == State::Discarded;
        tab_.page()->setLifecycleState(State::Active);
    }
    tab_.view()->show();
}

void TabLifecycle::to_background()
{
    if (in_background_)
        return;
    in_background_ = true;
    tab_.view()->hide();
    if (deferred_.isEmpty())
        wind_down();
}

// A page behind others that had no address yet, or was still loading, is looked at again when
// it has loaded: until its sample came, it counts as holding typed input and is kept.
void TabLifecycle::wind_down()
{
    if (tab_.LocationURL().isEmpty())
        return;
    sample_page();
    freeze_timer_.start(freeze_after_ms);
    if (const int minutes = theApp().settings().discard_minutes; minutes > 0 && !discard_timer_.isActive())
        discard_timer_.start(minutes * minute_ms);
}

void TabLifecycle::sample_page()
{
    typed_input_ = true;  // until the page says otherwise
    QPointer<TabLifecycle> self(this);
    // A page that hides its typed input only lets itself be discarded.
    ask_page(*tab_.page(), QString::fromLatin1(kSampleScript), [self](const QVariant& result) {
        const QVariantList values = result.toList();
        if (!self || values.size() != 3)
            return;
        self->scroll_ = QPoint(values[0].toInt(), values[1].toInt());
        self->typed_input_ = values[2].toBool();
    });
}

// A page still loading, or reloading by itself, keeps running; so does one the engine wants
// active (playing sound, being inspected).
void TabLifecycle::freeze()
{
    QWebEnginePage* page = tab_.page();
    if (!in_background_ || page->lifecycleState() != State::Active || tab_.auto_refresh() > 0)
        return;
    if (tab_.busy() || page->recommendedState() == State::Active) {
        freeze_timer_.start(freeze_after_ms);
        return;
    }
    page->setLifecycleState(State::Frozen);
    return_freed_memory_soon();
}

// Never a page the user would lose something of: one playing sound, holding typed input or
// kept by the navigation lock. Those are looked at again a minute later.
void TabLifecycle::discard()
{
    QWebEnginePage* page = tab_.page();
    if (!in_background_ || page->lifecycleState() == State::Discarded || tab_.auto_refresh() > 0)
        return;
    const bool keep = tab_.navigation_lock() || typed_input_ || page->recentlyAudible() || tab_.busy() ||
                      page->recommendedState() != State::Discarded;
    if (keep) {
        discard_timer_.start(minute_ms);
        return;
    }
    page->setLifecycleState(State::Discarded);
    tab_.release_view();
    return_freed_memory_soon();
}

void TabLifecycle::restore_scroll()
{
    if (scroll_.isNull())
        return;
    tab_.page()->runJavaScript(QStringLiteral("window.scrollTo(%1, %2);")
                                   .arg(scroll_.x())
                                   .arg(scroll_.y()),
                               QWebEngineScript::ApplicationWorld);
}
