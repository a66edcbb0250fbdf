#include <QLineEdit>

#include "DisplayTest.h"
#include "app/AddressBar.h"
#include "app/BrowserPage.h"
#include "platform/QtText.h"

namespace {

class AddressBarDisplay : public DisplayTest {
protected:
    static CAddressBar* bar() { return static_cast<CAddressBar*>(frame()->band(CMainFrame::kAddressBarBand)); }

    // Clicks into the address field, replaces its text by typing and presses the key.
    static void enter(const QString& text, const QString& key)
    {
        QLineEdit* edit = bar()->combo()->lineEdit();
        ASSERT_TRUE(screen::click(edit, edit->rect().center()));
        ASSERT_TRUE(wait_until([&] { return bar()->combo()->hasFocus(); }));
        ASSERT_TRUE(screen::keys({"ctrl+a"}));
        ASSERT_TRUE(screen::type(text));
        ASSERT_TRUE(wait_until([&] { return edit->text() == text; }));
        ASSERT_TRUE(screen::keys({key}));
    }
};

// Keys typed on the keyboard reach the combo box (the edit field's focus proxy), not the edit
// field itself: both Enter keys go, for addresses and for search words.
TEST_F(AddressBarDisplay, ReturnAndKeypadEnterOpenTypedAddressesAndSearches)
{
    pages_.set("/a", "<title>A</title>a");
    pages_.set("/b", "<title>B</title>b");
    pages_.set("/c", "<title>C</title>c");
    pages_.set("/s?q=two+words", "<title>Found</title>found");
    start_shown("/a", "A");
    app().settings().searchstring = platform::from_qstring(pages_.url("/s?q=").toString());

    enter(pages_.url("/b").toString(), "Return");
    EXPECT_TRUE(wait_until([&] { return browser()->LocationName() == QStringLiteral("B"); }));
    EXPECT_EQ(pages_.hits("/b"), 1);

    enter(pages_.url("/c").toString().mid(7), "KP_Enter");  // without "http://"
    EXPECT_TRUE(wait_until([&] { return browser()->LocationName() == QStringLiteral("C"); }));

    enter(QStringLiteral("two words"), "Return");
    EXPECT_TRUE(wait_until([&] { return browser()->LocationName() == QStringLiteral("Found"); }));
    save_shot("address-bar-search");
    EXPECT_EQ(frame()->tabs().size(), 1u);
}

// A page that loads while the user types (here it navigates itself) changes the list, not
// the text being typed.
TEST_F(AddressBarDisplay, WhatIsBeingTypedSurvivesAPageLoadingMeanwhile)
{
    pages_.set("/a", "<title>A</title>a");
    pages_.set("/b", "<title>B</title>b");
    pages_.set("/c", "<title>C</title>c");
    start_shown("/a", "A");
    QLineEdit* edit = bar()->combo()->lineEdit();
    ASSERT_TRUE(screen::click(edit, edit->rect().center()));
    ASSERT_TRUE(wait_until([&] { return bar()->combo()->hasFocus(); }));
    ASSERT_TRUE(screen::keys({"ctrl+a"}));
    const QString first = pages_.url("/c").toString().left(10);
    ASSERT_TRUE(screen::type(first));
    ASSERT_TRUE(wait_until([&] { return edit->text() == first; }));

    browser()->page()->runJavaScript(QStringLiteral("location.href = '/b'"));
    ASSERT_TRUE(wait_until([&] { return browser()->LocationName() == QStringLiteral("B") && !browser()->busy(); }));
    EXPECT_EQ(bar()->combo()->itemText(0), pages_.url("/b").toString());
    EXPECT_EQ(edit->text(), first);

    ASSERT_TRUE(screen::type(pages_.url("/c").toString().mid(10)));
    ASSERT_TRUE(wait_until([&] { return edit->text() == pages_.url("/c").toString(); }));
    ASSERT_TRUE(screen::keys({"Return"}));
    EXPECT_TRUE(wait_until([&] { return browser()->LocationName() == QStringLiteral("C"); }));
}

} // namespace
