#include "memo/ui/LayerWnd.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QDropEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScopedValueRollback>
#include <QTimer>

#include "memo/ImageCodec.h"
#include "memo/PackageFiles.h"
#include "memo/PixelRows.h"
#include "memo/Repainter.h"
#include "memo/ui/TextDialog.h"
#include "memo/ui/Tools.h"
#include "platform/QtText.h"
#include "res/StringTable.h"
#include "rs2/FileStream.h"
#include "ui/MessageBox.h"
#include "ui/Texts.h"

using memo::MemoObject;
using memo::MemoPackage;

MemoLayerServices& memo_layer_services()
{
    static MemoLayerServices services;
    return services;
}

namespace {

std::unique_ptr<memo::Repainter>& repainter_slot()
{
    static std::unique_ptr<memo::Repainter> slot;
    return slot;
}

// One helper thread serves every layer: layers paint one at a time, on the user-interface
// thread.
memo::Repainter& shared_repainter()
{
    auto& slot = repainter_slot();
    if (!slot) {
        slot = std::make_unique<memo::Repainter>(std::make_unique<memo::QtCanvasFactory>());
        // Its canvases must be gone before the application is.
        qAddPostRoutine([] { repainter_slot().reset(); });
    }
    return *slot;
}

QRect to_qrect(const memo::Rect& r)
{
    const memo::Rect n = r.normalized();
    return QRect(n.left, n.top, int(n.width()), int(n.height()));
}

// A view of the back buffer's memory: opaque pictures of the page, or the premultiplied memos
// that paint_transparent leaves.
QImage image_of(memo::MemoImage& image)
{
    return QImage(image.bits(), image.width(), image.height(), image.stride(), QImage::Format_ARGB32_Premultiplied);
}

} // namespace

CLayerWnd::CLayerWnd(PageSurface& surface) : QWidget(surface.host()), surface_(surface)
{
    clock_.start();
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        picture_.reset();
        update();
    });
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // Transparent where nothing is drawn: the engine's own rendering shows through, live.
    // (Qt::WA_TranslucentBackground is not needed for that, and with it the engine stops
    // scrolling by the wheel.)
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(surface.host()->rect());
    surface.host()->installEventFilter(this);
    watch_input();
    raise();
    show();
}

CLayerWnd::~CLayerWnd()
{
    // The helper's canvases may paint into this window's images.
    shared_repainter().release_canvases();
    MemoLayerServices& services = memo_layer_services();
    if (services.tools)
        for (int id : {32782, 32785, 32855, 32783, 32790, 32856, 32861})
            if (CTool* t = services.tools->tool(id); t && t->layer() == this)
                t->attach(nullptr);
}

QSize CLayerWnd::layer_size() const
{
    const double zoom = surface_.zoom();
    return {int(std::ceil(width() / zoom)), int(std::ceil(height() / zoom))};
}

QRect CLayerWnd::to_widget(const QRect& r) const
{
    const double zoom = surface_.zoom();
    if (zoom == 1.0 || r.isNull())
        return r;
    const int left = int(std::floor(r.left() * zoom)), top = int(std::floor(r.top() * zoom));
    return QRect(left, top, int(std::ceil((r.left() + r.width()) * zoom)) - left,
                 int(std::ceil((r.top() + r.height()) * zoom)) - top);
}

QRect CLayerWnd::to_layer(const QRect& r) const
{
    const double zoom = surface_.zoom();
    if (zoom == 1.0 || r.isNull())
        return r;
    const int left = int(std::floor(r.left() / zoom)), top = int(std::floor(r.top() / zoom));
    return QRect(left, top, int(std::ceil((r.left() + r.width()) / zoom)) - left,
                 int(std::ceil((r.top() + r.height()) / zoom)) - top);
}

QPoint CLayerWnd::to_layer(QPoint p) const
{
    const double zoom = surface_.zoom();
    return zoom == 1.0 ? p : QPoint(int(std::floor(p.x() / zoom)), int(std::floor(p.y() / zoom)));
}

qreal CLayerWnd::screen_scale() const
{
    return devicePixelRatioF() * surface_.zoom();
}

void CLayerWnd::watch_input()
{
    QWidget* input = surface_.input_widget();
    if (input_.follow(input) && input) {
        raise();  // over the page's input widget, which may be newer than the layer
        show_cursor(tool_cursor_);
    }
}

void CLayerWnd::refresh()
{
    ++change_count_;
    thumbnail_time_ = 0;
    watch_input();
    follow_package_text_size();
    update_unless_blank();
}

void CLayerWnd::update_unless_blank()
{
    if (!surface_.document_shown())
        page_pixels_area_ = {};  // as a paint would: those were another document's
    if (shows_nothing_ && !has_anything_to_draw(surface_.documents()))
        return;
    update();
}

bool CLayerWnd::page_has_memos() const
{
    return has_memos(surface_.documents());
}

bool CLayerWnd::has_memos(const std::vector<DocumentView>& docs) const
{
    for (const DocumentView& doc : docs)
        if (const auto pkg = package(doc.url, false); pkg && !pkg->empty())
            return true;
    return false;
}

// The current tool as it is, without taking it over from the layer it works on: a tab behind
// others asks this too.
bool CLayerWnd::has_work() const
{
    const MemoLayerServices& services = memo_layer_services();
    return (services.tools && services.tools->current()) || has_selection_ || !selection_rect_.is_empty() ||
           page_has_memos();
}

bool CLayerWnd::page_has_package() const
{
    const std::vector<DocumentView> docs = surface_.documents();
    return !docs.empty() && package(docs.front().url, false) != nullptr;
}

bool CLayerWnd::double_buffered() const
{
    const MemoLayerServices& services = memo_layer_services();
    return page_renders_apart_ && (!services.double_buffer || services.double_buffer());
}

bool CLayerWnd::change_text_size(int size)
{
    if (!page_has_memos())
        return true;
    if (ui::message_box(this, ::ui::string_text(res::str::kAskFontSize), ui::Buttons::YesNo) != ui::Answer::Yes)
        return false;
    for (const DocumentView& doc : surface_.documents())
        if (const auto pkg = package(doc.url, false))
            pkg->text_size = size;
    return true;
}

void CLayerWnd::follow_package_text_size()
{
    for (const DocumentView& doc : surface_.documents()) {
        const auto pkg = package(doc.url, false);
        if (!pkg || pkg->empty())
            continue;
        if (pkg->text_size != surface_.text_size() && pkg->text_size >= 0 && pkg->text_size <= 4)
            surface_.set_text_size(pkg->text_size);
        return;
    }
    surface_.restore_text_size();
}

void CLayerWnd::set_shown(bool shown)
{
    if (shown == shown_)
        return;
    shown_ = shown;
    deselect();
    picture_.reset();  // what was drawn before hiding may no longer stand
    update();
}

