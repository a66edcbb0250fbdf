#include "memo/ui/Tools.h"

#include <QCoreApplication>
#include <QMenu>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "memo/PackageFiles.h"
#include "memo/ui/LayerWnd.h"
#include "memo/ui/ObjectPropDialog.h"

using memo::MemoObject;

namespace {

constexpr int kSelectId = 32782;

bool near_press(QPoint a, QPoint b)
{
    return std::abs(a.x() - b.x()) <= 3 && std::abs(a.y() - b.y()) <= 3;
}

} // namespace

void CTool::attach(CLayerWnd* layer)
{
    if (layer_ != layer) {
        end();
        if (layer_)
            layer_->show_cursor(std::nullopt);
    }
    layer_ = layer;
    if (layer)
        layer->show_cursor(cursor());
}

CLayerWnd* CTool::layer() const
{
    return layer_.data();
}

// ---- select ----

std::function<void(CLayerWnd&, MemoObject&)> CSelectTool::show_properties = [](CLayerWnd& layer, MemoObject& o) {
    CObjectPropDialog::edit(&layer, layer, o);
};

void CSelectTool::command(int id)
{
    if (id == 32862 && layer_)
        layer_->delete_selection();
}

bool CSelectTool::left_down(Qt::KeyboardModifiers, QPoint p)
{
    mode_ = Mode::None;
    if (!layer_)
        return false;
    const std::optional<DocumentView> doc = layer_->document_at(p);
    if (!doc)
        return false;
    document_ = *doc;
    press_ = last_ = p;
    changed_ = false;
    if (layer_->handle_hit_test(p)) {
        mode_ = Mode::Resize;
        return false;
    }
    const CLayerWnd::Hit hit = layer_->hit_test(p);
    if (hit.object) {
        if (layer_->selection() != hit.object)
            layer_->select(*hit.object);
        mode_ = Mode::Move;
        return false;
    }
    layer_->deselect();
    const memo::Point at = doc->to_document(p);
    layer_->set_selection_rect(doc->url, {at.x, at.y, at.x, at.y}, doc->scroll);
    mode_ = Mode::Rect;
    return false;
}

bool CSelectTool::mouse_move(Qt::KeyboardModifiers, Qt::MouseButtons buttons, QPoint p)
{
    if (!layer_ || mode_ == Mode::None || !(buttons & Qt::LeftButton))
        return false;
    if (mode_ == Mode::Rect) {
        const QSize size = layer_->layer_size();
        const QPoint clamped(std::clamp(p.x(), 0, size.width() - 1), std::clamp(p.y(), 0, size.height() - 1));
        memo::Rect r = layer_->selection_rect();
        const memo::Point at = document_.to_document(clamped);
        const memo::Rect old = r;
        r.right = at.x;
        r.bottom = at.y;
        layer_->set_selection_rect(document_.url, r, document_.scroll);
        layer_->invalidate_feedback(document_, old.normalized().united(r.normalized()).inflated(2));
        return false;
    }
    MemoObject* o = layer_->selection();
    if (!o)
        return false;
    const int dx = p.x() - last_.x(), dy = p.y() - last_.y();
    if (dx == 0 && dy == 0)
        return false;
    if (!changed_) {
        layer_->about_to_change(*o);
        changed_ = true;
    }
    const memo::Rect before = o->bounds().normalized();
    if (mode_ == Mode::Resize)
        o->resize(dx, dy);
    else
        o->move(dx, dy);
    last_ = p;
    layer_->invalidate_document(document_, before.united(o->bounds().normalized()).inflated(4));
    return false;
}

