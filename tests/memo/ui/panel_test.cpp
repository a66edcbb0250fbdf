// Option panels and pickers: their rules, and edits of a selected object through them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QTest>

#include "TempDir.h"
#include "memo/ui/ColorPickers.h"
#include "memo/ui/LayerWnd.h"
#include "memo/StampList.h"
#include "memo/ui/OptionPanels.h"
#include "memo/ui/Tools.h"

using namespace memo;

namespace {

TEST(Pickers, PaletteAndOpacityLevels)
{
    EXPECT_EQ(CColorSelDialog::palette(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(CColorSelDialog::palette(0, 1), rgb(255, 191, 0));
    EXPECT_EQ(CColorSelDialog::palette(0, 4), rgb(0, 255, 255));
    EXPECT_EQ(CColorSelDialog::palette(6, 0), rgb(255, 219, 219));  // saturation 1/7, rounded
    EXPECT_EQ(CColorSelDialog::palette(7, 0), rgb(0, 0, 0));
    EXPECT_EQ(CColorSelDialog::palette(7, 7), rgb(255, 255, 255));
    const int levels[8] = {0, 36, 72, 109, 145, 182, 218, 255};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(CAlphaSelDialog::level(i), levels[i]);

    // Fully transparent shows the checkerboard: grey, then white 6 pixels on.
    const QImage clear = CAlphaSelDialog::strip(rgb(255, 0, 0), 0, QSize(24, 12));
    EXPECT_EQ(clear.pixel(0, 0), qRgb(128, 128, 128));
    EXPECT_EQ(clear.pixel(6, 0), qRgb(255, 255, 255));
    EXPECT_EQ(clear.pixel(6, 6), qRgb(128, 128, 128));
    EXPECT_EQ(CAlphaSelDialog::strip(rgb(255, 0, 0), 255, QSize(24, 12)).pixel(6, 0), qRgb(255, 0, 0));
}

class PanelTest : public ::testing::Test {
protected:
    TempDir folder;
    PackageCache cache{folder.path()};
    CToolBox tools;
    COptionPanels panels{tools, nullptr};

    PanelTest()
    {
        memo_layer_services() = {};
        memo_layer_services().cache = &cache;
        memo_layer_services().tools = &tools;
        memo_layer_services().user_name = [] { return std::string("me"); };
    }
    ~PanelTest() override
    {
        CColorSelDialog::responder = nullptr;
        memo_layer_services() = {};
    }
};

TEST_F(PanelTest, PenGridSetsWidthAndTypeOfNewStrokes)
{
    tools.set_current(32785, nullptr);
    EXPECT_EQ(panels.currentWidget(), panels.freehand());
    CDotGrid* grid = panels.freehand()->grid();
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->cell_centre(3, 1));
    EXPECT_EQ(tools.freehand().pen().width, 6);
    EXPECT_EQ(tools.freehand().pen().type, 1);
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->cell_centre(0, 0));
    EXPECT_EQ(tools.freehand().pen().width, 1);
    EXPECT_EQ(tools.freehand().pen().type, 0);

    tools.set_current(32783, nullptr);
    EXPECT_EQ(panels.currentWidget(), panels.text());
    EXPECT_EQ(panels.text()->fonts()->currentText(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(panels.text()->sizes()->currentText(), QStringLiteral("12"));
    panels.text()->sizes()->setCurrentIndex(panels.text()->sizes()->findText("24"));
    EXPECT_EQ(tools.text().box().font.height, -24);
}

// A page of one document for the layer.
class Page : public QWidget, public PageSurface {
public:
    Page() { resize(300, 200); }
    QWidget* host() const override { return const_cast<Page*>(this); }
    QWidget* input_widget() const override { return const_cast<Page*>(this); }
    std::vector<DocumentView> documents() const override { return {{"http://example.org/", rect(), {}}}; }
    QImage grab_page(const QRect& area) override
    {
        QImage image(area.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    }
    void navigate(const std::string&) override {}
};

TEST_F(PanelTest, APanelBoundToTheSelectionEditsItAndRecordsTheChange)
{
    Page page;
    page.show();
    auto* layer = new CLayerWnd(page);
    auto pkg = cache.lookup("http://example.org/", true);
    auto shape = std::make_unique<PrimitiveObject>();
    shape->rect = {20, 20, 120, 120};
    MemoObject& object = pkg->add(std::move(shape));

    tools.set_current(32782, layer);
    QTest::mouseClick(&page, Qt::LeftButton, {}, QPoint(50, 50));
    ASSERT_EQ(layer->selection(), &object);
    EXPECT_EQ(panels.currentWidget(), panels.primitive());

    CDotGrid* widths = panels.primitive()->widths();
    QTest::mouseClick(widths, Qt::LeftButton, {}, widths->cell_centre(1, 2));
    EXPECT_EQ(static_cast<PrimitiveObject&>(object).border_width, 7);
    EXPECT_EQ(tools.primitive().shape().border_width, 1);  // the template is untouched
    ASSERT_FALSE(layer->undo_list().empty());
    EXPECT_EQ(layer->undo_list().back().operation, ChangeRecord::Changed);
    layer->undo();
    EXPECT_EQ(static_cast<PrimitiveObject&>(pkg->at(0)).border_width, 1);

    // Deselected, the panel edits the template again.
    EXPECT_EQ(layer->selection(), nullptr);
    panels.primitive()->shapes()->button(1)->click();
    EXPECT_EQ(tools.primitive().shape().shape, 1);
    EXPECT_EQ(static_cast<PrimitiveObject&>(pkg->at(0)).shape, 0);
    tools.set_current(0, nullptr);
}

// The stamp panel binds to a selected stamp like the others: another picture or size changes
// that stamp around its centre, and the tool's own choice stays.
TEST_F(PanelTest, TheStampPanelEditsASelectedStamp)
{
    StampList stamps;
    stamps.add("Check", MemoImage(40, 20));
    stamps.add("Star", MemoImage(30, 30));
    memo_layer_services().stamps = &stamps;
    panels.stamp()->reload();
    Page page;
    page.show();
    auto* layer = new CLayerWnd(page);
    auto pkg = cache.lookup("http://example.org/", true);
    auto placed = std::make_unique<StampObject>();
    placed->name = "Check";
    placed->rect = {100, 90, 140, 110};
    auto& stamp = static_cast<StampObject&>(pkg->add(std::move(placed)));
    tools.stamp().stamp = "Check";

    tools.set_current(32782, layer);
    QTest::mouseClick(&page, Qt::LeftButton, {}, QPoint(120, 100));
    ASSERT_EQ(layer->selection(), &stamp);
    EXPECT_EQ(panels.currentWidget(), panels.stamp());
    EXPECT_EQ(panels.stamp()->list()->currentItem()->text(), QStringLiteral("Check"));
    EXPECT_TRUE(panels.stamp()->size_button(1)->isChecked());

    panels.stamp()->list()->setCurrentItem(panels.stamp()->list()->findItems("Star", Qt::MatchExactly).front());
    EXPECT_EQ(stamp.name, "Star");
    EXPECT_EQ(stamp.rect, (Rect{105, 85, 135, 115}));
    panels.stamp()->size_button(0)->click();
    EXPECT_EQ(stamp.rect, (Rect{90, 70, 150, 130}));
    EXPECT_EQ(tools.stamp().stamp, "Check");
    EXPECT_EQ(tools.stamp().scale, CStampTool::Scale::Single);
    ASSERT_EQ(layer->undo_list().size(), 2u);
    tools.set_current(0, nullptr);
}

} // namespace

#include <QCheckBox>
#include <QLabel>

#include "memo/ui/ObjectPropDialog.h"

namespace {

TEST(ObjectProperties, OnlyTheAuthorMayChangeTheLock)
{
    TextBoxObject box;
    box.owner = "author";
    box.locked = true;
    box.time = now_time();
    CObjectPropDialog mine(nullptr, box, true);
    EXPECT_TRUE(mine.lock_box()->isEnabled());
    EXPECT_TRUE(mine.lock_box()->isChecked());
    CObjectPropDialog theirs(nullptr, box, false);
    EXPECT_FALSE(theirs.lock_box()->isEnabled());

    QStringList texts;
    for (const QLabel* label : mine.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("author")));
    EXPECT_TRUE(texts.contains(QStringLiteral("TextBox")));
    const QDate today = QDate::currentDate();
    EXPECT_TRUE(texts.contains(QStringLiteral("%1/%2/%3").arg(today.year()).arg(today.month()).arg(today.day())));
}

} // namespace