// Asking which tool is picked leaves it where it works: a tab behind others that repaints or
// navigates must not end a stroke being drawn in the tab in front.
CTool* CLayerWnd::current_tool() const
{
    const MemoLayerServices& services = memo_layer_services();
    return services.tools ? services.tools->current() : nullptr;
}

CTool* CLayerWnd::take_tool()
{
    CTool* t = current_tool();
    if (t && t->layer() != this)
        t->attach(this);  // the active tab changed
    return t;
}

std::string CLayerWnd::user() const
{
    return memo_layer_services().user();
}

// ---- documents ----

std::optional<DocumentView> CLayerWnd::document_at(QPoint p) const
{
    std::optional<DocumentView> found;
    for (const DocumentView& doc : surface_.documents())
        if (doc.rect.contains(p))
            found = doc;  // frames come after their parents: the last match is innermost
    return found;
}

memo::PackageCache::PackagePtr CLayerWnd::package(const std::string& url, bool create) const
{
    memo::PackageCache* cache = memo_layer_services().cache;
    return cache ? cache->lookup(url, create) : nullptr;
}

CLayerWnd::Hit CLayerWnd::hit_test(QPoint p) const
{
    Hit hit;
    const std::optional<DocumentView> doc = document_at(p);
    if (!doc)
        return hit;
    hit.document = *doc;
    hit.package = package(doc->url, false);
    if (!hit.package)
        return hit;
    const memo::Point at = doc->to_document(p);
    for (std::size_t i = hit.package->size(); i-- > 0;)
        if (hit.package->at(i).hit_test(at)) {
            hit.object = &hit.package->at(i);
            break;
        }
    return hit;
}

std::vector<MemoObject*> CLayerWnd::objects_at(QPoint p) const
{
    std::vector<MemoObject*> found;
    const std::optional<DocumentView> doc = document_at(p);
    const auto pkg = doc ? package(doc->url, false) : nullptr;
    if (!pkg)
        return found;
    const memo::Point at = doc->to_document(p);
    for (std::size_t i = pkg->size(); i-- > 0;)
        if (pkg->at(i).hit_test(at))
            found.push_back(&pkg->at(i));
    return found;
}

bool CLayerWnd::handle_hit_test(QPoint p) const
{
    MemoObject* sel = selection();
    const std::optional<DocumentView> doc = document_at(p);
    if (!sel || !doc || !sel->resizable() || memo::normalize_url(doc->url) != selection_url_)
        return false;
    const memo::Point at = doc->to_document(p);
    const memo::Rect b = sel->bounds();
    return std::abs(b.right - at.x) <= 3 && std::abs(b.bottom - at.y) <= 3;
}

// ---- selection ----

void CLayerWnd::select(MemoObject& object)
{
    deselect();
    if (!object.package)
        return;
    selection_url_ = object.package->url;
    selection_id_ = object.id;
    has_selection_ = true;
    MemoLayerServices& services = memo_layer_services();
    if (object.option_panel() >= 0 && may_edit(object) && services.tools && services.tools->bind_panel)
        services.tools->bind_panel(object.option_panel(), this, &object);
    update();
}

bool CLayerWnd::show_memo(const std::string& url, const memo::Guid& id)
{
    const std::string key = memo::normalize_url(url);
    const std::vector<DocumentView> docs = surface_.documents();
    for (std::size_t i = 0; i < docs.size(); ++i) {
        if (memo::normalize_url(docs[i].url) != key)
            continue;
        const auto pkg = package(docs[i].url, false);
        MemoObject* object = pkg ? pkg->find(id) : nullptr;
        if (!object)
            return false;
        const memo::Rect b = object->bounds().normalized();
        const QRect seen(docs[i].scroll, docs[i].rect.size());
        if (i == 0 && !seen.contains(QRect(QPoint(b.left, b.top), QPoint(b.right - 1, b.bottom - 1)))) {
            // The memo's centre goes to the middle of the view.
            const QPoint centre((b.left + b.right) / 2, (b.top + b.bottom) / 2);
            const QPoint half(seen.width() / 2, seen.height() / 2);
            surface_.scroll_to({std::max(0, centre.x() - half.x()), std::max(0, centre.y() - half.y())});
        }
        select(*object);
        return true;
    }
    return false;
}

void CLayerWnd::deselect()
{
    MemoObject* old = selection();
    MemoLayerServices& services = memo_layer_services();
    if (old && old->option_panel() >= 0 && services.tools && services.tools->bind_panel)
        services.tools->bind_panel(old->option_panel(), this, nullptr);
    const bool had = has_selection_ || !selection_rect_.is_empty();
    has_selection_ = false;
    selection_url_.clear();
    selection_rect_ = {};
    if (had)
        update();
}

MemoObject* CLayerWnd::selection() const
{
    if (!has_selection_)
        return nullptr;
    const auto pkg = package(selection_url_, false);
    return pkg ? pkg->find(selection_id_) : nullptr;
}

void CLayerWnd::set_selection_rect(const std::string& url, const memo::Rect& rect, QPoint scroll)
{
    selection_url_ = memo::normalize_url(url);
    selection_rect_ = rect;
    selection_rect_scroll_ = scroll;
    update();
}

// ---- change stamping ----

bool CLayerWnd::may_edit(const MemoObject& object) const
{
    return !object.locked || object.owner == user();
}

void CLayerWnd::stamp_package(MemoPackage& package)
{
    package.width = layer_size().width();
    package.time = memo::now_time();
    package.dirty = true;
    if (const MemoLayerServices& services = memo_layer_services(); services.package_changed)
        services.package_changed();
}

void CLayerWnd::push_change(ChangeRecord record)
{
    undo_.push_back(std::move(record));
    redo_.clear();
}

MemoObject& CLayerWnd::added(MemoPackage& package, std::unique_ptr<MemoObject> object)
{
    object->time = memo::now_time();
    object->owner = user();
    MemoObject& result = package.add(std::move(object));
    stamp_package(package);
    ChangeRecord record;
    record.object = result.clone();
    record.url = package.url;
    record.operation = ChangeRecord::Added;
    push_change(std::move(record));
    if (requested_)
        unpictured_.push_back({package.url, result.id, requests_});
    return result;
}

void CLayerWnd::deleted(MemoPackage& package, MemoObject& object)
{
    if (has_selection_ && object.id == selection_id_ && package.url == selection_url_)
        deselect();
    ChangeRecord record;
    record.object = object.clone();
    record.url = package.url;
    record.operation = ChangeRecord::Deleted;
    push_change(std::move(record));
    package.remove(&object);  // the returned object is destroyed here
    stamp_package(package);
    const MemoLayerServices& services = memo_layer_services();
    if (package.empty() && !(services.is_private && services.is_private(package.url)) && services.queue_delete)
        services.queue_delete(package.url);
}

