#include <QLineEdit>
#include <QTest>
#include <QWebEngineView>

#include "AppFixture.h"
#include "app/AddressBar.h"
#include "app/BrowserPage.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/SiteOpenDialog.h"
#include "app/TabBrowserWnd.h"
#include "platform/QtText.h"

namespace {

class AddressBarTest : public AppTest {
protected:
    // Starts on a served page with searches going to the page server.
    void start_on_page()
    {
        pages_.set("/a", "<title>A</title>a");
        ASSERT_TRUE(start({pages_.url("/a").toString()}));
        app().settings().searchstring = platform::from_qstring(pages_.url("/s?q=").toString());
        // The bars show the first page with its first frame: until then they hold their changes.
        ASSERT_TRUE(wait_until([&] {
            return browser()->LocationName() == QStringLiteral("A") && !browser()->busy() &&
                   edit()->text() == pages_.url("/a").toString();
        }));
    }
    CAddressBar* bar() const
    {
        return static_cast<CAddressBar*>(app().main_frame()->band(CMainFrame::kAddressBarBand));
    }
    QLineEdit* edit() const { return bar()->combo()->lineEdit(); }
    static CTabBrowserWnd* browser() { return app().ActiveBrowser(); }
    static std::size_t tab_count() { return app().main_frame()->tabs().size(); }

    // Key events carrying each character, Japanese ones included.
    void type(const QString& text)
    {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, edit(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    // Types the text into an empty edit field and presses Enter.
    void enter(const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        edit()->clear();
        type(text);
        QTest::keyClick(edit(), Qt::Key_Return, modifiers);
    }
    // Waits for the search page to be requested with the query.
    bool searched(const QString& query)
    {
        const QString path = QStringLiteral("/s?q=") + query;
        return wait_until([&] { return pages_.hits(path) > 0; }) &&
               wait_until([&] { return browser()->LocationURL().toString(QUrl::FullyEncoded).endsWith(path); });
    }
};

TEST_F(AddressBarTest, EnterNavigatesAnAddressAndSearchesWords)
{
    start_on_page();
    pages_.set("/b", "<title>B</title>b");
    enter(pages_.url("/b").toString().mid(7));  // without "http://": the dot makes it an address
    EXPECT_TRUE(wait_until([&] { return browser()->LocationName() == QStringLiteral("B"); }));

    pages_.set("/s?q=two+words", "found");
    enter(QStringLiteral("two words"));
    EXPECT_TRUE(searched(QStringLiteral("two+words")));

    // Shift_JIS bytes, upper-case hexadecimal; "+" itself is escaped.
    enter(QStringLiteral("日本 c++"));
    EXPECT_TRUE(searched(QStringLiteral("%93%FA%96%7B+c%2B%2B")));

    // A leading question mark searches for the rest, dots and all.
    enter(QStringLiteral("?www.example.jp"));
    EXPECT_TRUE(searched(QStringLiteral("www.example.jp")));
    EXPECT_EQ(tab_count(), 1u);
}

TEST_F(AddressBarTest, LocalhostAndAboutBlankAreAddressesAndBlankTextDoesNothing)
{
    start_on_page();
    enter(QStringLiteral("localhost"));
    EXPECT_TRUE(wait_until([&] { return browser()->page()->requestedUrl().host() == QStringLiteral("localhost"); }));

    // Full-width spaces only: nothing is opened or searched; the next entry is the first
    // thing that happens.
    enter(QStringLiteral("\u3000\u3000"));
    enter(QStringLiteral("about:blank"));
    EXPECT_TRUE(wait_until([&] { return browser()->LocationURL() == QUrl(QStringLiteral("about:blank")); }));
    EXPECT_EQ(tab_count(), 1u);
    EXPECT_EQ(pages_.hits(QStringLiteral("/s?q=")), 0);
    EXPECT_EQ(pages_.hits(QStringLiteral("/s?q=+")), 0);
}

TEST_F(AddressBarTest, ShiftEnterOpensANewTabAndKeepsTheActiveOne)
{
    start_on_page();
    CTabBrowserWnd* first = browser();
    pages_.set("/c", "<title>C</title>c");
    enter(pages_.url("/c").toString(), Qt::ShiftModifier);
    ASSERT_TRUE(wait_until([&] { return tab_count() == 2u; }));
    EXPECT_TRUE(wait_until([&] { return browser() != first && browser()->LocationName() == QStringLiteral("C"); }));
    EXPECT_EQ(first->LocationURL(), pages_.url("/a"));

    // Only Shift opens a tab: Ctrl+Enter is Enter.
    pages_.set("/d", "<title>D</title>d");
    enter(pages_.url("/d").toString(), Qt::ControlModifier);
    EXPECT_TRUE(wait_until([&] { return browser()->LocationName() == QStringLiteral("D"); }));
    EXPECT_EQ(tab_count(), 2u);
}

TEST_F(AddressBarTest, SuggestionsAppearOnTheThirdCharacterShortestFirst)
{
    start_on_page();
    places::History& history = app().history();
    for (int i = 0; i < 20; ++i)
        history.add_visit({"http://example.jp/" + std::string(static_cast<std::size_t>(20 - i), 'x'), places::system_now()});
    history.add_visit({"http://other.jp/", places::system_now()});

    CSuggestionPopup* popup = bar()->combo()->suggestions();
    edit()->clear();
    type(QStringLiteral("xa"));
    EXPECT_FALSE(popup->isVisible());
    edit()->clear();
    type(QStringLiteral("xx"));
    EXPECT_FALSE(popup->isVisible());
    type(QStringLiteral("x"));
    ASSERT_TRUE(popup->isVisible());
    ASSERT_EQ(popup->count(), CSuggestionPopup::kMaxRows);
    EXPECT_EQ(popup->item(0)->text(), QStringLiteral("http://example.jp/xxx"));
    EXPECT_EQ(popup->item(15)->text(), QStringLiteral("http://example.jp/") + QString(18, QLatin1Char('x')));

    // Typing more narrows the list; a text nothing contains hides it.
    type(QStringLiteral("q"));
    EXPECT_FALSE(popup->isVisible());

    // Choosing a suggestion enters it.
    pages_.set("/chosen", "<title>Chosen</title>chosen");
    history.add_visit({platform::from_qstring(pages_.url("/chosen").toString()), places::system_now()});
    edit()->clear();
    type(QStringLiteral("chose"));
    ASSERT_TRUE(popup->isVisible());
    ASSERT_EQ(popup->count(), 1);
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, popup->visualItemRect(popup->item(0)).center());
    EXPECT_TRUE(wait_until([&] { return browser()->LocationName() == QStringLiteral("Chosen"); }));
    EXPECT_FALSE(popup->isVisible());
}

TEST_F(AddressBarTest, VisitsGoToTheHistoryAndTheListShowsTheNewestSixteen)
{
    start_on_page();
    EXPECT_EQ(app().history().entries().back().url, platform::from_qstring(pages_.url("/a").toString()));
    for (int i = 0; i < 20; ++i)
        app().history().add_visit({"http://example.jp/" + std::to_string(i), places::system_now() + i});
    QComboBox* combo = bar()->combo();
    ASSERT_EQ(combo->count(), 16);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("http://example.jp/19"));
    EXPECT_EQ(combo->itemText(15), QStringLiteral("http://example.jp/4"));

