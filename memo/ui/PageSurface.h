#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <string>
#include <vector>

#include "memo/MemoTypes.h"

class QWidget;

// One document shown in the page: the top document or a frame. Its memos are stored in its
// own coordinates, pixels from its top-left corner.
struct DocumentView {
    std::string url;  // Shift_JIS
    QRect rect;       // the document's viewport, in the layer's coordinates (the page's pixels)
    QPoint scroll;    // the document's scroll position

    // Document to layer coordinates: add this.
    memo::Point offset() const { return {rect.left() - scroll.x(), rect.top() - scroll.y()}; }
    memo::Point to_document(QPoint p) const { return {p.x() - offset().x, p.y() - offset().y}; }
    bool operator==(const DocumentView&) const = default;
};

// What the memo layer needs from the page it covers. The browser implements it over the web
// engine; tests implement it over a plain widget.
class PageSurface {
public:
    virtual ~PageSurface() = default;
    // The widget the layer covers (the layer is its child and follows its size).
    virtual QWidget* host() const = 0;
    // The widget that receives the page's mouse input, or null while there is none yet.
    virtual QWidget* input_widget() const = 0;
    // The top document first, then its frames in document order (nested frames after their
    // parent). Empty while no document is shown.
    virtual std::vector<DocumentView> documents() const = 0;
    // False while a navigation has not shown its document yet: memos wait for their page
    // rather than stand over an empty view.
    virtual bool document_shown() const { return true; }
    // The page's zoom: one pixel of the page's own is this many pixels of the host. The layer
    // works in the page's pixels (documents, input, pictures of what is shown).
    virtual double zoom() const { return 1.0; }
    // The page's own pixels of an area of the layer, without the memos: at the screen's
    // resolution where the page has it (a device pixel ratio above 1, a zoom), else one to one.
    virtual QImage grab_page(const QRect& area) = 0;
    virtual void navigate(const std::string& url) = 0;
    // Scrolls the top document to a position, in its own pixels.
    virtual void scroll_to(QPoint position) { (void)position; }
    // A file dropped on the page that is no picture: the browser opens it by its kind.
    virtual void open_document(const QString& path) { (void)path; }
    // The browser's text size (0 to 4) and switching it without asking.
    virtual int text_size() const { return 2; }
    virtual void set_text_size(int) {}
    // Back to the program's own text size (a page without memos).
    virtual void restore_text_size() {}
    // The layer tells whether it has anything over the page or takes input for it (memos, a
    // selection, a tool). While it has nothing, where the documents are scrolled need not be
    // kept current: the browser then leaves a page without memos alone.
    virtual void layer_has_work(bool work) { (void)work; }
};