void CLayerWnd::about_to_change(MemoObject& object)
{
    ChangeRecord record;
    record.object = object.clone();
    record.url = object.package ? object.package->url : std::string();
    record.operation = ChangeRecord::Changed;
    push_change(std::move(record));
    object.time = memo::now_time();
    if (object.package)
        stamp_package(*object.package);
}

// ---- commands ----

bool CLayerWnd::delete_selection()
{
    MemoObject* sel = selection();
    if (!sel)
        return false;
    if (!may_edit(*sel)) {
        ui::message_box(this, ::ui::string_text(res::str::kObjectLocked));
        return false;
    }
    MemoPackage& pkg = *sel->package;
    const memo::Rect bounds = sel->bounds();
    for (const DocumentView& doc : surface_.documents())
        if (memo::normalize_url(doc.url) == pkg.url)
            invalidate_document(doc, bounds.inflated(4));
    auto hold = package(pkg.url, false);  // keeps the package while it changes
    deselect();
    deleted(pkg, *sel);
    return true;
}

void CLayerWnd::clear_page()
{
    if (ui::message_box(this, ::ui::string_text(res::str::kAskClearMemos), ui::Buttons::YesNo) != ui::Answer::Yes)
        return;
    deselect();
    std::vector<memo::PackageCache::PackagePtr> packages;
    for (const DocumentView& doc : surface_.documents())
        if (auto pkg = package(doc.url, false))
            if (std::find(packages.begin(), packages.end(), pkg) == packages.end())
                packages.push_back(pkg);
    if (packages.empty())
        return;
    ChangeRecord record;
    record.operation = ChangeRecord::Cleared;
    for (const auto& pkg : packages)
        record.packages.push_back(pkg->clone());
    push_change(std::move(record));

    const std::string me = user();
    bool foreign_lock = false;
    for (const auto& pkg : packages)
        for (std::size_t i = 0; i < pkg->size(); ++i)
            if (pkg->at(i).locked && pkg->at(i).owner != me)
                foreign_lock = true;
    memo::PackageCache* cache = memo_layer_services().cache;
    if (foreign_lock) {
        // Other authors' locked memos stay; the rest is stamped as deleted one by one.
        for (const auto& pkg : packages)
            for (std::size_t i = pkg->size(); i-- > 0;) {
                MemoObject& o = pkg->at(i);
                if (!o.locked || o.owner == me)
                    deleted(*pkg, o);
            }
    } else if (cache) {
        for (const auto& pkg : packages)
            cache->delete_site(*pkg);
    }
    update();
}

void CLayerWnd::undo()
{
    if (undo_.empty())
        return;
    ChangeRecord record = std::move(undo_.back());
    undo_.pop_back();
    if (std::optional<ChangeRecord> inverse = apply(record))
        redo_.push_back(std::move(*inverse));
}

void CLayerWnd::redo()
{
    if (redo_.empty())
        return;
    ChangeRecord record = std::move(redo_.back());
    redo_.pop_back();
    if (std::optional<ChangeRecord> inverse = apply(record))
        undo_.push_back(std::move(*inverse));
}

// Puts back the state a record holds and returns the record that puts back the state it
// replaced; nothing when the record's object is gone.
std::optional<ChangeRecord> CLayerWnd::apply(const ChangeRecord& record)
{
    deselect();
    memo::PackageCache* cache = memo_layer_services().cache;
    std::optional<ChangeRecord> inverse;
    switch (record.operation) {
    case ChangeRecord::Added:
        if (auto pkg = package(record.url, false)) {
            if (MemoObject* o = pkg->find(record.object->id)) {
                inverse = ChangeRecord{{}, pkg->remove(o), record.url, ChangeRecord::Deleted};
                if (pkg->empty() && cache)
                    cache->delete_site(*pkg);
                else
                    stamp_package(*pkg);
            }
        }
        break;
    case ChangeRecord::Deleted:
        if (auto pkg = package(record.url, true)) {
            pkg->add(record.object->clone());
            stamp_package(*pkg);
            inverse = ChangeRecord{{}, record.object->clone(), record.url, ChangeRecord::Added};
        }
        break;
    case ChangeRecord::Changed:
        if (auto pkg = package(record.url, true))
            if (MemoObject* o = pkg->find(record.object->id)) {
                inverse = ChangeRecord{{}, o->clone(), record.url, ChangeRecord::Changed};
                record.object->copy_into(*o, true);
                o->time = memo::now_time();
                stamp_package(*pkg);
            }
        break;
    case ChangeRecord::Cleared:
        inverse = ChangeRecord{{}, nullptr, {}, ChangeRecord::Cleared};
        for (const auto& saved : record.packages)
            if (auto pkg = package(saved->url, true)) {
                inverse->packages.push_back(pkg->clone());
                // A page cleared again is deleted as the clear did, so the server hears of it.
                if (saved->empty() && cache) {
                    cache->delete_site(*pkg);
                    continue;
                }
                pkg->assign(*saved);
                pkg->dirty = true;
                if (const MemoLayerServices& services = memo_layer_services(); services.package_changed)
                    services.package_changed();
            }
        break;
    }
    update();
    return inverse;
}

// ---- edit commands ----

bool CLayerWnd::can_copy() const
{
    return selection() != nullptr || !selection_rect_.normalized().is_empty();
}

QImage CLayerWnd::picture_of(const QRect& area, bool sharp)
{
    const QRect r = area & layer_rect();
    if (r.isEmpty())
        return {};
    const QRect painted = paint_into(r, sharp);  // may make back_ anew
    QImage picture = image_of(back_).copy(painted);
    if (!isVisible())  // a print or a thumbnail of a tab behind others
        release_buffers();
    return picture;
}

void CLayerWnd::copy()
{
    QRect area;
    for (const DocumentView& doc : surface_.documents()) {
        if (memo::normalize_url(doc.url) != selection_url_)
            continue;
        const memo::Point o = doc.offset();
        if (const MemoObject* sel = selection())
            area = to_qrect(sel->bounds().offset(o.x, o.y));
        else if (!selection_rect_.normalized().is_empty())
            area = to_qrect(selection_rect_.offset(o.x, o.y));
        break;
    }
    const QImage picture = picture_of(area);
    if (!picture.isNull())
        QGuiApplication::clipboard()->setImage(picture);
}

void CLayerWnd::cut()
{
    MemoObject* sel = selection();
    if (sel && !may_edit(*sel)) {
        ui::message_box(this, ::ui::string_text(res::str::kObjectLocked));
        return;
    }
    copy();
    if (sel)
        delete_selection();
}

