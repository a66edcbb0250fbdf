#include "memo/ui/OptionPanels.h"

#include <QCoreApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "memo/ui/ColorPickers.h"
#include "memo/ui/LayerWnd.h"
#include "memo/ui/Tools.h"
#include "platform/QtText.h"

using memo::MemoObject;

namespace {

const QString kDefaultFace = QStringLiteral("ＭＳ Ｐゴシック");  // not translated: face name stored in packages

// Tool buttons, not push buttons: the style gives a push button 75 pixels at least, and five
// of them would not fit the panel's width.
QButtonGroup* shape_buttons(QWidget* parent, QBoxLayout* row, const QStringList& names)
{
    auto* group = new QButtonGroup(parent);
    for (int i = 0; i < names.size(); ++i) {
        auto* button = new QToolButton(parent);
        button->setText(names[i]);
        button->setCheckable(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        group->addButton(button, i);
        row->addWidget(button);
    }
    return group;
}

} // namespace

// ---- base ----

COptionPanel::COptionPanel(MemoObject& tool_template, QWidget* parent) : QWidget(parent), template_(tool_template) {}

void COptionPanel::bind(CLayerWnd* layer, MemoObject* object)
{
    layer_ = layer;
    bound_ = object != nullptr;
    if (object)
        bound_id_ = object->id;
    loading_ = true;
    load();
    loading_ = false;
}

MemoObject* COptionPanel::bound_object() const
{
    if (!bound_ || !layer_)
        return nullptr;
    MemoObject* selected = layer_->selection();
    return selected && selected->id == bound_id_ && selected->kind() == template_.kind() ? selected : nullptr;
}

MemoObject& COptionPanel::edited()
{
    MemoObject* o = bound_object();
    return o ? *o : template_;
}

void COptionPanel::apply(const std::function<void(MemoObject&)>& change)
{
    if (loading_)
        return;
    if (MemoObject* o = bound_object()) {
        layer_->about_to_change(*o);
        change(*o);
        layer_->update();
    } else {
        change(template_);
    }
}

// ---- dot grid ----

CDotGrid::CDotGrid(int columns, int rows, std::function<int(int, int)> dot_width, QWidget* parent)
    : QWidget(parent), columns_(columns), rows_(rows), dot_width_(std::move(dot_width))
{
    setFixedSize(columns * kCell + 1, rows * kCell + 1);
}

void CDotGrid::set_current(int row, int column)
{
    current_row_ = row;
    current_column_ = column;
    update();
}

QPoint CDotGrid::cell_centre(int row, int column) const
{
    return {column * kCell + kCell / 2, row * kCell + kCell / 2};
}

void CDotGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::white);
    for (int row = 0; row < rows_; ++row)
        for (int column = 0; column < columns_; ++column) {
            const QRect cell(column * kCell, row * kCell, kCell, kCell);
            if (row == current_row_ && column == current_column_)
                p.fillRect(cell, QColor(200, 220, 255));
            const int w = dot_width_(row, column);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            p.drawEllipse(QPointF(cell.center()) + QPointF(0.5, 0.5), w / 2.0, w / 2.0);
        }
}

void CDotGrid::mousePressEvent(QMouseEvent* event)
{
    const int column = int(event->position().x()) / kCell;
    const int row = int(event->position().y()) / kCell;
    if (row < 0 || row >= rows_ || column < 0 || column >= columns_)
        return;
    set_current(row, column);
    emit chosen(row, column);
}

// ---- freehand ----

void CFreeHandOptionDialog::cell_settings(int row, int column, std::int32_t& width, std::int32_t& type)
{
    type = row < 2 ? 0 : 1;
    width = 1 + column + 4 * (row % 2);
}