bool CSelectTool::left_up(Qt::KeyboardModifiers, QPoint p)
{
    const Mode mode = mode_;
    mode_ = Mode::None;
    if (!layer_)
        return false;
    if (mode == Mode::Rect) {
        memo::Rect r = layer_->selection_rect().normalized();
        if (r.width() < 3 || r.height() <= 2)
            r = {r.left, r.top, r.left, r.top};
        r.left = std::max(r.left, 0);
        r.top = std::max(r.top, 0);
        r.right = std::max(r.right, 0);
        r.bottom = std::max(r.bottom, 0);
        layer_->set_selection_rect(document_.url, r, document_.scroll);
        return false;
    }
    if (mode != Mode::None && near_press(p, press_)) {
        if (MemoObject* o = layer_->selection(); o && layer_->may_edit(*o)) {
            layer_->set_active_document(document_);
            o->edit(*layer_);
        }
    }
    return false;
}

bool CSelectTool::right_up(Qt::KeyboardModifiers, QPoint p)
{
    if (!layer_)
        return false;
    const CLayerWnd::Hit hit = layer_->hit_test(p);
    if (!hit.object)
        return false;
    const memo::Guid id = hit.object->id;
    const auto pkg = hit.package;
    QMenu menu(layer_);
    QAction* properties = menu.addAction(QCoreApplication::translate("Tools", "プロパティ(&P)"));
    if (menu.exec(layer_->mapToGlobal(p)) == properties)
        if (MemoObject* o = pkg->find(id))
            show_properties(*layer_, *o);
    return false;
}

// ---- freehand ----

CFreeHandTool::CFreeHandTool()
{
    pen_.colour = memo::rgb(255, 191, 0);
    pen_.border_colour = memo::rgb(255, 0, 0);
    pen_.width = 6;
    pen_.type = 1;
}

memo::Point CFreeHandTool::straight_end(memo::Point start, memo::Point p)
{
    const double dx = p.x - start.x, dy = p.y - start.y;
    if (dx == 0 && dy == 0)
        return start;
    const double d = std::sqrt(0.5);
    const double dirs[8][2] = {{1, 0}, {d, d}, {0, 1}, {-d, d}, {-1, 0}, {-d, -d}, {0, -1}, {d, -d}};
    int best = 0;
    double best_dot = -1e300;
    for (int i = 0; i < 8; ++i) {
        const double dot = dx * dirs[i][0] + dy * dirs[i][1];
        if (dot > best_dot) {
            best_dot = dot;
            best = i;
        }
    }
    return {start.x + int(best_dot * dirs[best][0]), start.y + int(best_dot * dirs[best][1])};
}

memo::Rect CFreeHandTool::window_bounds() const
{
    return stroke_ ? stroke_->bounds().offset(document_.offset().x, document_.offset().y) : memo::Rect{};
}

bool CFreeHandTool::left_down(Qt::KeyboardModifiers modifiers, QPoint p)
{
    stroke_.reset();
    if (!layer_)
        return false;
    const std::optional<DocumentView> doc = layer_->document_at(p);
    if (!doc)
        return false;
    const auto pkg = layer_->package(doc->url, true);
    if (!pkg)
        return false;
    pkg->time = memo::now_time();
    document_ = *doc;
    auto stroke = pen_.clone();
    stroke_.reset(static_cast<memo::StrokeObject*>(stroke.release()));
    stroke_->points = {doc->to_document(p)};
    straight_ = modifiers & Qt::ShiftModifier;
    return false;
}

bool CFreeHandTool::mouse_move(Qt::KeyboardModifiers, Qt::MouseButtons buttons, QPoint p)
{
    if (!layer_)
        return false;
    if (erasing_ && (buttons & Qt::RightButton)) {
        erase_at(p);
        return false;
    }
    if (!stroke_ || !(buttons & Qt::LeftButton))
        return false;
    const memo::Point at = document_.to_document(p);
    const int w = stroke_->width;
    if (straight_) {
        const memo::Rect before = window_bounds();
        const memo::Point start = stroke_->points.front();
        stroke_->points = {start, straight_end(start, at)};
        const memo::Rect now = window_bounds().united(before);
        layer_->invalidate_feedback(QRect(QPoint(now.left - (4 * w + 8), now.top - (4 * w + 3)),
                                          QPoint(now.right + 4 * w + 8, now.bottom + 4 * w + 3)));
        return false;
    }
    const memo::Point prev = stroke_->points.back();
    stroke_->points.push_back(at);
    const memo::Rect span = memo::Rect{std::min(prev.x, at.x), std::min(prev.y, at.y), std::max(prev.x, at.x) + 1,
                                       std::max(prev.y, at.y) + 1}
                                .inflated(4 * w + 8);
    layer_->invalidate_feedback(document_, span);
    return false;
}