bool CLayerWnd::paste()
{
    const std::vector<DocumentView> docs = surface_.documents();
    if (docs.empty())
        return false;
    const DocumentView& doc = docs.front();
    const auto pkg = package(doc.url, true);
    if (!pkg)
        return false;
    // New objects go near the top-left corner of what is in view.
    const memo::Point at = doc.to_document(doc.rect.topLeft() + QPoint(20, 20));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    std::unique_ptr<MemoObject> object;
    if (data && data->hasImage()) {
        const QImage image = qvariant_cast<QImage>(data->imageData()).convertToFormat(QImage::Format_ARGB32);
        if (image.isNull() || image.width() > memo::MemoImage::kMaxSide || image.height() > memo::MemoImage::kMaxSide)
            return false;
        auto photo = std::make_unique<memo::PhotoObject>();
        photo->image.create(image.width(), image.height());
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(photo->image.pixel(0, y), image.constScanLine(y), std::size_t(image.width()) * 4);
        photo->rect = {at.x, at.y, at.x + image.width(), at.y + image.height()};
        object = std::move(photo);
    } else if (data && data->hasText() && !data->text().isEmpty()) {
        auto box = std::make_unique<memo::TextBoxObject>();
        QString text = data->text();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        box->text = platform::from_qstring(text);
        int w = 0, h = 0;
        for (std::string_view line : box->lines()) {
            const memo::Size e = text_extent(box->font, line);
            w = std::max(w, e.cx);
            h += e.cy + 2;
        }
        box->rect = {at.x, at.y, at.x + w + 24, at.y + h + 20};
        object = std::move(box);
    } else {
        return false;
    }
    const memo::Rect bounds = object->bounds();
    MemoObject& added_object = added(*pkg, std::move(object));
    select(added_object);
    invalidate_document(doc, bounds.inflated(30));
    return true;
}

bool CLayerWnd::is_picture_file(const QString& path)
{
    static const QStringList kinds{"JPG", "JPEG", "PNG", "BMP", "PPM", "TGA"};
    return kinds.contains(QFileInfo(path).suffix().toUpper());
}

bool CLayerWnd::drop_picture(const QString& path, QPoint at)
{
    const QString ext = QFileInfo(path).suffix().toUpper();
    memo::MemoImage picture;
    std::unique_ptr<memo::ImageCodec> codec;
    if (ext == "JPG" || ext == "JPEG")
        codec = std::make_unique<memo::JpegCodec>(picture);
    else if (ext == "PNG")
        codec = std::make_unique<memo::PngCodec>(picture, true);
    else if (ext == "BMP")
        codec = std::make_unique<memo::BmpCodec>(picture);
    else if (ext == "PPM")
        codec = std::make_unique<memo::PpmCodec>(picture);
    else if (ext == "TGA")
        codec = std::make_unique<memo::TgaCodec>(picture);
    else
        return false;
    bool ok = false;
    try {
        rs2::FileStream in(QFileInfo(path).absoluteFilePath().toStdString(), rs2::FileStream::open_read);
        ok = codec->read(in);
    } catch (const rs2::IOException&) {
        ok = false;
    }
    if (!ok || picture.width() <= 0) {
        ui::message_box(this, ::ui::string_text(res::str::kFileReadFailed));
        return false;
    }
    const std::optional<DocumentView> doc = document_at(at);
    const auto pkg = doc ? package(doc->url, true) : nullptr;
    if (!pkg)
        return false;
    auto photo = std::make_unique<memo::PhotoObject>();
    const memo::Point p = doc->to_document(at);
    photo->rect = {p.x, p.y, p.x + picture.width(), p.y + picture.height()};
    photo->image = std::move(picture);
    const memo::Rect bounds = photo->rect;
    added(*pkg, std::move(photo));
    invalidate_document(*doc, bounds);
    return true;
}

// ---- memo::MemoView ----

memo::Size CLayerWnd::text_extent(const memo::LogFont& font, std::string_view sjis)
{
    const QFontMetrics metrics(memo::font_from_logfont(font));
    const QString text = platform::to_qstring(std::string(sjis));
    return {metrics.horizontalAdvance(text), metrics.height()};
}

void CLayerWnd::navigate(const std::string& url)
{
    surface_.navigate(url);
}

bool CLayerWnd::run_text_dialog(const memo::Rect& window_rect, std::string& text, const memo::LogFont& font)
{
    return CTextDialog::run(this, to_widget(to_qrect(window_rect)), text, font);
}

memo::MemoObject* CLayerWnd::find_object(const memo::Guid& id)
{
    for (const DocumentView& doc : surface_.documents())
        if (const auto pkg = package(doc.url, false))
            if (MemoObject* found = pkg->find(id))
                return found;
    return nullptr;
}

void CLayerWnd::invalidate(const memo::Rect& document_rect)
{
    invalidate_window(to_qrect(document_rect.offset(active_offset_.x, active_offset_.y)));
}

void CLayerWnd::show_cursor(std::optional<Qt::CursorShape> shape)
{
    tool_cursor_ = shape;
    if (!input_)
        return;
    if (shape)
        input_->setCursor(*shape);
    else if (busy_)
        input_->setCursor(Qt::BusyCursor);
    else
        input_->unsetCursor();
}

void CLayerWnd::set_busy(bool busy)
{
    busy_ = busy;
    show_cursor(tool_cursor_);
}

void CLayerWnd::invalidate_window(const QRect& rect)
{
    ++change_count_;
    if (rect.isNull())
        update();
    else
        update(to_widget(rect.adjusted(-1, -1, 1, 1)));
}

void CLayerWnd::invalidate_document(const DocumentView& document, const memo::Rect& rect)
{
    const memo::Point o = document.offset();
    invalidate_window(to_qrect(rect.offset(o.x, o.y)));
}

void CLayerWnd::invalidate_feedback(const QRect& rect)
{
    update(to_widget(rect.adjusted(-1, -1, 1, 1)));
}

void CLayerWnd::invalidate_feedback(const DocumentView& document, const memo::Rect& rect)
{
    const memo::Point o = document.offset();
    invalidate_feedback(to_qrect(rect.offset(o.x, o.y)));
}

// ---- input ----

