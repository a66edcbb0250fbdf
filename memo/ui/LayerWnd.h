#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "memo/MemoImage.h"
#include "memo/MemoObject.h"
#include "memo/MemoPackage.h"
#include "memo/PackageCache.h"
#include "memo/StampList.h"
#include "memo/ui/BackgroundDrawing.h"
#include "memo/ui/Coverage.h"
#include "memo/ui/LayerDrawing.h"
#include "memo/ui/PageSurface.h"
#include "memo/ui/QtCanvas.h"
#include "ui/FilteredWidget.h"

class CTool;
class CToolBox;

// What every layer of the process shares: the package store, the stamp pictures, the user,
// the tools. The application fills it in at start-up; tests fill it with their own.
struct MemoLayerServices {
    memo::PackageCache* cache = nullptr;
    const memo::StampList* stamps = nullptr;
    CToolBox* tools = nullptr;
    std::function<std::string()> user_name;  // Shift_JIS
    std::function<bool(std::string_view url)> is_private;
    std::function<void(const std::string& url)> queue_delete;
    std::function<bool()> double_buffer;
    // A package changed: the application saves changed packages a few seconds later.
    std::function<void()> package_changed;

    std::string user() const { return user_name ? user_name() : std::string(); }
};
MemoLayerServices& memo_layer_services();

// One entry of a tab's undo list.
struct ChangeRecord {
    enum Operation : std::int32_t { Added = 0, Deleted = 1, Changed = 2, Cleared = 3 };
    std::vector<std::unique_ptr<memo::MemoPackage>> packages;  // Cleared: the page before
    std::unique_ptr<memo::MemoObject> object;                  // Added..Changed: a clone
    std::string url;
    std::int32_t operation = Added;
};

// The memos of one tab over its page: paints them at their documents' positions, routes the
// mouse to the current tool, and owns the selection and the tab's undo list. It is a
// transparent child of the page's widget that ignores the mouse; input arrives through an
// event filter on the page's input widget, so the layer sees it before the page does.
class CLayerWnd : public QWidget, public memo::MemoView {
    Q_OBJECT
public:
    explicit CLayerWnd(PageSurface& surface);
    ~CLayerWnd() override;

    PageSurface& surface() const { return surface_; }
    // The layer's own coordinates are the page's pixels: the widget's size divided by the
    // page's zoom.
    QSize layer_size() const;
    QRect layer_rect() const { return QRect(QPoint(), layer_size()); }

    // Watches the surface's current input widget (call when it may have changed).
    void watch_input();
    // After a load: forces a new thumbnail and repaints.
    void refresh();
    // The documents or their places changed: repaints, unless the layer left the page
    // untouched and still has nothing to draw (each paint recomposes the whole window).
    void update_unless_blank();

    bool shown() const { return shown_; }
    void set_shown(bool shown);

    // ---- documents and packages ----
    std::vector<DocumentView> documents() const { return surface_.documents(); }
    // The innermost document under a layer point.
    std::optional<DocumentView> document_at(QPoint p) const;
    memo::PackageCache::PackagePtr package(const std::string& url, bool create) const;

    struct Hit {
        memo::MemoObject* object = nullptr;
        memo::PackageCache::PackagePtr package;
        DocumentView document;
    };
    // The topmost object under a layer point.
    Hit hit_test(QPoint p) const;
    // Every object under the point, topmost first.
    std::vector<memo::MemoObject*> objects_at(QPoint p) const;
    // True when p is within 3 pixels of the selected object's resize corner.
    bool handle_hit_test(QPoint p) const;

    // ---- selection ----
    void select(memo::MemoObject& object);
    // Selects a memo of one of the page's documents, scrolling the top document to it when it
    // is out of view; false when the page has no document of that URL or it has no such memo.
    bool show_memo(const std::string& url, const memo::Guid& id);
    void deselect();
    memo::MemoObject* selection() const;
    const std::string& selection_url() const { return selection_url_; }
    void set_selection_rect(const std::string& url, const memo::Rect& rect, QPoint scroll);
    const memo::Rect& selection_rect() const { return selection_rect_; }

