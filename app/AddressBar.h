#pragma once

#include <QComboBox>
#include <QEvent>
#include <QListWidget>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

#include "ui/BandBar.h"

class CTabBrowserWnd;
namespace places {
class History;
}

// The list of history addresses shown under an address combo box while the user types. It
// never takes the focus, so typing goes on in the combo box.
class CSuggestionPopup : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kMaxRows = 16;

    explicit CSuggestionPopup(QWidget* owner);

    // Shows the addresses (model form) under the owner, or hides the popup when there are none.
    void show_entries(const std::vector<std::string>& urls);
    // Moves the highlight by one row (up or down); false when the popup is hidden.
    bool step(int delta);

signals:
    void chosen(const QString& text);

private:
    QWidget* owner_;
};

// The combo box of the address bar and of the open-site dialog: an editable list of history
// addresses with page icons, suggestions after the third typed character, and Enter handed
// on with the state of the Shift key.
class CAddressComboBox : public QComboBox {
    Q_OBJECT
public:
    // Posted to the combo box when a suggestion is chosen: it becomes the text and is entered.
    static constexpr QEvent::Type kSuggestionChosen = static_cast<QEvent::Type>(QEvent::User + 1200);

    explicit CAddressComboBox(QWidget* parent);

    // Empties the list and fills it with the newest history addresses, newest first.
    void fill_from_history(const places::History& history, int count);
    CSuggestionPopup* suggestions() const { return popup_; }
    // The icon of the page that is being shown; used for the item of its address.
    void set_page_icon(const QIcon& icon) { page_icon_ = icon; }
    // Puts the address at the top of the list, shown for people, the address itself kept beside.
    void insert_address(int index, const QIcon& icon, const QUrl& url);
    // The address the program offered under this text (a list item, a suggestion); empty when
    // the text is not one of them. What is offered opens as the address it is, never as a search.
    QUrl offered_address(const QString& text) const;
    // What the entered text opens: an offered address, else the address or search the text is
    // (places::address_for_input); empty for blank text.
    QUrl address_for(const QString& text) const;

signals:
    // Enter in the edit field (or a chosen suggestion); `new_tab` when Shift was held.
    void entered(const QString& text, bool new_tab);
    // The page icon was dragged beyond the drag distance.
    void icon_dragged();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void typed(const QString& text);
    // Enter, Escape and the arrows while suggestions show; true when the key was used.
    bool take_key(const QKeyEvent& key);

    CSuggestionPopup* popup_;
    QIcon page_icon_;
    QString chosen_text_;
    QPoint icon_press_;
    bool icon_pressed_ = false;
};

class QLabel;

// The address band: label 114 and the address combo box, which takes the rest of the row.
// It shows the active tab's address, refills its list from the history after every visit and
// turns what the user enters into a navigation or a search.
class CAddressBar : public ui::BandBar {
    Q_OBJECT
public:
    explicit CAddressBar(QWidget* parent);
    ~CAddressBar() override;

    CAddressComboBox* combo() const { return combo_; }

    // Shows the address at the top of the list with the page's icon; an empty address clears.
    void SetAddress(const QUrl& url);
    void FillFromHistory(int count);
    // Navigates or searches for the text: in the active tab, or a new tab when `new_tab` is
    // set or no tab is open.
    void Go(const QString& text, bool new_tab);

signals:
    // The history changed (after the list was refilled).
    void history_changed();

private:
    // Changes the list now, or with the frame's other bars while they wait for the first page.
    void change_list(std::function<void()> change);
    void open_list_item(int index);
    void follow_icon(CTabBrowserWnd* browser);
    void drag_icon_out();

    QLabel* label_;
    CAddressComboBox* combo_;
    QPointer<CTabBrowserWnd> icon_source_;
    QMetaObject::Connection icon_connection_;
    bool updating_ = false;  // the list is being changed by the program
};

// Creates the address band of the main frame under its band name and hands out its combo box.
CAddressBar* adopt_address_bar(QWidget* frame, const char* band_name, QComboBox*& combo);