bool CLayerWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == surface_.host()) {
        if (event->type() == QEvent::Resize)
            setGeometry(surface_.host()->rect());
        else if (event->type() == QEvent::ChildAdded)
            QTimer::singleShot(0, this, [this] { watch_input(); });
    }
    if (watched != input_)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
        return route_mouse(static_cast<QMouseEvent*>(event));
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        // Of the files dropped on the page only the first counts: a picture becomes a photo,
        // any other file is opened by the browser as a document (a memo file, a shortcut, a
        // page). Other drops (text, links) go to the page.
        auto* drop = static_cast<QDropEvent*>(event);
        const QList<QUrl> urls = drop->mimeData() ? drop->mimeData()->urls() : QList<QUrl>();
        if (urls.isEmpty() || !urls.front().isLocalFile())
            return false;
        drop->acceptProposedAction();
        if (event->type() == QEvent::Drop) {
            const QString path = urls.front().toLocalFile();
            if (is_picture_file(path))
                drop_picture(path, to_layer(input_->mapTo(surface_.host(), drop->position().toPoint())));
            else
                surface_.open_document(path);
        }
        return true;
    }
    default:
        return false;
    }
}

// True when the event is consumed (the page does not see it).
bool CLayerWnd::route_mouse(QMouseEvent* event)
{
    const QPoint p = to_layer(input_->mapTo(surface_.host(), event->position().toPoint()));
    const Qt::KeyboardModifiers keys = event->modifiers();
    const Qt::MouseButtons held = event->buttons();
    CTool* t = take_tool();
    const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (event->type() == QEvent::MouseMove)
        return t && shown_ && !t->mouse_move(keys, held, p);
    if (event->button() == Qt::LeftButton) {
        if (press) {
            if (held & Qt::RightButton)
                return false;  // a rocker click: the gesture handling takes it
            if (!t)
                return false;
            input_->setFocus();
            if (shown_)
                t->left_down(keys, p);
            return true;  // with a tool, the left button draws and never reaches the page
        }
        last_left_release_ = clock_.elapsed();
        if (on_left_release)
            on_left_release();
        if (t) {
            if (shown_)
                t->left_up(keys, p);
            return true;
        }
        return shown_ && browse_left_release(p);
    }
    if (!t || !shown_)
        return false;
    if (event->button() == Qt::RightButton) {
        if (press && (held & Qt::LeftButton))
            return false;  // a rocker click
        return press ? !t->right_down(keys, p) : !t->right_up(keys, p);
    }
    if (event->button() == Qt::MiddleButton)
        return press ? !t->middle_down(keys, p) : !t->middle_up(keys, p);
    return false;
}

// A click on a text box link in browse mode follows the link instead of reaching the page.
bool CLayerWnd::browse_left_release(QPoint p)
{
    const std::optional<DocumentView> doc = document_at(p);
    const auto pkg = doc ? package(doc->url, false) : nullptr;
    if (!pkg)
        return false;
    set_active_document(*doc);
    const memo::Point at = doc->to_document(p);
    for (std::size_t i = 0; i < pkg->size(); ++i) {
        MemoObject& o = pkg->at(i);
        if (o.hit_test(at) && o.click(*this, at))
            return true;
    }
    return false;
}

// ---- painting ----

bool CLayerWnd::has_anything_to_draw(const std::vector<DocumentView>& docs) const
{
    if (!surface_.document_shown())
        return false;
    return current_tool() != nullptr || !selection_rect_.is_empty() || has_memos(docs);
}

void CLayerWnd::paintEvent(QPaintEvent* event)
{
    if (!shown_)
        return;
    const QRect area = to_layer(event->rect()) & layer_rect();
    if (area.isEmpty())
        return;
    const std::vector<DocumentView> docs = surface_.documents();
    if (!surface_.document_shown())
        page_pixels_area_ = {};  // those were another document's
    const bool scroll_update = std::exchange(scroll_update_, false);
    if (!has_anything_to_draw(docs)) {
        surface_.layer_has_work(has_work());  // perhaps only its document is not shown yet
        picture_ = {};
        shows_nothing_ = shows_nothing_ || area == layer_rect();
        return;  // the page shows through untouched
    }
    surface_.layer_has_work(true);
    shows_nothing_ = false;
    const bool in_background = draws_in_background(docs);
    // Over a background picture the window draws a tool's feedback and new memos itself.
    const bool composed = in_background && (current_tool() || !unpictured_.empty());
    if (in_background)
        request_background_drawing(docs);
    if (composed)
        compose_background_picture(docs, area);
    else if (!in_background && !paint_scrolled(area, docs, scroll_update) && !paint_transparent(area, feedback()))
        return;

    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setClipRect(to_widget(area));
    if (in_background && !composed) {
        paint_background_picture(painter, docs, area);
    } else {
        // back_ holds the screen's own pixels from row origin_ on: drawn one to one, whatever
        // the scale, and only where it holds anything.
        const qreal ratio = devicePixelRatioF();
        QImage memos = image_of(back_);
        memos.setDevicePixelRatio(ratio);
        const QRect rows = buffer_rect(area);
        for (const QRect& part : coverage_.covered(rows.top(), rows.height())) {
            const QRectF shown(part.left() / ratio, (part.top() - origin_) / ratio, part.width() / ratio,
                               part.height() / ratio);
            painter.drawImage(shown, memos, part);
        }
    }
    painter.scale(surface_.zoom(), surface_.zoom());  // the frames below are in the layer's pixels

    // Selection frame and handle, and the marked area: dotted, over everything.
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    MemoObject* sel = selection();
    for (const DocumentView& doc : docs) {
        const std::string url = memo::normalize_url(doc.url);
        if (url != selection_url_)
            continue;
        painter.save();
        painter.setClipRect(doc.rect & area);
        const memo::Point o = doc.offset();
        if (sel) {
            const memo::Rect b = sel->bounds().normalized().offset(o.x, o.y);
            painter.drawRect(QRect(QPoint(b.left - 1, b.top - 1), QPoint(b.right, b.bottom)));
            if (sel->resizable())
                painter.fillRect(QRect(b.right - 3, b.bottom - 3, 6, 6), Qt::black);
        }
        if (!selection_rect_.is_empty()) {
            const memo::Rect r = selection_rect_.normalized().offset(o.x, o.y);
            painter.drawRect(QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)));
        }
        painter.restore();
        break;
    }

    const memo::Time64 now = memo::now_time();
    if (!docs.empty() && now - thumbnail_time_ > kThumbnailSeconds) {
        if (auto top = package(docs.front().url, false); top && !top->empty() && !thumbnail_queued_) {
            thumbnail_queued_ = true;  // the page cannot be read back while the window paints
            QTimer::singleShot(0, this, [this] {
                thumbnail_queued_ = false;
                make_thumbnail();
            });
        }
    }
}

// What a full picture of the layer depends on besides the scroll position.
CLayerWnd::PictureKey CLayerWnd::picture_key(const std::vector<DocumentView>& docs) const
{
    PictureKey key;
    key.size = layer_size();
    key.tool = current_tool() != nullptr || !selection_rect_.is_empty();
    for (const DocumentView& doc : docs)
        if (const auto pkg = package(doc.url, false))
            key.packages.push_back({pkg.get(), pkg->size(), pkg->time});
    return key;
}