CFreeHandOptionDialog::CFreeHandOptionDialog(memo::StrokeObject& pen, QWidget* parent) : COptionPanel(pen, parent)
{
    auto* layout = new QVBoxLayout(this);
    pen_colour_ = new CColourSwatch(QCoreApplication::translate("OptionPanels", "ペンの色"), this);
    border_colour_ = new CColourSwatch(QCoreApplication::translate("OptionPanels", "ふちの色"), this);
    grid_ = new CDotGrid(4, 4, [](int row, int column) {
        std::int32_t w, t;
        cell_settings(row, column, w, t);
        return int(w);
    }, this);
    arrow_start_ = new QCheckBox(QCoreApplication::translate("OptionPanels", "始点に矢印"), this);
    arrow_end_ = new QCheckBox(QCoreApplication::translate("OptionPanels", "終点に矢印"), this);
    layout->addWidget(pen_colour_);
    layout->addWidget(border_colour_);
    layout->addWidget(grid_);
    layout->addWidget(arrow_start_);
    layout->addWidget(arrow_end_);
    for (const char* help : {QT_TRANSLATE_NOOP("OptionPanels", "左ドラッグで線を描きます。"),
                             QT_TRANSLATE_NOOP("OptionPanels", "書いた線は右クリックで消去できます。")}) {
        auto* label = new QLabel(QCoreApplication::translate("OptionPanels", help), this);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    layout->addStretch();
    connect(pen_colour_, &CColourSwatch::picked, this, [this](memo::Colour c) {
        apply_to<memo::StrokeObject>([c](auto& s) { s.colour = c; });
    });
    connect(border_colour_, &CColourSwatch::picked, this, [this](memo::Colour c) {
        apply_to<memo::StrokeObject>([c](auto& s) { s.border_colour = c; });
    });
    connect(grid_, &CDotGrid::chosen, this, [this](int row, int column) {
        apply_to<memo::StrokeObject>([row, column](auto& s) { cell_settings(row, column, s.width, s.type); });
    });
    connect(arrow_start_, &QCheckBox::toggled, this, [this](bool on) {
        apply_to<memo::StrokeObject>([on](auto& s) { s.arrow_start = on; });
    });
    connect(arrow_end_, &QCheckBox::toggled, this, [this](bool on) {
        apply_to<memo::StrokeObject>([on](auto& s) { s.arrow_end = on; });
    });
    bind(nullptr, nullptr);
}

void CFreeHandOptionDialog::load()
{
    const auto& s = edited_as<memo::StrokeObject>();
    pen_colour_->set_colour(s.colour);
    border_colour_->set_colour(s.border_colour);
    const int row = (s.type == 1 ? 2 : 0) + (s.width > 4 ? 1 : 0);
    grid_->set_current(row, std::clamp(s.width - 1 - 4 * (row % 2), 0, 3));
    arrow_start_->setChecked(s.arrow_start);
    arrow_end_->setChecked(s.arrow_end);
}

// ---- text ----

const std::vector<int>& CTextOptionDialog::size_list()
{
    static const std::vector<int> sizes{8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
    return sizes;
}

CTextOptionDialog::CTextOptionDialog(memo::TextBoxObject& box, QWidget* parent) : COptionPanel(box, parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    fonts_ = new QComboBox(this);
    QStringList families = QFontDatabase::families(QFontDatabase::Japanese);
    families.removeAll(kDefaultFace);
    families.prepend(kDefaultFace);
    fonts_->addItems(families);
    // Long face names are shown cut rather than widening the panel.
    fonts_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    fonts_->setMinimumContentsLength(8);
    sizes_ = new QComboBox(this);
    for (int size : size_list())
        sizes_->addItem(QString::number(size), size);
    form->addRow(QCoreApplication::translate("OptionPanels", "フォント"), fonts_);
    form->addRow(QCoreApplication::translate("OptionPanels", "サイズ"), sizes_);
    layout->addLayout(form);
    text_colour_ = new CColourSwatch(QCoreApplication::translate("OptionPanels", "文字色"), this);
    background_ = new CColourSwatch(QCoreApplication::translate("OptionPanels", "背景色"), this);
    opacity_ = new COpacitySwatch(QCoreApplication::translate("OptionPanels", "透明度"), this);
    layout->addWidget(text_colour_);
    layout->addWidget(background_);
    layout->addWidget(opacity_);
    auto* row = new QHBoxLayout;
    shapes_ = shape_buttons(this, row, {QStringLiteral("□"), QCoreApplication::translate("OptionPanels", "吹")});
    layout->addLayout(row);
    layout->addStretch();

    connect(fonts_, &QComboBox::currentTextChanged, this, [this](const QString& face) {
        const std::string sjis = platform::from_qstring(face);
        apply_to<memo::TextBoxObject>([&](auto& t) {
            t.font.set_face(sjis);
            t.font.width = 0;
        });
    });
    connect(sizes_, &QComboBox::currentIndexChanged, this, [this](int index) {
        const int size = sizes_->itemData(index).toInt();
        apply_to<memo::TextBoxObject>([size](auto& t) {
            t.font.height = -size;
            t.font.width = 0;
        });
    });
    connect(text_colour_, &CColourSwatch::picked, this, [this](memo::Colour c) {
        apply_to<memo::TextBoxObject>([c](auto& t) { t.text_colour = c; });
    });
    connect(background_, &CColourSwatch::picked, this, [this](memo::Colour c) {
        apply_to<memo::TextBoxObject>([c](auto& t) { t.background_colour = c; });
        opacity_->set(c, opacity_->opacity());
    });
    connect(opacity_, &COpacitySwatch::picked, this, [this](std::uint8_t a) {
        apply_to<memo::TextBoxObject>([a](auto& t) { t.opacity = a; });
    });
    connect(shapes_, &QButtonGroup::idClicked, this, [this](int id) {
        apply_to<memo::TextBoxObject>([id](auto& t) { t.shape = id; });
    });
    bind(nullptr, nullptr);
}

void CTextOptionDialog::load()
{
    const auto& t = edited_as<memo::TextBoxObject>();
    const int face = fonts_->findText(platform::to_qstring(t.font.face()));
    fonts_->setCurrentIndex(face >= 0 ? face : 0);
    const int size = sizes_->findData(t.font.height < 0 ? -t.font.height : t.font.height);
    sizes_->setCurrentIndex(size >= 0 ? size : sizes_->findData(12));
    text_colour_->set_colour(t.text_colour);
    background_->set_colour(t.background_colour);
    opacity_->set(t.background_colour, t.opacity);
    if (QAbstractButton* b = shapes_->button(t.shape))
        b->setChecked(true);
}

// ---- primitive ----

CPrimitiveOptionDialog::CPrimitiveOptionDialog(memo::PrimitiveObject& shape, QWidget* parent)
    : COptionPanel(shape, parent)
{
    auto* layout = new QVBoxLayout(this);
    border_ = new CColourSwatch(QCoreApplication::translate("OptionPanels", "ふちの色"), this);
    fill_ = new CColourSwatch(QCoreApplication::translate("OptionPanels", "背景色"), this);
    opacity_ = new COpacitySwatch(QCoreApplication::translate("OptionPanels", "透明度"), this);
    layout->addWidget(border_);
    layout->addWidget(fill_);
    layout->addWidget(opacity_);
    layout->addWidget(new QLabel(QCoreApplication::translate("OptionPanels", "ふちの太さ"), this));
    widths_ = new CDotGrid(4, 2, [](int row, int column) { return 1 + column + 4 * row; }, this);
    layout->addWidget(widths_);
    auto* row = new QHBoxLayout;
    shapes_ = shape_buttons(this, row, {QStringLiteral("□"), QStringLiteral("○"), QStringLiteral("▢"),
                                        QStringLiteral("}"), QStringLiteral("{")});
    layout->addLayout(row);
    layout->addStretch();
    connect(border_, &CColourSwatch::picked, this, [this](memo::Colour c) {
        apply_to<memo::PrimitiveObject>([c](auto& p) { p.border_colour = c; });
    });
    connect(fill_, &CColourSwatch::picked, this, [this](memo::Colour c) {
        apply_to<memo::PrimitiveObject>([c](auto& p) { p.fill_colour = c; });
        opacity_->set(c, opacity_->opacity());
    });
    connect(opacity_, &COpacitySwatch::picked, this, [this](std::uint8_t a) {
        apply_to<memo::PrimitiveObject>([a](auto& p) { p.opacity = a; });
    });
    connect(widths_, &CDotGrid::chosen, this, [this](int r, int c) {
        apply_to<memo::PrimitiveObject>([r, c](auto& p) { p.border_width = 1 + c + 4 * r; });
    });
    connect(shapes_, &QButtonGroup::idClicked, this, [this](int id) {
        apply_to<memo::PrimitiveObject>([id](auto& p) { p.shape = id; });
    });
    bind(nullptr, nullptr);
}

void CPrimitiveOptionDialog::load()
{
    const auto& p = edited_as<memo::PrimitiveObject>();
    border_->set_colour(p.border_colour);
    fill_->set_colour(p.fill_colour);
    opacity_->set(p.fill_colour, p.opacity);
    const int w = std::clamp(p.border_width, 1, 8) - 1;
    widths_->set_current(w / 4, w % 4);
    if (QAbstractButton* b = shapes_->button(p.shape))
        b->setChecked(true);
}

// ---- effect ----

CEffectOptionDialog::CEffectOptionDialog(memo::EffectObject& effect, QWidget* parent) : COptionPanel(effect, parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QCoreApplication::translate("OptionPanels", "領域効果"), this));
    operations_ = new QListWidget(this);
    operations_->addItems({QCoreApplication::translate("OptionPanels", "モザイク"), QCoreApplication::translate("OptionPanels", "レンズ"), QCoreApplication::translate("OptionPanels", "ぼかし"),
                           QCoreApplication::translate("OptionPanels", "ネガ")});
    operations_->setMaximumHeight(90);
    layout->addWidget(operations_);
    auto* row = new QHBoxLayout;
    shapes_ = shape_buttons(this, row, {QStringLiteral("□"), QStringLiteral("○"), QStringLiteral("▢")});
    layout->addLayout(row);
    layout->addStretch();
    connect(operations_, &QListWidget::currentRowChanged, this, [this](int op) {
        if (op >= 0)
            apply_to<memo::EffectObject>([op](auto& e) { e.operation = op; });
    });
    connect(shapes_, &QButtonGroup::idClicked, this, [this](int id) {
        apply_to<memo::EffectObject>([id](auto& e) { e.shape = id; });
    });
    bind(nullptr, nullptr);
}

