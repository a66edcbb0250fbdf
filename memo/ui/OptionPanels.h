#pragma once

#include <QPointer>
#include <QStackedWidget>
#include <QWidget>
#include <functional>

#include "memo/MemoObject.h"

class CLayerWnd;
class CToolBox;
class CColourSwatch;
class COpacitySwatch;
class QCheckBox;
class QComboBox;
class QListWidget;
class QRadioButton;
class QButtonGroup;

// A tool's option panel: the settings of new objects, or, while an object of its kind is
// selected, that object itself. Every change to a selected object is recorded first.
class COptionPanel : public QWidget {
    Q_OBJECT
public:
    COptionPanel(memo::MemoObject& tool_template, QWidget* parent);
    // Edits object (selected in layer) from now on; null goes back to the template.
    void bind(CLayerWnd* layer, memo::MemoObject* object);
    // The object the controls show: the bound selection while it lasts, else the template.
    memo::MemoObject& edited();
    // Shows the edited object's values in the controls.
    virtual void load() = 0;

protected:
    // Applies a change: recorded and redrawn for a selected object, into the template otherwise.
    void apply(const std::function<void(memo::MemoObject&)>& change);
    template <class T>
    void apply_to(const std::function<void(T&)>& change)
    {
        apply([&](memo::MemoObject& o) { change(static_cast<T&>(o)); });
    }
    template <class T>
    T& edited_as() { return static_cast<T&>(edited()); }
    memo::MemoObject* bound_object() const;

    memo::MemoObject& template_;
    QPointer<CLayerWnd> layer_;
    memo::Guid bound_id_;
    bool bound_ = false;
    bool loading_ = false;
};

// A grid of sample dots; a click on a cell reports its row and column.
class CDotGrid : public QWidget {
    Q_OBJECT
public:
    CDotGrid(int columns, int rows, std::function<int(int row, int column)> dot_width, QWidget* parent);
    void set_current(int row, int column);
    QPoint cell_centre(int row, int column) const;

signals:
    void chosen(int row, int column);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int columns_, rows_;
    std::function<int(int, int)> dot_width_;
    int current_row_ = -1, current_column_ = -1;
    static constexpr int kCell = 18;
};

class CFreeHandOptionDialog : public COptionPanel {
    Q_OBJECT
public:
    CFreeHandOptionDialog(memo::StrokeObject& pen, QWidget* parent);
    void load() override;
    // The pen grid: rows 0 and 1 plain, 2 and 3 soft with border; width 1 + column + 4 (row mod 2).
    static void cell_settings(int row, int column, std::int32_t& width, std::int32_t& type);
    CDotGrid* grid() const { return grid_; }

private:
    CColourSwatch* pen_colour_;
    CColourSwatch* border_colour_;
    CDotGrid* grid_;
    QCheckBox* arrow_start_;
    QCheckBox* arrow_end_;
};

class CTextOptionDialog : public COptionPanel {
    Q_OBJECT
public:
    CTextOptionDialog(memo::TextBoxObject& box, QWidget* parent);
    void load() override;
    QComboBox* fonts() const { return fonts_; }
    QComboBox* sizes() const { return sizes_; }
    static const std::vector<int>& size_list();

private:
    QComboBox* fonts_;
    QComboBox* sizes_;
    CColourSwatch* text_colour_;
    CColourSwatch* background_;
    COpacitySwatch* opacity_;
    QButtonGroup* shapes_;
};

class CPrimitiveOptionDialog : public COptionPanel {
    Q_OBJECT
public:
    CPrimitiveOptionDialog(memo::PrimitiveObject& shape, QWidget* parent);
    void load() override;
    CDotGrid* widths() const { return widths_; }
    QButtonGroup* shapes() const { return shapes_; }

private:
    CColourSwatch* border_;
    CColourSwatch* fill_;
    COpacitySwatch* opacity_;
    CDotGrid* widths_;
    QButtonGroup* shapes_;
};

class CEffectOptionDialog : public COptionPanel {
    Q_OBJECT
public:
    CEffectOptionDialog(memo::EffectObject& effect, QWidget* parent);
    void load() override;
    QListWidget* operations() const { return operations_; }

private:
    QListWidget* operations_;
    QButtonGroup* shapes_;
};

// The stamp tool's picture and size, or those of a selected stamp: another picture or size
// keeps the stamp's centre.
class CStampOptionDialog : public COptionPanel {
    Q_OBJECT
public:
    CStampOptionDialog(CToolBox& tools, QWidget* parent);
    // Fills the list from the stamp pictures.
    void reload();
    void load() override;
    QListWidget* list() const { return list_; }
    QRadioButton* size_button(int index) const { return sizes_[index]; }

private:
    void choose(const std::string& name, int scale);

    CToolBox& tools_;
    memo::StampObject unused_template_;  // the tool keeps its own name and scale
    QListWidget* list_;
    QRadioButton* sizes_[3];
};

// The option panels docked in the drawing bar: shows the panel of the current tool, and the
// panel of a selected object's kind bound to that object.
class COptionPanels : public QStackedWidget {
    Q_OBJECT
public:
    // The width of every panel and of the place the drawing bar keeps for them.
    static constexpr int kWidth = 200;

    COptionPanels(CToolBox& tools, QWidget* parent);
    ~COptionPanels() override;

    // The panel of an identifier (1 stamp, 2 text, 5 primitive, 6 effect) or of the freehand
    // tool (0); null for others.
    QWidget* panel(int id) const;
    // As tall as the panel shown.
    QSize sizeHint() const override { return {kWidth, currentWidget() ? currentWidget()->sizeHint().height() : 0}; }
    QSize minimumSizeHint() const override
    {
        return {kWidth, currentWidget() ? currentWidget()->minimumSizeHint().height() : 0};
    }
    CFreeHandOptionDialog* freehand() const { return freehand_; }
    CTextOptionDialog* text() const { return text_; }
    CPrimitiveOptionDialog* primitive() const { return primitive_; }
    CEffectOptionDialog* effect() const { return effect_; }
    CStampOptionDialog* stamp() const { return stamp_; }

private:
    void show_for_tool(int command_id);

    CToolBox& tools_;
    int watch_ = 0;
    QWidget* empty_;
    CFreeHandOptionDialog* freehand_;
    CTextOptionDialog* text_;
    CPrimitiveOptionDialog* primitive_;
    CEffectOptionDialog* effect_;
    CStampOptionDialog* stamp_;
};