// While the page scrolls and nothing else changed, the last picture moves with it and only the
// rows that come into view are drawn: a frame of a scrolling page costs a strip, not the
// window. A scroll that stops is followed by one whole drawing, which catches any change the
// key could not tell.
bool CLayerWnd::paint_scrolled(const QRect& area, const std::vector<DocumentView>& docs, bool scroll_update)
{
    const PictureKey key = picture_key(docs);
    const bool whole = area == layer_rect();
    const std::optional<int> moved = whole || scroll_update ? picture_rows_moved(docs, key) : std::nullopt;
    const int dy = moved ? docs.front().scroll.y() - picture_->scroll.y() : 0;
    if (dy == 0) {
        // Drawn by the caller; remembered when it is the whole layer.
        picture_.reset();
        if (whole && docs.size() == 1)
            picture_ = Picture{key, docs.front().scroll};
        else if (scroll_update && !moved)
            update();  // the memos outside the rows asked for no longer stand where they were
        return false;
    }
    slide_picture(*moved);
    const QSize size = layer_size();
    const QRect exposed = dy > 0 ? QRect(0, size.height() - dy, size.width(), dy) : QRect(0, 0, size.width(), -dy);
    if (!paint_transparent(exposed, feedback())) {
        picture_.reset();
        return false;
    }
    picture_->scroll = docs.front().scroll;
    settle_.start();
    return true;
}

std::optional<int> CLayerWnd::picture_rows_moved(const std::vector<DocumentView>& docs, const PictureKey& key) const
{
    if (!picture_ || docs.size() != 1 || key.tool || !(key == picture_->key) ||
        docs.front().scroll.x() != picture_->scroll.x())
        return std::nullopt;
    // On a scaled screen the picture moves by whole pixels of the screen only.
    const qreal moved = (docs.front().scroll.y() - picture_->scroll.y()) * screen_scale();
    if (std::abs(moved) >= height() / 2 || moved != std::round(moved) || !effect_areas(docs, layer_rect()).empty())
        return std::nullopt;
    return int(moved);
}

void CLayerWnd::top_scrolled()
{
    if (!shown_)
        return;
    const std::vector<DocumentView> docs = surface_.documents();
    if (!has_anything_to_draw(docs)) {
        update_unless_blank();
        return;
    }
    const std::optional<int> moved = selection() ? std::nullopt : picture_rows_moved(docs, picture_key(docs));
    if (!moved || *moved == 0) {
        update();
        return;
    }
    // The tiles that hold memos, where the window shows them now and where they move to.
    const qreal ratio = devicePixelRatioF();
    const auto shown = [ratio](const QRect& screen) {
        const int top = int(std::floor(screen.top() / ratio)), left = int(std::floor(screen.left() / ratio));
        return QRect(left, top, int(std::ceil((screen.left() + screen.width()) / ratio)) - left,
                     int(std::ceil((screen.top() + screen.height()) / ratio)) - top);
    };
    // Each gathered top to bottom, which a region appends cheaply; then joined once.
    QRegion now, then;
    qint64 covered = 0;
    for (const QRect& part : coverage_.covered(origin_, device_rect(layer_rect()).height())) {
        const QRect r = shown(part.translated(0, -origin_));
        now += r;
        then += shown(part.translated(0, -origin_ - *moved));
        covered += qint64(r.width()) * r.height();
    }
    scroll_update_ = true;
    // Tiles over much of the window cost more to repaint one by one than the window at once.
    if (covered * 4 > qint64(width()) * height()) {
        update();
        return;
    }
    QRegion region = now | then;
    const QSize size = layer_size();
    const int dy = docs.front().scroll.y() - picture_->scroll.y();
    region += to_widget(dy > 0 ? QRect(0, size.height() - dy, size.width(), dy) : QRect(0, 0, size.width(), -dy));
    update(region);
}

// The picture slides within the buffers' spare rows: the pixels stay where they are and the
// picture's top row moves. Only when it would leave the buffers are the rows it keeps moved,
// to the far end, so most scroll frames copy nothing.
void CLayerWnd::slide_picture(int rows)
{
    const int height = device_rect(layer_rect()).height();
    const int kept = height - std::abs(rows);
    const int origin = origin_ + rows;
    if (origin >= 0 && origin + height <= back_.height()) {
        origin_ = origin;
        return;
    }
    const int from = rows > 0 ? origin_ + rows : origin_;
    const int to = rows > 0 ? 0 : back_.height() - kept;
    std::memmove(back_.pixel(0, to), back_.pixel(0, from), std::size_t(kept) * back_.stride());
    coverage_.move_rows(to, from, kept);
    origin_ = rows > 0 ? 0 : to - (height - kept);
}

void CLayerWnd::page_presented()
{
    if (!shown_ || painting_ || grabbing_ || follow_queued_)
        return;
    // Not inside the engine's render: the page can be read back only once it is done.
    follow_queued_ = true;
    QTimer::singleShot(0, this, &CLayerWnd::follow_page);
}

void CLayerWnd::follow_page()
{
    follow_queued_ = false;
    // A scroll repaints the layer through the surface; here only the effects follow the page,
    // and whatever a paint left undrawn while it waited for them.
    const std::vector<QRect> effects = effect_areas(surface_.documents(), layer_rect());
    if (!effects.empty())
        take_page_pixels(effects);
    for (const QRect& r : effects)
        update(to_widget(r));
    if (!undrawn_.isEmpty())
        update(to_widget(std::exchange(undrawn_, QRect())));
}

void CLayerWnd::take_page_pixels(const std::vector<QRect>& areas)
{
    QRect bounds;
    for (const QRect& r : areas)
        bounds |= r;
    const QScopedValueRollback<bool> grabbing(grabbing_, true);
    page_pixels_ = page_picture(bounds, device_rect(bounds).size());
    page_pixels_area_ = bounds;
}

QImage CLayerWnd::page_picture(const QRect& area, QSize size)
{
    QImage page = surface_.grab_page(area).convertToFormat(QImage::Format_RGB32);
    if (page.size() != size)
        page = page.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return page;
}

QRect CLayerWnd::device_rect(const QRect& area) const
{
    return ::device_rect(area, screen_scale());
}

std::vector<QRect> CLayerWnd::effect_areas(const std::vector<DocumentView>& docs, const QRect& area) const
{
    std::vector<QRect> found;
    for (const DocumentView& doc : docs) {
        const auto pkg = package(doc.url, false);
        if (!pkg)
            continue;
        const memo::Point o = doc.offset();
        for (std::size_t i = 0; i < pkg->size(); ++i)
            if (pkg->at(i).kind() == memo::MemoKind::Effect)
                if (const QRect r = to_qrect(pkg->at(i).bounds().offset(o.x, o.y)) & doc.rect & area; !r.isEmpty())
                    found.push_back(r);
    }
    return found;
}