bool CFreeHandTool::left_up(Qt::KeyboardModifiers, QPoint)
{
    std::unique_ptr<memo::StrokeObject> stroke = std::move(stroke_);
    if (!layer_ || !stroke)
        return false;
    if (stroke->points.size() > 1) {
        if (const auto pkg = layer_->package(document_.url, true)) {
            const memo::Rect bounds = stroke->bounds();
            layer_->added(*pkg, std::move(stroke));
            layer_->invalidate_document(document_, bounds.inflated(4));
        }
    }
    return false;
}

bool CFreeHandTool::right_down(Qt::KeyboardModifiers, QPoint p)
{
    erasing_ = true;
    erase_at(p);
    return false;
}

bool CFreeHandTool::right_up(Qt::KeyboardModifiers, QPoint)
{
    erasing_ = false;
    return false;
}

void CFreeHandTool::erase_at(QPoint p)
{
    if (!layer_)
        return;
    const CLayerWnd::Hit hit = layer_->hit_test(p);
    if (!hit.object || hit.object->kind() != memo::MemoKind::Stroke || !layer_->may_edit(*hit.object))
        return;
    const memo::Rect bounds = hit.object->bounds();
    layer_->deleted(*hit.package, *hit.object);
    layer_->invalidate_document(hit.document, bounds.inflated(4));
}

void CFreeHandTool::end()
{
    stroke_.reset();
    erasing_ = false;
}

void CFreeHandTool::draw_feedback(memo::DrawContext& context, const DocumentView& document)
{
    if (stroke_ && stroke_->points.size() > 1 && document.url == document_.url)
        stroke_->draw(context);
}

// ---- eraser ----

bool CEraserTool::left_down(Qt::KeyboardModifiers, QPoint p)
{
    erasing_ = true;
    erase_at(p);
    return false;
}

bool CEraserTool::mouse_move(Qt::KeyboardModifiers, Qt::MouseButtons buttons, QPoint p)
{
    if (erasing_ && (buttons & Qt::LeftButton))
        erase_at(p);
    return false;
}

bool CEraserTool::left_up(Qt::KeyboardModifiers, QPoint)
{
    erasing_ = false;
    return false;
}

void CEraserTool::erase_at(QPoint p)
{
    if (!layer_)
        return;
    const std::optional<DocumentView> doc = layer_->document_at(p);
    const auto pkg = doc ? layer_->package(doc->url, false) : nullptr;
    if (!pkg)
        return;
    for (MemoObject* o : layer_->objects_at(p)) {
        if (!layer_->may_edit(*o))
            continue;
        const memo::Rect bounds = o->bounds();
        layer_->deleted(*pkg, *o);
        layer_->invalidate_document(*doc, bounds.inflated(4));
    }
}

// ---- rectangle tools ----

bool CRectTool::left_down(Qt::KeyboardModifiers, QPoint p)
{
    dragging_ = false;
    if (!layer_)
        return false;
    const std::optional<DocumentView> doc = layer_->document_at(p);
    if (!doc || !layer_->package(doc->url, true))
        return false;
    document_ = *doc;
    press_ = p;
    const memo::Point at = doc->to_document(p);
    rect_ = {at.x, at.y, at.x, at.y};
    dragging_ = true;
    return false;
}

bool CRectTool::mouse_move(Qt::KeyboardModifiers, Qt::MouseButtons buttons, QPoint p)
{
    if (!dragging_ || !layer_ || !(buttons & Qt::LeftButton))
        return false;
    const memo::Rect before = rect_.normalized();
    const memo::Point at = document_.to_document(p);
    rect_.right = at.x;
    rect_.bottom = at.y;
    layer_->invalidate_feedback(document_, before.united(rect_.normalized()).inflated(12));
    return false;
}