    // The history survives the restart.
    app().main_frame()->close();
    delete app().main_frame();
    app().history().clear();
    ASSERT_TRUE(start());
    EXPECT_EQ(app().history().size(), 21u);
}

TEST_F(AddressBarTest, TheOpenSiteDialogOffersTheHistoryAndOpensWhatEnterChose)
{
    start_on_page();
    app().history().add_visit({"http://example.jp/newest", places::system_now() + 10});
    CSiteOpenDialog dialog(app().main_frame());
    ASSERT_GE(dialog.combo()->count(), 2);
    EXPECT_EQ(dialog.combo()->itemText(0), QStringLiteral("http://example.jp/newest"));
    dialog.show();
    QLineEdit* field = dialog.combo()->lineEdit();
    for (const QChar c : QStringLiteral("exam"))
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    EXPECT_TRUE(dialog.combo()->suggestions()->isVisible());
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.address(), QStringLiteral("exam"));

    // Enter on a highlighted suggestion opens the suggestion.
    CSiteOpenDialog chosen(app().main_frame());
    chosen.show();
    field = chosen.combo()->lineEdit();
    for (const QChar c : QStringLiteral("exam"))
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    ASSERT_TRUE(chosen.combo()->suggestions()->isVisible());
    QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(chosen.result(), QDialog::Accepted);
    EXPECT_EQ(chosen.address(), QStringLiteral("http://example.jp/newest"));
}

} // namespace
