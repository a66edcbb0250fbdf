#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>

#include "QtApp.h"
#include "TempDir.h"
#include "platform/QtText.h"
#include "platform/RegistryStore.h"
#include "settings/ui/AppSettingPages.h"
#include "settings/ui/AppSettingSheet.h"
#include "settings/ui/ShortCutKeyEdit.h"

namespace {

using namespace settings;
using namespace settings::ui;

const QString kEngineAgent = QStringLiteral("Mozilla/5.0 (X11; Linux x86_64) Engine/1.0");

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qt_app();
        s.proxy = {"one:8080"};
        s.private_areas = {"http://b.example/", "http://a.example/"};
        s.set_server_addr("share.example");
        s.searchstring = kSearchGoo;
    }

    std::unique_ptr<CAppSettingPSheet> open_sheet()
    {
        SheetContext context;
        context.engine_user_agent = kEngineAgent;
        return std::make_unique<CAppSettingPSheet>(s, context);
    }

    static void press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(target, &event);
    }

    // Changes something on every page.
    static void edit_every_page(CAppSettingPSheet& sheet)
    {
        sheet.folder_page->folder->setText(QStringLiteral("/tmp/elsewhere"));
        sheet.browser_page->agent_other->click();
        sheet.browser_page->agent_text->setText(QStringLiteral("Own/2.0"));
        sheet.browser_page->scripts->setChecked(false);
        sheet.browser_page->silent->setChecked(true);
        sheet.browser_page->block_popups->setChecked(true);
        sheet.browser_page->start_home->setChecked(true);
        sheet.browser_page->discard_minutes->setValue(0);
        sheet.proxy_page->server->setText(QStringLiteral("two:3128"));
        sheet.proxy_page->add_button->click();
        sheet.proxy_page->login->setText(QStringLiteral("user"));
        sheet.end_page->cookies->setChecked(true);
        sheet.end_page->closed_pages->setChecked(true);
        sheet.gesture_page->up->click();
        sheet.gesture_page->left->click();
        sheet.gesture_page->up->click();
        sheet.gesture_page->command->setCurrentIndex(kCmdHome);
        sheet.gesture_page->add_button->click();
        sheet.gesture_page->left_right->setCurrentIndex(kCmdCloseOthers);
        press(sheet.key_page->key, Qt::Key_F7);
        sheet.key_page->command->setCurrentIndex(kCmdRefresh);
        sheet.key_page->add_button->click();
        sheet.display_page->double_buffer->setChecked(false);
        sheet.display_page->language->setCurrentIndex(sheet.display_page->language->findData(QStringLiteral("en")));
        sheet.search_page->engines[2]->click();
        sheet.network_page->port->setText(QStringLiteral("20000"));
        sheet.network_page->private_list->setCurrentRow(0);
        sheet.network_page->delete_button->click();
        sheet.network_page->user->setText(QStringLiteral("someone"));
        sheet.network_page->check_time->setText(QStringLiteral("60"));
    }

    Settings s;
};

TEST_F(SheetTest, TenPagesInOrderUnderItsCaption)
{
    auto sheet = open_sheet();
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Marvoの設定"));
    QStringList titles;
    for (int i = 0; i < sheet->tabs()->count(); ++i)
        titles << sheet->tabs()->tabText(i);
    EXPECT_EQ(titles, (QStringList{"フォルダ", "ブラウザ", "Proxyリスト", "終了時処理", "マウスジェスチャ", "キーの割り当て",
                                   "表示", "アドレスバーサーチ", "通信", "関連付け"}));
}

TEST_F(SheetTest, CancelAfterEditsOnEveryPageChangesNothing)
{
    const Settings before = s;
    auto sheet = open_sheet();
    edit_every_page(*sheet);
    sheet->reject();
    EXPECT_EQ(s, before);
    EXPECT_EQ(s.gesture_recognizer.gesture_strings(), before.gesture_recognizer.gesture_strings());
}