// The view's pixels and a quarter of a window of spare rows, for the picture to slide in while
// the page scrolls. The scratch images are made by the memos that need them, at this size.
void CLayerWnd::ensure_buffers()
{
    const QSize device = device_rect(layer_rect()).size();
    const int w = std::max(device.width(), 1);
    const int h = std::max(device.height() + device.height() / 4, 1);
    // Buffers grown for a view shown enlarged for a while (a print's capture) are given back.
    const bool oversized = qint64(back_.width()) * back_.height() > 4 * qint64(w) * h;
    if (back_.width() >= device.width() && back_.height() >= device.height() + device.height() / 4 && !back_.empty() &&
        !oversized) {
        if (origin_ + device.height() > back_.height()) {  // the window grew
            origin_ = 0;
            picture_.reset();
        }
        return;
    }
    picture_.reset();
    origin_ = 0;
    canvases_.release();
    shared_repainter().release_canvases();
    back_.create(w, h);
    back_white_.create(w, h);
    coverage_.reset(w, h);
    scratch1_.clear();
    scratch2_.clear();
}

// A tab behind others keeps none of its view's pixels: some 20 MB a tab at a full-screen size.
// The paint that shows the layer again draws them anew before the window shows them. The last
// background picture stays: without it a page whose memos are slow to draw would show none
// until the new one is finished.
void CLayerWnd::release_buffers()
{
    picture_.reset();
    origin_ = 0;
    canvases_.release();
    shared_repainter().release_canvases();
    for (memo::MemoImage* image : {&back_, &back_white_, &scratch1_, &scratch2_})
        image->clear();
    coverage_.reset(0, 0);
    if (background_) {  // its thread's images go with it; showing again asks anew
        background_.reset();
        requested_.reset();
    }
}

void CLayerWnd::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    release_buffers();
}

void CLayerWnd::draw_memos(memo::MemoImage& target, const QRect& area, bool on_screen)
{
    DrawTools tools = draw_tools();
    const qreal scale = on_screen ? screen_scale() : 1.0;
    report_outlined(draw_documents(target, area, scale, on_screen ? origin_ : 0, drawn_documents(surface_.documents()),
                                   tools, feedback()));
}

DrawTools CLayerWnd::draw_tools()
{
    return {scratch1_, scratch2_, canvases_, shared_repainter(), memo_layer_services().stamps};
}

DrawFeedback CLayerWnd::feedback() const
{
    CTool* t = current_tool();
    if (!t || t->layer() != this)
        return {};  // what the tool shows belongs to the layer it works on
    return [t](memo::DrawContext& ctx, const DocumentView& doc) { t->draw_feedback(ctx, doc); };
}

std::vector<DrawnDocument> CLayerWnd::drawn_documents(const std::vector<DocumentView>& docs) const
{
    std::vector<DrawnDocument> drawn;
    for (const DocumentView& doc : docs)
        drawn.push_back({doc, package(doc.url, false).get()});
    return drawn;
}

void CLayerWnd::report_outlined(int outlined)
{
    if (outlined > 0 && outlined != outlined_) {
        outlined_ = outlined;
        emit drawing_cut_short(outlined);
    }
}

QRect CLayerWnd::paint_into(const QRect& area, bool on_screen)
{
    ensure_buffers();
    picture_.reset();  // back_ holds the page now
    const QRect target = on_screen ? buffer_rect(area) : area;
    // The page's own pixels first: memos blend over them and effects read them.
    back_.fill_rect(target.left(), target.top(), target.width(), target.height(), memo::rgb(255, 255, 255), 255);
    QImage page;
    {
        const QScopedValueRollback<bool> grabbing(grabbing_, true);
        page = page_picture(area, target.size());
    }
    copy_page_into(back_, target, page, target.topLeft());
    draw_memos(back_, area, on_screen);
    return target;
}

// The page cannot be read back while the window paints: the pixels under effects come from
// the last frame the engine presented (page_presented).
bool CLayerWnd::have_page_under(const std::vector<QRect>& effects)
{
    for (const QRect& r : effects)
        if (!page_pixels_area_.contains(r)) {
            // A new effect, one scrolled into view, or a new page: its pixels come first.
            if (!follow_queued_) {
                follow_queued_ = true;
                QTimer::singleShot(0, this, &CLayerWnd::follow_page);
            }
            return false;
        }
    return true;
}

bool CLayerWnd::paint_transparent(const QRect& area, const DrawFeedback& feedback)
{
    const std::vector<QRect> effects = effect_areas(surface_.documents(), area);
    if (!have_page_under(effects)) {
        undrawn_ |= area;  // drawn once they are read
        return false;
    }
    ensure_buffers();
    const QScopedValueRollback<bool> painting(painting_, true);
    DrawTools tools = draw_tools();
    report_outlined(draw_premultiplied(back_, back_white_, area, screen_scale(), origin_,
                                       drawn_documents(surface_.documents()), effects,
                                       {page_pixels_, page_pixels_area_}, tools, feedback));
    coverage_.update(back_, buffer_rect(area));
    return true;
}

// A package whose drawing would hold up the window is drawn on another thread, over copies
// of the packages; the window shows the last finished picture meanwhile, moved with the scroll
// since, with a tool's feedback drawn over it here.
bool CLayerWnd::draws_in_background(const std::vector<DocumentView>& docs)
{
    ensure_buffers();
    DrawTools tools = draw_tools();
    if (drawing_cost(back_, layer_rect(), screen_scale(), drawn_documents(docs), tools) < kBackgroundCost) {
        background_picture_.reset();
        requested_.reset();
        unpictured_.clear();
        return false;
    }
    picture_.reset();  // back_ no longer holds what the window shows
    return true;
}

void CLayerWnd::request_background_drawing(const std::vector<DocumentView>& docs)
{
    const std::vector<QRect> effects = effect_areas(docs, layer_rect());
    if (!have_page_under(effects))
        return;
    PictureKey key = picture_key(docs);
    key.tool = false;  // the tool's feedback is not part of the background picture
    const BackgroundState state{std::move(key), docs, screen_scale(), change_count_, page_pixels_.cacheKey()};
    if (state == requested_)
        return;
    if (!copies_ || !(copies_state_.key == state.key) || copies_state_.changes != state.changes) {
        auto copies = std::make_shared<BackgroundDrawing::Packages>();
        for (const DocumentView& doc : docs) {
            const auto pkg = package(doc.url, false);
            copies->push_back(pkg ? pkg->clone() : nullptr);
        }
        copies_ = std::move(copies);
        copies_state_ = state;
    }
    requested_ = state;
    if (!background_) {
        background_ = std::make_unique<BackgroundDrawing>(memo_layer_services().stamps);
        connect(background_.get(), &BackgroundDrawing::finished, this,
                [this](const BackgroundDrawing::Picture& picture) {
                    report_outlined(picture.outlined);
                    background_picture_ = picture;
                    std::erase_if(unpictured_, [&](const Unpictured& u) { return u.serial < picture.serial; });
                    update();
                });
    }
    background_->request({copies_, docs, layer_size(), screen_scale(), effects, {page_pixels_, page_pixels_area_},
                          ++requests_});
}