bool CRectTool::finish(QPoint p, memo::Rect& rect)
{
    if (!dragging_ || !layer_)
        return false;
    dragging_ = false;
    const memo::Point at = document_.to_document(p);
    rect_.right = at.x;
    rect_.bottom = at.y;
    rect = rect_;
    layer_->invalidate_document(document_, rect_.normalized().inflated(12));
    return true;
}

void CRectTool::draw_feedback(memo::DrawContext& context, const DocumentView& document)
{
    if (!dragging_ || document.url != document_.url)
        return;
    draw_drag(context, rect_.normalized());
}

void CRectTool::draw_drag(memo::DrawContext& context, const memo::Rect& r)
{
    memo::Canvas& c = context.canvases.canvas_for(context.target);
    c.set_pen({0, 1, true});
    c.set_brush(memo::Brush::none());
    c.rectangle(context.place(r));
}

bool CTextTool::left_up(Qt::KeyboardModifiers, QPoint p)
{
    memo::Rect r;
    if (!finish(p, r))
        return false;
    CLayerWnd* layer = layer_;
    const DocumentView doc = document_;
    if (near_press(p, press_)) {
        const CLayerWnd::Hit hit = layer->hit_test(p);
        if (hit.object && hit.object->kind() == memo::MemoKind::TextBox) {
            if (!layer->may_edit(*hit.object))
                return false;
            const memo::Guid id = hit.object->id;
            const auto pkg = hit.package;
            if (CToolBox* tools = memo_layer_services().tools)
                tools->set_current(kSelectId, layer);
            if (MemoObject* o = pkg->find(id)) {
                layer->select(*o);
                layer->set_active_document(doc);
                o->edit(*layer);
            }
            return false;
        }
        const memo::Point at = doc.to_document(press_);
        r = {at.x, at.y, at.x + kDefaultBox.cx, at.y + kDefaultBox.cy};
    } else {
        r = r.normalized();
        r.right = std::max(r.right, r.left + kMinimumBox.cx);
        r.bottom = std::max(r.bottom, r.top + kMinimumBox.cy);
    }
    std::string text;
    const memo::Point o = doc.offset();
    if (!layer->run_text_dialog(r.offset(o.x, o.y), text, template_.font) || text.empty())
        return false;
    auto box = template_.clone();
    auto* tb = static_cast<memo::TextBoxObject*>(box.get());
    tb->text = text;
    tb->rect = r;
    tb->id = memo::Guid{};
    if (const auto pkg = layer->package(doc.url, true)) {
        MemoObject& added = layer->added(*pkg, std::move(box));
        layer->invalidate_document(doc, r.inflated(30));
        if (CToolBox* tools = memo_layer_services().tools)
            tools->set_current(kSelectId, layer);
        layer->select(added);
    }
    return false;
}

bool CPrimitiveTool::left_up(Qt::KeyboardModifiers modifiers, QPoint p)
{
    memo::Rect r;
    if (!finish(p, r))
        return false;
    if (modifiers & Qt::ShiftModifier)
        r.bottom = r.top + (r.right - r.left);
    if (r.right < 0)
        return false;  // released left of the document
    r = r.normalized();
    if (r.width() <= 2 || r.height() <= 2)
        return false;
    auto shape = template_.clone();
    static_cast<memo::PrimitiveObject*>(shape.get())->rect = r;
    shape->id = memo::Guid{};
    if (const auto pkg = layer_->package(document_.url, true)) {
        layer_->added(*pkg, std::move(shape));
        layer_->invalidate_document(document_, r.inflated(8));
    }
    return false;
}