    // ---- rules and change stamping ----
    std::string user() const;
    // The lock rule: locked objects are deleted and edited only by their author.
    bool may_edit(const memo::MemoObject& object) const;
    memo::MemoObject& added(memo::MemoPackage& package, std::unique_ptr<memo::MemoObject> object);
    void deleted(memo::MemoPackage& package, memo::MemoObject& object);
    void about_to_change(memo::MemoObject& object) override;

    // ---- commands ----
    // Deletes the selection; false (and message 126) when its author locked it.
    bool delete_selection();
    // Asks message 134 first.
    void clear_page();
    // Undo takes back the last change and keeps what it took back for redo; a new change
    // forgets what could be redone.
    bool can_undo() const { return !undo_.empty(); }
    void undo();
    bool can_redo() const { return !redo_.empty(); }
    void redo();
    const std::vector<ChangeRecord>& undo_list() const { return undo_; }
    // Edit commands while a tool is active. Copy puts the picture of the marked area or of
    // the selected object on the clipboard; cut also deletes the object (lock rule, message
    // 126); paste makes a photo of a clipboard picture or a text box of clipboard text.
    bool can_copy() const;
    void copy();
    void cut();
    bool paste();
    // The picture of a layer area as shown: page and memos, one pixel per layer pixel, or at
    // the screen's pixels when `sharp` (the device pixel ratio times the zoom: a view shown
    // enlarged gives a picture as much sharper).
    QImage picture_of(const QRect& area, bool sharp = false);
    // Screen pixels per layer pixel: the device pixel ratio times the page's zoom.
    qreal screen_scale() const;

    // Drops a picture file as a photo at a layer point; false with message 140 when unreadable.
    bool drop_picture(const QString& path, QPoint at);
    // ".JPG", ".JPEG", ".PNG", ".BMP", ".PPM" and ".TGA" files, in any case.
    static bool is_picture_file(const QString& path);

    // ---- text size ----
    // True when a package of the page's documents holds memos.
    bool page_has_memos() const;
    // True while the layer has anything over its page or takes input for it: memos of one of
    // the page's documents, a selection or marked area, or a current tool.
    bool has_work() const;
    // True when the top document has a package (with or without memos).
    bool page_has_package() const;
    // Whether the layer draws through its back buffer: the double-buffer setting, unless the
    // page cannot be rendered apart (no body, or legacy filters in style attributes).
    bool double_buffered() const;
    void set_page_renders_apart(bool apart) { page_renders_apart_ = apart; }
    // The user asks for another text size: with memos on the page, message 139 asks first;
    // Yes gives every package of the page the new size. False leaves the size as it is.
    bool change_text_size(int size);
    // A page whose memos were placed at another text size is shown at that size.
    void follow_package_text_size();

    // ---- painting ----
    // The pointer over the page: a tool's shape, or the page's own (nullopt).
    void show_cursor(std::optional<Qt::CursorShape> shape);
    // While the page loads the pointer says so, unless a tool shows its own.
    void set_busy(bool busy);
    bool busy() const { return busy_; }
    // The page showed a new frame: effects take the page's new pixels.
    void page_presented();
    // The top document scrolled and nothing else changed: repaints only where memos were and
    // where they come to be, and the rows that come into view; elsewhere the page shows through
    // untouched.
    void top_scrolled();

    // Repaints part of the layer (layer coordinates); a null rect repaints everything.
    void invalidate_window(const QRect& rect);
    // Repaints a document rectangle of a document.
    void invalidate_document(const DocumentView& document, const memo::Rect& rect);
    // Repaints what only a tool's feedback changed (a drag in progress): the memos stay as they
    // were, so a drawing done in the background stands.
    void invalidate_feedback(const QRect& rect);
    void invalidate_feedback(const DocumentView& document, const memo::Rect& rect);
    memo::QtCanvasFactory& canvases() { return canvases_; }

    // ---- memo::MemoView, for clicks and editors of objects ----
    memo::Point document_offset() const override { return active_offset_; }
    memo::Size text_extent(const memo::LogFont& font, std::string_view sjis) override;
    void navigate(const std::string& url) override;
    bool run_text_dialog(const memo::Rect& window_rect, std::string& text, const memo::LogFont& font) override;
    void invalidate(const memo::Rect& document_rect) override;
    memo::MemoObject* find_object(const memo::Guid& id) override;
    // The document the next object operation works in.
    void set_active_document(const DocumentView& document) { active_offset_ = document.offset(); }

