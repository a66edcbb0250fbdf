#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "memo/MemoObject.h"
#include "memo/ui/PageSurface.h"

class CLayerWnd;

// A drawing tool: the layer of the active tab feeds it the mouse while it is current. The
// handlers take layer coordinates and return true when the event shall also reach the page.
class CTool {
public:
    virtual ~CTool() = default;

    // The tool's own drawing during a paint, over the memos of one document.
    virtual void draw_feedback(memo::DrawContext&, const DocumentView&) {}
    virtual void activate() {}
    virtual void deactivate() { end(); }
    virtual void attach(CLayerWnd* layer);
    virtual void command(int) {}
    virtual bool mouse_move(Qt::KeyboardModifiers, Qt::MouseButtons, QPoint) { return false; }
    virtual bool left_down(Qt::KeyboardModifiers, QPoint) { return false; }
    virtual bool left_up(Qt::KeyboardModifiers, QPoint) { return false; }
    virtual bool right_down(Qt::KeyboardModifiers, QPoint) { return false; }
    virtual bool right_up(Qt::KeyboardModifiers, QPoint) { return false; }
    virtual bool middle_down(Qt::KeyboardModifiers, QPoint) { return false; }
    virtual bool middle_up(Qt::KeyboardModifiers, QPoint) { return false; }

    CLayerWnd* layer() const;
    // The pointer shape over the page while the tool is current.
    virtual Qt::CursorShape cursor() const { return Qt::CrossCursor; }
    // The option panel of this tool's kind (-1 for none).
    virtual int option_panel() const { return -1; }

protected:
    // Forgets a drag in progress.
    virtual void end() {}
    QPointer<CLayerWnd> layer_;
};

class CSelectTool : public CTool {
public:
    Qt::CursorShape cursor() const override { return Qt::ArrowCursor; }
    void command(int id) override;
    bool mouse_move(Qt::KeyboardModifiers, Qt::MouseButtons, QPoint p) override;
    bool left_down(Qt::KeyboardModifiers, QPoint p) override;
    bool left_up(Qt::KeyboardModifiers, QPoint p) override;
    bool right_up(Qt::KeyboardModifiers, QPoint p) override;

    // The Properties item of the context menu; tests call it directly.
    static std::function<void(CLayerWnd&, memo::MemoObject&)> show_properties;

protected:
    void end() override { mode_ = Mode::None; }

private:
    enum class Mode { None, Move, Resize, Rect };
    Mode mode_ = Mode::None;
    bool changed_ = false;
    QPoint press_;
    QPoint last_;
    DocumentView document_;
};

class CFreeHandTool : public CTool {
public:
    CFreeHandTool();
    void draw_feedback(memo::DrawContext& context, const DocumentView& document) override;
    bool mouse_move(Qt::KeyboardModifiers, Qt::MouseButtons buttons, QPoint p) override;
    bool left_down(Qt::KeyboardModifiers modifiers, QPoint p) override;
    bool left_up(Qt::KeyboardModifiers, QPoint p) override;
    bool right_down(Qt::KeyboardModifiers, QPoint p) override;
    bool right_up(Qt::KeyboardModifiers, QPoint) override;

    // The settings of new strokes (width, type, colours, arrows).
    memo::StrokeObject& pen() { return pen_; }
    // The end of a straight line from start towards p: p projected onto the nearest of the
    // eight directions.
    static memo::Point straight_end(memo::Point start, memo::Point p);

protected:
    void end() override;

private:
    void erase_at(QPoint p);
    memo::Rect window_bounds() const;

    memo::StrokeObject pen_;
    std::unique_ptr<memo::StrokeObject> stroke_;  // the stroke being drawn
    DocumentView document_;
    bool straight_ = false;
    bool erasing_ = false;
};

class CEraserTool : public CTool {
public:
    bool mouse_move(Qt::KeyboardModifiers, Qt::MouseButtons buttons, QPoint p) override;
    bool left_down(Qt::KeyboardModifiers, QPoint p) override;
    bool left_up(Qt::KeyboardModifiers, QPoint) override;

protected:
    void end() override { erasing_ = false; }

private:
    void erase_at(QPoint p);
    bool erasing_ = false;
};