void CEffectOptionDialog::load()
{
    const auto& e = edited_as<memo::EffectObject>();
    operations_->setCurrentRow(std::clamp(e.operation, 0, 3));
    if (QAbstractButton* b = shapes_->button(e.shape))
        b->setChecked(true);
}

// ---- stamp ----

CStampOptionDialog::CStampOptionDialog(CToolBox& tools, QWidget* parent)
    : COptionPanel(unused_template_, parent), tools_(tools)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QCoreApplication::translate("OptionPanels", "スタンプ"), this));
    list_ = new QListWidget(this);
    list_->setIconSize(QSize(32, 32));
    layout->addWidget(list_);
    layout->addWidget(new QLabel(QCoreApplication::translate("OptionPanels", "サイズ"), this));
    auto* group = new QButtonGroup(this);
    const char* names[3] = {"2X", "1X", "1/2"};
    for (int i = 0; i < 3; ++i) {
        sizes_[i] = new QRadioButton(QString::fromLatin1(names[i]), this);
        group->addButton(sizes_[i], i);
        layout->addWidget(sizes_[i]);
    }
    sizes_[int(tools.stamp().scale)]->setChecked(true);
    connect(group, &QButtonGroup::idClicked, this, [this](int id) {
        const QListWidgetItem* item = list_->currentItem();
        choose(item ? platform::from_qstring(item->text()) : std::string(), id);
    });
    connect(list_, &QListWidget::currentTextChanged, this, [this, group](const QString& name) {
        choose(platform::from_qstring(name), std::max(group->checkedId(), 0));
    });
    reload();
}