TEST_F(SheetTest, OkCopiesEveryPageBackAndRebuildsTheGestureTable)
{
    s.proxy_setting = 2;
    s.proxy_index = 0;
    auto sheet = open_sheet();
    edit_every_page(*sheet);
    sheet->accept();
    ASSERT_EQ(sheet->result(), QDialog::Accepted);

    EXPECT_EQ(s.savefolder, "/tmp/elsewhere");
    EXPECT_EQ(s.useragent, "Own/2.0");
    EXPECT_EQ(s.securityflag, kDownloadImages | kPlayVideos | kPlaySounds | kNoScripts | kSilent);
    EXPECT_EQ(s.blockpopup, 1);
    EXPECT_EQ(s.openlast, 0);
    EXPECT_EQ(s.discard_minutes, 0);
    EXPECT_EQ(s.proxy, (std::vector<std::string>{"one:8080", "two:3128"}));
    EXPECT_EQ(s.proxy_login, "user");
    // The connection in use is left for the proxy commands.
    EXPECT_EQ(s.proxy_setting, 2);
    EXPECT_EQ((std::array{s.del_cookie, s.del_hist, s.del_temp, s.del_tabhist}), (std::array{1, 0, 0, 1}));
    const std::string up_left = std::string(kArrowUp) + std::string(kArrowLeft) + std::string(kArrowUp);
    ASSERT_FALSE(s.gestures.empty());
    EXPECT_EQ(s.gestures.back(), (GestureCommand{up_left, kCmdHome}));
    EXPECT_EQ(s.gesture_recognizer.find(up_left), static_cast<int>(s.gestures.size()) - 1);
    EXPECT_EQ(s.command_lr, kCmdCloseOthers);
    ASSERT_EQ(s.keys.size(), 1u);
    EXPECT_EQ(s.keys.front(), (KeyCommand{"F7", kCmdRefresh}));
    EXPECT_EQ(s.doublebuffer, 0);
    EXPECT_EQ(s.language, "en");
    EXPECT_EQ(s.searchstring, kSearchYahoo);
    EXPECT_EQ(s.server_port, 20000);
    // The sorted list lost its first entry.
    EXPECT_EQ(s.private_areas, std::vector<std::string>{"http://b.example/"});
    EXPECT_EQ(s.user_name, "someone");
    EXPECT_EQ(s.check_time, 60);
}

TEST_F(SheetTest, NetworkRangesAndTheServerAddressKeepTheSheetOpen)
{
    auto sheet = open_sheet();
    sheet->show();
    sheet->network_page->port->setText(QStringLiteral("80"));
    QStringList shown = messages_during([&] { sheet->accept(); });
    EXPECT_EQ(shown, QStringList{range_message(1024, 65535)});
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->tabs()->currentWidget(), sheet->network_page);
    EXPECT_EQ(s.server_port, 18707);

    // Leaving the page is refused the same way.
    shown = messages_during([&] { sheet->tabs()->setCurrentIndex(0); });
    EXPECT_EQ(shown.size(), 1);
    EXPECT_EQ(sheet->tabs()->currentWidget(), sheet->network_page);

    sheet->network_page->port->setText(QStringLiteral("65535"));
    sheet->network_page->check_time->setText(QStringLiteral("1001"));
    shown = messages_during([&] { sheet->accept(); });
    EXPECT_EQ(shown, QStringList{range_message(1, 1000)});

    sheet->network_page->check_time->setText(QStringLiteral("1000"));
    sheet->network_page->server->setText(QStringLiteral("host\"><x a=\"&"));
    shown = messages_during([&] { sheet->accept(); });
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(s.server_addr(), "share.example");

    sheet->network_page->server->setText(QStringLiteral("other.example"));
    EXPECT_TRUE(messages_during([&] { sheet->accept(); }).isEmpty());
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(s.server_addr(), "other.example");
    EXPECT_EQ(s.server_port, 65535);
}

TEST_F(SheetTest, BrowserPageSecurityBitsAndUserAgentChoices)
{
    s.securityflag = kPlaySounds | kNoActiveXRun | kNoJava | kSilent;
    auto sheet = open_sheet();
    CAppSettingPageBrowser& page = *sheet->browser_page;
    EXPECT_TRUE(page.sounds->isChecked());
    EXPECT_FALSE(page.videos->isChecked());
    EXPECT_FALSE(page.images->isChecked());
    EXPECT_FALSE(page.activex_run->isChecked());
    EXPECT_TRUE(page.activex_download->isChecked());
    EXPECT_TRUE(page.scripts->isChecked());
    EXPECT_FALSE(page.java->isChecked());
    EXPECT_TRUE(page.silent->isChecked());
    // No agent of our own: the engine's, shown and locked.
    EXPECT_TRUE(page.agent_engine->isChecked());
    EXPECT_EQ(page.agent_text->text(), kEngineAgent);
    EXPECT_FALSE(page.agent_text->isEnabled());
    page.agent_program->click();
    EXPECT_EQ(page.agent_text->text(), QStringLiteral("Marvo/1.0 (X11; Linux x86_64) Engine/1.0"));
    EXPECT_FALSE(page.agent_text->isEnabled());
    sheet->accept();
    EXPECT_EQ(s.securityflag, kPlaySounds | kNoActiveXRun | kNoJava | kSilent);
    EXPECT_EQ(s.useragent, "Marvo/1.0 (X11; Linux x86_64) Engine/1.0");

    // The program's agent opens as that choice; the engine's choice stores nothing.
    auto again = open_sheet();
    EXPECT_TRUE(again->browser_page->agent_program->isChecked());
    again->browser_page->agent_engine->click();
    again->accept();
    EXPECT_EQ(s.useragent, "");
}