    // Milliseconds of the last left-button release seen over the page (-1 before any).
    qint64 last_left_release() const { return last_left_release_; }
    // Called on every left-button release over the page in browse mode.
    std::function<void()> on_left_release;

    // Thumbnails are refreshed at most this often.
    static constexpr qint64 kThumbnailSeconds = 9;
    static constexpr int kThumbnailSide = 32;

signals:
    // Some memos would cost more to draw than a package may (a package built to be slow):
    // that many are shown as outlines.
    void drawing_cut_short(int objects);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Between layer and widget coordinates; rectangles grow to whole pixels of the other.
    QRect to_widget(const QRect& r) const;
    QRect to_layer(const QRect& r) const;
    QPoint to_layer(QPoint p) const;
    bool route_mouse(QMouseEvent* event);
    bool browse_left_release(QPoint p);
    bool has_anything_to_draw(const std::vector<DocumentView>& docs) const;
    bool has_memos(const std::vector<DocumentView>& docs) const;
    struct PictureKey {
        struct Package {
            const memo::MemoPackage* package;
            std::size_t objects;
            memo::Time64 time;
            bool operator==(const Package&) const = default;
        };
        QSize size;
        bool tool = false;
        std::vector<Package> packages;
        bool operator==(const PictureKey&) const = default;
    };
    PictureKey picture_key(const std::vector<DocumentView>& docs) const;
    // Moves the last picture with a scroll of the page and draws the rows that came into view;
    // false when the area must be drawn. The area is the whole layer, or what top_scrolled
    // asked for (scroll_update).
    bool paint_scrolled(const QRect& area, const std::vector<DocumentView>& docs, bool scroll_update);
    // How many rows of the screen the last picture moves to show the top document's present
    // scroll position; nullopt when it cannot move (another key, a sideways scroll, half a
    // window or more, a fraction of a screen pixel, effects that read the page).
    std::optional<int> picture_rows_moved(const std::vector<DocumentView>& docs, const PictureKey& key) const;
    // Moves the picture in back_ by rows of the screen (up for a positive count).
    void slide_picture(int rows);
    // Areas of region effects, in layer coordinates, within area.
    std::vector<QRect> effect_areas(const std::vector<DocumentView>& docs, const QRect& area) const;
    void ensure_buffers();
    void release_buffers();
    // Reads the page under the effects back, after the engine presented a frame.
    void follow_page();
    void take_page_pixels(const std::vector<QRect>& areas);
    // The page's own pixels of a layer area, as a picture of the given size.
    QImage page_picture(const QRect& area, QSize size);
    // The pixels of the screen that a layer area covers: on a scaled screen (a device pixel
    // ratio above 1) the layer draws into its buffers at the screen's resolution.
    QRect device_rect(const QRect& area) const;
    // Where the screen pixels of a layer area are in back_, whose rows start at origin_.
    QRect buffer_rect(const QRect& area) const { return device_rect(area).translated(0, origin_); }
    // Memos of a layer area into the target: at the screen's resolution (the window's paint),
    // or one to one (pictures of what is shown).
    void draw_memos(memo::MemoImage& target, const QRect& area, bool on_screen);
    DrawTools draw_tools();
    DrawFeedback feedback() const;
    std::vector<DrawnDocument> drawn_documents(const std::vector<DocumentView>& docs) const;
    // Tells the objects drawn as outlines for want of budget, once per count.
    void report_outlined(int outlined);
    // True when the page's pixels under the effects are at hand; else they are read first.
    bool have_page_under(const std::vector<QRect>& effects);
    // The page with its memos, opaque, into back_ (pictures of what is shown), one to one or
    // at the screen's resolution; returns the part of back_ painted.
    QRect paint_into(const QRect& area, bool on_screen);
    // The memos alone, premultiplied over transparency, into back_ at the screen's resolution
    // (the window's own paint), with what feedback draws over them. False (nothing painted)
    // while the page's pixels under an effect are still to be read.
    bool paint_transparent(const QRect& area, const DrawFeedback& feedback);
    // True when drawing the layer would cost at least kBackgroundCost: the drawing is then
    // done by background_.
    bool draws_in_background(const std::vector<DocumentView>& docs);
    void request_background_drawing(const std::vector<DocumentView>& docs);
    // How far the last background picture has to move to show at the documents' present scroll
    // positions; nullopt when it was drawn for other documents or another layout.
    std::optional<QPoint> background_shift(const std::vector<DocumentView>& docs) const;
    void paint_background_picture(QPainter& painter, const std::vector<DocumentView>& docs, const QRect& area);
    // The last background picture of area into back_, premultiplied, the rows scrolled into
    // view since drawn while cheap, and over it what the picture lacks: memos added since it
    // was asked for and the tool's feedback.
    void compose_background_picture(const std::vector<DocumentView>& docs, const QRect& area);
    // Draws the memos added since the shown background picture was asked for.
    DrawFeedback unpictured_feedback() const;    // The page with the last background picture over it, as the window shows them.
    QImage shown_with_background_picture();
    void make_thumbnail();
    void stamp_package(memo::MemoPackage& package);
    void push_change(ChangeRecord record);
    std::optional<ChangeRecord> apply(const ChangeRecord& record);
    CTool* current_tool() const;
    CTool* take_tool();  // for input to this layer

