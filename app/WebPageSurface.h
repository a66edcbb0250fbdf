#pragma once

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <optional>
#include <vector>

#include "app/PresentedScroll.h"
#include "memo/PackageCache.h"
#include "memo/ui/LayerWnd.h"
#include "memo/ui/PageSurface.h"
#include "platform/ScrollMarks.h"

class CTabBrowserWnd;
class QQuickWindow;

// The page of a tab as the memo layer sees it. A page is followed only while its layer has
// something over it (memos of one of its documents, a selection, a tool) or a capture holds it:
// a page without memos is asked nothing after it loaded, however it animates. While followed,
// on a page with memos that may be scrolling, the top document's vertical scroll is read from
// each frame the view renders (platform/ScrollMarks.h), so the memos move in the same frame as
// the page. Reading a frame waits for the renderer to finish it, so a page at rest is not read:
// from the input, find or navigation that may scroll it (or the script side's word that it
// scrolled) until kReadForMs pass without a scroll, in the frame after one that scrolled, and
// in the first frame after kRestMs without any (a timer's scroll). Otherwise, and sideways, it
// is asked of the page after each frame it presents, once more shortly after the last, and
// when the engine reports a scroll (the engine's own scroll position stays 0 on a
// GPU-composited display).
// Frames (their URLs, rectangles and scroll positions) come from a script in an isolated world,
// asked only of a page that says it has frames, and are kept as a snapshot, refreshed on load,
// resize and show, followed or not, so that memos of a frame document are found; while
// followed also on scroll and every presented frame. While frames are shown they are polled a
// few times a second.
class WebPageSurface : public QObject, public PageSurface {
    Q_OBJECT
public:
    explicit WebPageSurface(CTabBrowserWnd& tab);
    ~WebPageSurface() override;

    CLayerWnd* layer() const { return layer_.data(); }

    QWidget* host() const override;
    QWidget* input_widget() const override;
    std::vector<DocumentView> documents() const override;
    double zoom() const override;
    QImage grab_page(const QRect& area) override;
    bool document_shown() const override { return document_shown_; }
    void navigate(const std::string& url) override;
    void scroll_to(QPoint position) override;
    void open_document(const QString& path) override;
    int text_size() const override;
    void set_text_size(int size) override;
    void restore_text_size() override;
    void layer_has_work(bool work) override;

    // Keeps the page followed while it lives, whatever its layer has: a capture scrolls a page
    // that may have no memos and reads where it went.
    class Hold {
    public:
        explicit Hold(WebPageSurface& surface);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        QPointer<WebPageSurface> surface_;
    };

    // Width lock: a page with memos keeps the width they were placed at; the tab's scroll
    // container scrolls sideways when it is narrower.
    void apply_width_lock();
    // The stored width of the page's memos, or 0 when the page has none.
    int locked_width() const;

    // Asks the page where its top document is scrolled and whether its document has begun to
    // show (parsed up to its end, or loaded); the layer repaints when either changed. Nothing
    // while the page is not followed.
    void query_scroll();
    // Asks the page for its frames again.
    void refresh_frames();
    // The tab's view goes while the tab is discarded: the layer, with its undo steps and
    // selection, waits hidden on the tab and goes onto the next view.
    void detach_from_view();
    void attach_to_view();
    // True once a frame snapshot has arrived since the last request.
    bool frames_current() const { return !frames_pending_; }
    bool following() const { return following_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Starts or stops following the page as the layer's work and the holds say.
    void follow_or_rest();
    // Asks the layer whether it has work now (its documents or the tool changed).
    void check_layer();
    // Reads where the frames are and takes them.
    void read_frames();
    void take_frames(std::vector<DocumentView> frames);
    bool asked_again(int asked_at);
    // While followed, tells the layer of every frame the engine presents (the input widget may be
    // replaced).
    void follow_presented_frames();
    // After a presented frame: where the documents are scrolled now.
    void follow_frame();
    // Inside the frame the view has just rendered: where the top document is scrolled in it.
    void read_presented_scroll(QQuickWindow& window);
    // Has the page's frame rendered again, to be read; false when it cannot be.
    bool present_again();
    // The page may scroll now: its frames are read until kReadForMs pass without a scroll.
    void expect_scroll();
    static bool may_scroll(const QEvent& input);
    // A picture of the page (taken from view x `left`) shows the page where the scroll marks are.
    void cover_scroll_marks(QImage& page, int left) const;
    // The top document's memos, when it has any.
    memo::PackageCache::PackagePtr memos() const;

    CTabBrowserWnd& tab_;
    QPointer<QObject> presented_window_;
    QPointer<QWidget> watched_input_;
    QPointer<CLayerWnd> layer_;  // a child of the view, which may go first
    std::vector<DocumentView> frames_;
    QPoint top_scroll_;   // as the frame on screen shows it
    QPoint told_scroll_;  // as the page's script side last told it
    PresentedScroll presented_scroll_;
    bool marks_asked_ = false;     // the document was asked to show its scroll marks
    std::optional<scroll_marks::Palette> palette_;  // the colours it shows them in, once told
    QDeadlineTimer reading_;       // frames are read until then
    QElapsedTimer last_presented_;
    bool marked_ = false;          // the last frame presented showed them
    bool scrolled_ = false;        // and had scrolled since the frame before
    bool readable_ = false;        // the last frame read showed them, or none was since they changed
    bool document_ready_ = false;  // the page said its document is past loading
    bool document_shown_ = false;  // and it presented a frame since
    bool scroll_query_pending_ = false;
    bool scroll_query_again_ = false;
    bool frames_pending_ = false;
    int address_changes_ = 0;  // the frames asked of an earlier address are asked again
    bool layer_work_ = false;
    int holds_ = 0;
    bool following_ = false;
    QTimer frame_poll_;
    QTimer scroll_recheck_;
    static constexpr int kScrollRecheckMs = 30;
    static constexpr int kReadForMs = 500;
    static constexpr int kRestMs = 200;  // without a frame: the page was at rest
};