// Tools that drag out a rectangle in one document: text, primitive, effect.
class CRectTool : public CTool {
public:
    void draw_feedback(memo::DrawContext& context, const DocumentView& document) override;
    bool mouse_move(Qt::KeyboardModifiers, Qt::MouseButtons, QPoint p) override;
    bool left_down(Qt::KeyboardModifiers, QPoint p) override;

protected:
    void end() override { dragging_ = false; }
    // Stops the drag; the rectangle in document coordinates and whether there was one.
    bool finish(QPoint p, memo::Rect& rect);
    // The dragged rectangle, in document coordinates.
    virtual void draw_drag(memo::DrawContext& context, const memo::Rect& document_rect);

    bool dragging_ = false;
    QPoint press_;
    DocumentView document_;
    memo::Rect rect_;  // document coordinates, as dragged
};

// A drag makes a text box of the dragged size, at least kMinimumBox; a click makes one of
// kDefaultBox with its top left corner at the click, or edits the text box clicked. The editor
// covers exactly the box that will be made, and a box is made only when text was typed.
class CTextTool : public CRectTool {
public:
    static constexpr memo::Size kMinimumBox{40, 20};
    static constexpr memo::Size kDefaultBox{200, 60};

    Qt::CursorShape cursor() const override { return Qt::IBeamCursor; }
    bool left_up(Qt::KeyboardModifiers, QPoint p) override;
    int option_panel() const override { return 2; }
    memo::TextBoxObject& box() { return template_; }

private:
    memo::TextBoxObject template_;
};

class CPrimitiveTool : public CRectTool {
public:
    bool left_up(Qt::KeyboardModifiers modifiers, QPoint p) override;
    int option_panel() const override { return 5; }
    memo::PrimitiveObject& shape() { return template_; }

private:
    memo::PrimitiveObject template_;
};

class CEffectTool : public CRectTool {
public:
    bool left_up(Qt::KeyboardModifiers, QPoint p) override;
    int option_panel() const override { return 6; }
    memo::EffectObject& effect() { return template_; }

protected:
    void draw_drag(memo::DrawContext& context, const memo::Rect& document_rect) override;

private:
    memo::EffectObject template_;
};

class CStampTool : public CTool {
public:
    enum class Scale { Double, Single, Half };
    Qt::CursorShape cursor() const override { return Qt::PointingHandCursor; }
    bool left_down(Qt::KeyboardModifiers, QPoint p) override;
    int option_panel() const override { return 1; }

    std::string stamp;  // the chosen stamp's name; empty for none
    Scale scale = Scale::Single;

    // Where a stamp of w x h pictured at p lands for a scale.
    static memo::Rect placement(memo::Point p, int w, int h, Scale scale);
};

// The process-wide tools and which one is current (none: browse mode).
class CToolBox {
public:
    CToolBox();
    ~CToolBox();

    // The tool of a tool command id (32782...), or null.
    CTool* tool(int command_id) const;
    CTool* current() const { return current_; }
    int current_id() const { return current_id_; }
    // Switches: deactivates the old tool, attaches the new one to the layer and activates it.
    // 0 is browse mode.
    void set_current(int command_id, CLayerWnd* layer);

    CSelectTool& select_tool() { return *select_; }
    CFreeHandTool& freehand() { return *freehand_; }
    CTextTool& text() { return *text_; }
    CPrimitiveTool& primitive() { return *primitive_; }
    CEffectTool& effect() { return *effect_; }
    CStampTool& stamp() { return *stamp_; }

    // Observers told when the current tool changes (option panels, the drawing bar's
    // buttons); `watch` returns the number that `unwatch` takes.
    int watch(std::function<void(int command_id)> observer);
    void unwatch(int number);
    // Binds the option panel of a selected object's kind to it (object set) or lets it go
    // back to the tool's settings (null).
    std::function<void(int panel, CLayerWnd* layer, memo::MemoObject* object)> bind_panel;

private:
    std::unique_ptr<CSelectTool> select_;
    std::unique_ptr<CFreeHandTool> freehand_;
    std::unique_ptr<CEraserTool> eraser_;
    std::unique_ptr<CTextTool> text_;
    std::unique_ptr<CPrimitiveTool> primitive_;
    std::unique_ptr<CStampTool> stamp_;
    std::unique_ptr<CEffectTool> effect_;
    std::map<int, CTool*> by_id_;
    CTool* current_ = nullptr;
    int current_id_ = 0;
    std::map<int, std::function<void(int)>> observers_;
    int next_observer_ = 0;
};