std::optional<QPoint> CLayerWnd::background_shift(const std::vector<DocumentView>& docs) const
{
    if (!background_picture_ || background_picture_->scale != screen_scale())
        return std::nullopt;
    const std::vector<DocumentView>& drawn = background_picture_->docs;
    if (drawn.size() != docs.size() || docs.empty() || drawn.front().url != docs.front().url ||
        drawn.front().rect != docs.front().rect)
        return std::nullopt;
    // Frames move with the top document and keep their own scroll positions.
    const QPoint shift = drawn.front().scroll - docs.front().scroll;
    for (std::size_t i = 1; i < docs.size(); ++i)
        if (drawn[i].url != docs[i].url || drawn[i].scroll != docs[i].scroll ||
            drawn[i].rect.translated(shift) != docs[i].rect)
            return std::nullopt;
    return shift;
}

void CLayerWnd::paint_background_picture(QPainter& painter, const std::vector<DocumentView>& docs, const QRect& area)
{
    const std::optional<QPoint> shift = background_shift(docs);
    if (!shift)
        return;  // drawn for another page or layout: nothing rather than memos out of place
    QImage memos = background_picture_->memos;
    const qreal ratio = devicePixelRatioF();
    memos.setDevicePixelRatio(ratio);
    painter.drawImage(QPointF(*shift) * surface_.zoom(), memos);
    // The rows scrolled into view since are drawn here while that is cheap (a few frames of a
    // scroll), else left to the picture being drawn.
    const QRegion exposed = QRegion(area) - QRegion(layer_rect().translated(*shift));
    DrawTools tools = draw_tools();
    for (const QRect& r : exposed) {
        if (drawing_cost(back_, r, screen_scale(), drawn_documents(docs), tools) >= kBackgroundCost ||
            !paint_transparent(r, feedback()))
            continue;
        const QRect part = buffer_rect(r);
        const QRectF shown(part.left() / ratio, (part.top() - origin_) / ratio, part.width() / ratio,
                           part.height() / ratio);
        painter.drawImage(shown, image_of(back_), part);
    }
}

void CLayerWnd::compose_background_picture(const std::vector<DocumentView>& docs, const QRect& area)
{
    ensure_buffers();
    const QRect target = buffer_rect(area);
    const std::optional<QPoint> shift = background_shift(docs);
    const QRect pictured = shift ? area & layer_rect().translated(*shift) : QRect();
    {
        QImage buffer = image_of(back_);
        QPainter painter(&buffer);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setClipRect(target);
        painter.fillRect(target, Qt::transparent);
        if (shift)
            painter.drawImage(QPointF(*shift) * screen_scale() + QPointF(0, origin_), background_picture_->memos);
    }
    // The rows scrolled into view since, while that is cheap, as paint_background_picture.
    DrawTools tools = draw_tools();
    const std::vector<DrawnDocument> drawn = drawn_documents(docs);
    for (const QRect& r : QRegion(area) - QRegion(pictured))
        if (drawing_cost(back_, r, screen_scale(), drawn, tools) < kBackgroundCost)
            paint_transparent(r, {});
    // What is drawn over the picture blends over it as over the memos of a drawing here: the
    // premultiplied picture goes back to a drawing over black and one over white.
    for (int y = target.top(); y <= target.bottom(); ++y)
        memo::pixel_rows::backdrops_from_premultiplied(back_.pixel(target.left(), y),
                                                       back_white_.pixel(target.left(), y), target.width());
    std::vector<DrawnDocument> bare;
    for (const DocumentView& doc : docs)
        bare.push_back({doc, nullptr});
    for (memo::MemoImage* image : {&back_, &back_white_}) {
        if (!pictured.isEmpty())
            draw_documents(*image, pictured, screen_scale(), origin_, bare, tools, unpictured_feedback());
        draw_documents(*image, area, screen_scale(), origin_, bare, tools, feedback());
    }
    for (int y = target.top(); y <= target.bottom(); ++y)
        memo::pixel_rows::premultiply_from_backdrops(back_.pixel(target.left(), y), back_white_.pixel(target.left(), y),
                                                     target.width());
    coverage_.update(back_, target);
}

DrawFeedback CLayerWnd::unpictured_feedback() const
{
    return [this](memo::DrawContext& ctx, const DocumentView& doc) {
        const auto pkg = package(doc.url, false);
        for (const Unpictured& u : unpictured_)
            if (pkg && u.url == pkg->url)
                if (MemoObject* o = pkg->find(u.id))
                    o->draw(ctx);
    };
}

QImage CLayerWnd::shown_with_background_picture()
{
    QImage shown;
    {
        const QScopedValueRollback<bool> grabbing(grabbing_, true);
        shown = page_picture(layer_rect(), layer_size());
    }
    if (const std::optional<QPoint> shift = background_shift(surface_.documents())) {
        const QImage& memos = background_picture_->memos;
        QPainter painter(&shown);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(QPointF(*shift), QSizeF(memos.size()) / screen_scale()), memos);
    }
    return shown;
}

void CLayerWnd::make_thumbnail()
{
    const std::vector<DocumentView> docs = surface_.documents();
    const auto top = docs.empty() ? nullptr : package(docs.front().url, false);
    if (!top || top->empty())
        return;
    // The view as shown, at half size, then into the 32 x 32 thumbnail.
    // A package drawn in the background is not drawn again here: the window shows its picture,
    // and until the first is finished there is none to take (a later paint asks again).
    if (requested_ && !background_picture_)
        return;
    const QImage shown = background_picture_ ? shown_with_background_picture() : picture_of(layer_rect());
    const QImage half = shown.scaled(layer_size() / 2, Qt::IgnoreAspectRatio,
                                                            Qt::SmoothTransformation);
    const QImage small = half.scaled(kThumbnailSide, kThumbnailSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_ARGB32);
    top->thumbnail.create(kThumbnailSide, kThumbnailSide);
    for (int y = 0; y < kThumbnailSide; ++y)
        std::memcpy(top->thumbnail.pixel(0, y), small.constScanLine(y), kThumbnailSide * 4);
    thumbnail_time_ = memo::now_time();
}