void CStampOptionDialog::choose(const std::string& name, int scale)
{
    if (loading_)
        return;
    auto* stamp = dynamic_cast<memo::StampObject*>(bound_object());
    if (!stamp) {
        tools_.stamp().stamp = name;
        tools_.stamp().scale = CStampTool::Scale(scale);
        return;
    }
    const memo::StampList* stamps = memo_layer_services().stamps;
    const memo::MemoImage* picture = stamps && !name.empty() ? stamps->find(name) : nullptr;
    if (!picture)
        return;
    const memo::Rect old = stamp->rect.normalized();
    const memo::Point centre{old.left + std::int32_t(old.width() / 2), old.top + std::int32_t(old.height() / 2)};
    apply_to<memo::StampObject>([&](memo::StampObject& o) {
        o.name = name;
        o.rect = CStampTool::placement(centre, picture->width(), picture->height(), CStampTool::Scale(scale));
    });
    if (layer_)
        layer_->update();
}

void CStampOptionDialog::load()
{
    std::string name = tools_.stamp().stamp;
    int scale = int(tools_.stamp().scale);
    if (const auto* stamp = dynamic_cast<const memo::StampObject*>(bound_object())) {
        name = stamp->name;
        const memo::StampList* stamps = memo_layer_services().stamps;
        const memo::MemoImage* picture = stamps ? stamps->find(name) : nullptr;
        const std::int64_t w = stamp->rect.normalized().width();
        scale = !picture || w == picture->width() ? 1 : w > picture->width() ? 0 : 2;
    }
    const QList<QListWidgetItem*> found = list_->findItems(platform::to_qstring(name), Qt::MatchExactly);
    list_->setCurrentItem(found.isEmpty() ? nullptr : found.front());
    sizes_[scale]->setChecked(true);
}