bool CEffectTool::left_up(Qt::KeyboardModifiers, QPoint p)
{
    memo::Rect r;
    if (!finish(p, r))
        return false;
    if (r.right < 0)
        return false;
    r = r.normalized();
    if (r.width() <= 2 || r.height() <= 2)
        return false;
    auto effect = template_.clone();
    static_cast<memo::EffectObject*>(effect.get())->rect = r;
    effect->id = memo::Guid{};
    CLayerWnd* layer = layer_;
    if (const auto pkg = layer->package(document_.url, true)) {
        MemoObject& added = layer->added(*pkg, std::move(effect));
        layer->invalidate_document(document_, r.inflated(4));
        if (CToolBox* tools = memo_layer_services().tools)
            tools->set_current(kSelectId, layer);
        layer->select(added);
    }
    return false;
}

void CEffectTool::draw_drag(memo::DrawContext& context, const memo::Rect& r)
{
    // The effect itself shows where it will go.
    memo::EffectObject preview;
    preview.operation = template_.operation;
    preview.shape = template_.shape;
    preview.rect = r;
    preview.draw(context);
    CRectTool::draw_drag(context, r);
}

// ---- stamp ----

memo::Rect CStampTool::placement(memo::Point p, int w, int h, Scale scale)
{
    switch (scale) {
    case Scale::Double:
        return {p.x - w, p.y - h, p.x + w, p.y + h};
    case Scale::Half:
        return {p.x - w / 4, p.y - h / 4, p.x - w / 4 + w / 2, p.y - h / 4 + h / 2};
    case Scale::Single:
    default:
        return {p.x - w / 2, p.y - h / 2, p.x - w / 2 + w, p.y - h / 2 + h};
    }
}

bool CStampTool::left_down(Qt::KeyboardModifiers, QPoint p)
{
    if (!layer_ || stamp.empty())
        return false;
    const MemoLayerServices& services = memo_layer_services();
    const memo::MemoImage* picture = services.stamps ? services.stamps->find(stamp) : nullptr;
    if (!picture)
        return false;
    const std::optional<DocumentView> doc = layer_->document_at(p);
    const auto pkg = doc ? layer_->package(doc->url, true) : nullptr;
    if (!pkg)
        return false;
    pkg->time = memo::now_time();
    auto object = std::make_unique<memo::StampObject>();
    object->name = stamp;
    object->rect = placement(doc->to_document(p), picture->width(), picture->height(), scale);
    const memo::Rect bounds = object->rect;
    layer_->added(*pkg, std::move(object));
    layer_->invalidate_document(*doc, bounds.inflated(2));
    return false;
}

// ---- the tool box ----

CToolBox::CToolBox()
    : select_(std::make_unique<CSelectTool>()), freehand_(std::make_unique<CFreeHandTool>()),
      eraser_(std::make_unique<CEraserTool>()), text_(std::make_unique<CTextTool>()),
      primitive_(std::make_unique<CPrimitiveTool>()), stamp_(std::make_unique<CStampTool>()),
      effect_(std::make_unique<CEffectTool>())
{
    by_id_ = {{32782, select_.get()}, {32785, freehand_.get()}, {32855, eraser_.get()}, {32783, text_.get()},
              {32790, primitive_.get()}, {32856, stamp_.get()}, {32861, effect_.get()}};
}

CToolBox::~CToolBox() = default;

CTool* CToolBox::tool(int command_id) const
{
    const auto it = by_id_.find(command_id);
    return it == by_id_.end() ? nullptr : it->second;
}

void CToolBox::set_current(int command_id, CLayerWnd* layer)
{
    CTool* next = tool(command_id);
    if (current_) {
        current_->deactivate();
        if (CLayerWnd* old = current_->layer()) {
            old->deselect();
            old->show_cursor(std::nullopt);
        }
    }
    current_ = next;
    current_id_ = next ? command_id : 0;
    if (next) {
        next->attach(layer);
        next->activate();
    }
    if (layer)
        layer->update();
    // An observer may watch or unwatch while it is told (the panels are made on the first tool).
    const auto observers = observers_;
    for (const auto& [number, observer] : observers)
        if (observers_.count(number))
            observer(current_id_);
}

int CToolBox::watch(std::function<void(int)> observer)
{
    observers_.emplace(++next_observer_, std::move(observer));
    return next_observer_;
}

void CToolBox::unwatch(int number)
{
    observers_.erase(number);
}