TEST_F(SheetTest, SearchPageOpensOnTheEngineOfTheStoredPrefix)
{
    s.searchstring = kSearchYahoo;
    auto sheet = open_sheet();
    EXPECT_EQ(sheet->search_page->chosen(), 2);
    EXPECT_FALSE(sheet->search_page->prefix->isEnabled());

    s.searchstring = "http://search.example/?q=";
    sheet = open_sheet();
    EXPECT_EQ(sheet->search_page->chosen(), 4);
    EXPECT_TRUE(sheet->search_page->prefix->isEnabled());
    sheet->search_page->engines[0]->click();
    EXPECT_EQ(sheet->search_page->prefix->text(), QString::fromUtf8(kSearchGoogle));
    EXPECT_FALSE(sheet->search_page->prefix->isEnabled());
}

TEST_F(SheetTest, ProxyListKeepsOrderWhenTheMiddleEntryGoes)
{
    s.proxy.clear();
    auto sheet = open_sheet();
    CAppSettingPageProxy& page = *sheet->proxy_page;
    for (const char* server : {"a:1", "b:2", "c:3"}) {
        page.server->setText(QString::fromLatin1(server));
        page.add_button->click();
        EXPECT_TRUE(page.server->text().isEmpty());
    }
    page.list->setCurrentRow(1);
    page.delete_button->click();
    ASSERT_EQ(page.list->count(), 2);
    EXPECT_EQ(page.list->item(0)->text(), QStringLiteral("a:1"));
    EXPECT_EQ(page.list->item(1)->text(), QStringLiteral("c:3"));
}

TEST_F(SheetTest, GestureAndKeyPagesRefuseIncompleteEntries)
{
    auto sheet = open_sheet();
    CAppSettingPageMouseGesture& gestures = *sheet->gesture_page;
    const int rows = gestures.list->topLevelItemCount();
    EXPECT_EQ(rows, static_cast<int>(s.gestures.size()));
    // Arrows are composed as pressed, repeats included.
    gestures.right->click();
    gestures.right->click();
    gestures.down->click();
    EXPECT_EQ(gestures.composed->text(), QStringLiteral("→→↓"));
    // No command chosen yet.
    EXPECT_EQ(messages_during([&] { gestures.add_button->click(); }), QStringList{"有効なマウスジェスチャーではありません"});
    gestures.clear->click();
    gestures.command->setCurrentIndex(kCmdBack);
    EXPECT_EQ(messages_during([&] { gestures.add_button->click(); }).size(), 1);
    EXPECT_EQ(gestures.list->topLevelItemCount(), rows);
    gestures.left->click();
    gestures.add_button->click();
    ASSERT_EQ(gestures.list->topLevelItemCount(), rows + 1);
    EXPECT_EQ(gestures.list->topLevelItem(rows)->text(1), QStringLiteral("前のページに戻ります"));
    gestures.list->topLevelItem(0)->setSelected(true);
    gestures.delete_button->click();
    EXPECT_EQ(gestures.list->topLevelItemCount(), rows);

    CAppSettingPageKey& keys = *sheet->key_page;
    keys.command->setCurrentIndex(kCmdHome);
    EXPECT_EQ(messages_during([&] { keys.add_button->click(); }).size(), 1);
    press(keys.key, Qt::Key_A);
    press(keys.key, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(keys.key->text(), QStringLiteral("CTRL + A"));
    keys.add_button->click();
    EXPECT_TRUE(keys.key->text().isEmpty());
    ASSERT_EQ(keys.list->topLevelItemCount(), 1);
    EXPECT_EQ(keys.list->topLevelItem(0)->text(0), QStringLiteral("CTRL + A"));
    sheet->accept();
    EXPECT_EQ(s.keys, (std::vector<KeyCommand>{{"CTRL + A", kCmdHome}}));
    EXPECT_EQ(s.gestures.back().gesture, std::string(kArrowLeft));
}

TEST(ShortCutKeyEdit, ShowsTheModifierThatWinsAndTheLastKey)
{
    qt_app();
    CShortCutKeyEdit edit;
    const auto press = [&](int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(&edit, &event);
    };
    press(Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("SHIFT + "));
    press(Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("SHIFT + F5"));
    // Tab is recorded, not used to leave the edit; shifted digits are their key.
    press(Qt::Key_Tab, Qt::NoModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("TAB"));
    press(Qt::Key_Exclam, Qt::ShiftModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("SHIFT + 1"));
    press(Qt::Key_5, Qt::KeypadModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("NUMPAD5"));
    // Releases change nothing.
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_5, Qt::NoModifier);
    QCoreApplication::sendEvent(&edit, &release);
    EXPECT_EQ(edit.text(), QStringLiteral("NUMPAD5"));
}

} // namespace