void CStampOptionDialog::reload()
{
    list_->clear();
    const memo::StampList* stamps = memo_layer_services().stamps;
    if (!stamps)
        return;
    for (const auto& stamp : stamps->stamps()) {
        memo::MemoImage copy = stamp.picture;
        const QImage image(copy.bits(), copy.width(), copy.height(), copy.stride(), QImage::Format_ARGB32);
        list_->addItem(new QListWidgetItem(QIcon(QPixmap::fromImage(image.copy())), platform::to_qstring(stamp.name)));
    }
}

// ---- the stack ----

COptionPanels::COptionPanels(CToolBox& tools, QWidget* parent) : QStackedWidget(parent), tools_(tools)
{
    empty_ = new QWidget(this);
    freehand_ = new CFreeHandOptionDialog(tools.freehand().pen(), this);
    text_ = new CTextOptionDialog(tools.text().box(), this);
    primitive_ = new CPrimitiveOptionDialog(tools.primitive().shape(), this);
    effect_ = new CEffectOptionDialog(tools.effect().effect(), this);
    stamp_ = new CStampOptionDialog(tools, this);
    for (QWidget* w : {empty_, static_cast<QWidget*>(freehand_), static_cast<QWidget*>(text_),
                       static_cast<QWidget*>(primitive_), static_cast<QWidget*>(effect_),
                       static_cast<QWidget*>(stamp_)})
        addWidget(w);
    // Every panel has the same width, so choosing a tool never takes width from the page; the
    // stack is as tall as the panel it shows.
    setFixedWidth(kWidth);
    connect(this, &QStackedWidget::currentChanged, this, [this](int shown) {
        for (int i = 0; i < count(); ++i)
            widget(i)->setSizePolicy(i == shown ? QSizePolicy::Preferred : QSizePolicy::Ignored,
                                     i == shown ? QSizePolicy::Preferred : QSizePolicy::Ignored);
        updateGeometry();
        adjustSize();
    });
    watch_ = tools.watch([this](int id) { show_for_tool(id); });
    tools.bind_panel = [this](int id, CLayerWnd* layer, MemoObject* object) {
        auto* panel = dynamic_cast<COptionPanel*>(this->panel(id));
        if (!panel)
            return;
        panel->bind(layer, object);
        if (object)
            setCurrentWidget(panel);
        else
            show_for_tool(tools_.current_id());
    };
    show_for_tool(tools.current_id());
    emit currentChanged(currentIndex());
}

COptionPanels::~COptionPanels()
{
    tools_.unwatch(watch_);
    tools_.bind_panel = nullptr;
}

QWidget* COptionPanels::panel(int id) const
{
    switch (id) {
    case 0: return freehand_;
    case 1: return stamp_;
    case 2: return text_;
    case 5: return primitive_;
    case 6: return effect_;
    default: return nullptr;
    }
}

void COptionPanels::show_for_tool(int command_id)
{
    CTool* tool = tools_.tool(command_id);
    QWidget* shown = empty_;
    if (tool == &tools_.freehand())
        shown = freehand_;
    else if (tool)
        if (QWidget* p = panel(tool->option_panel()))
            shown = p;
    setCurrentWidget(shown);
}