    PageSurface& surface_;
    ui::FilteredWidget input_{this};
    std::optional<Qt::CursorShape> tool_cursor_;
    bool busy_ = false;
    bool shown_ = true;
    bool page_renders_apart_ = true;
    memo::Time64 thumbnail_time_ = 0;
    std::string selection_url_;
    memo::Guid selection_id_;
    bool has_selection_ = false;
    memo::Rect selection_rect_;
    QPoint selection_rect_scroll_;
    memo::MemoImage back_;
    memo::MemoImage back_white_;
    int origin_ = 0;  // the row of back_ that holds the layer's top row (on screen)
    Coverage coverage_;  // where back_ holds memos (on screen)
    bool painting_ = false;
    bool grabbing_ = false;
    bool follow_queued_ = false;
    bool thumbnail_queued_ = false;
    int outlined_ = 0;  // memos last reported as drawn as outlines
    // The whole layer as back_ holds it, and what it shows.
    struct Picture {
        PictureKey key;
        QPoint scroll;
    };
    std::optional<Picture> picture_;
    bool scroll_update_ = false;  // the pending paint is top_scrolled's: the picture moves
    bool shows_nothing_ = true;   // the last whole paint left the page untouched
    // A drawing that would take more than about an eighth of the drawing budget per pass (some
    // 25 ms for the two passes on this thread) is done in the background.
    static constexpr std::int64_t kBackgroundCost = memo::kDrawBudget / 8;
    // What a background drawing was asked for: a new request when any of it differs.
    struct BackgroundState {
        PictureKey key;
        std::vector<DocumentView> docs;
        qreal scale = 0;
        std::uint64_t changes = 0;
        qint64 page_pixels = 0;
        bool operator==(const BackgroundState&) const = default;
    };
    std::unique_ptr<BackgroundDrawing> background_;  // made for the first package that needs it
    std::optional<BackgroundState> requested_;
    std::optional<BackgroundDrawing::Picture> background_picture_;  // the last one finished
    std::uint64_t requests_ = 0;  // background drawings asked for; the last one's serial
    // Memos this layer added that the background picture shown may lack, with the serial of
    // the last request made before each: a picture of a later request holds them.
    struct Unpictured {
        std::string url;  // of the package
        memo::Guid id;
        std::uint64_t serial = 0;
    };
    std::vector<Unpictured> unpictured_;    // Copies of the packages for the background drawing, kept while they stay the same so that
    // what objects keep between drawings (scaled pictures, lens tables) is kept too.
    std::shared_ptr<BackgroundDrawing::Packages> copies_;
    BackgroundState copies_state_;
    std::uint64_t change_count_ = 0;  // invalidations and refreshes: the packages may have changed
    QTimer settle_;  // the whole drawing after a scroll stops
    static constexpr int kSettleMs = 150;
    QImage page_pixels_;  // the page under the effects, as last presented
    QRect page_pixels_area_;
    QRect undrawn_;  // what paints left blank while the page's pixels under effects were read
    memo::MemoImage scratch1_;
    memo::MemoImage scratch2_;
    memo::QtCanvasFactory canvases_;
    std::vector<ChangeRecord> undo_;
    std::vector<ChangeRecord> redo_;
    memo::Point active_offset_;
    QElapsedTimer clock_;
    qint64 last_left_release_ = -1;
};
