#include "app/AddressBar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QWebEngineView>

#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/MarvoApp.h"
#include "app/TabBrowserWnd.h"
#include "places/History.h"
#include "places/UrlText.h"
#include "places/ui/PlaceIcons.h"
#include "platform/PageAddress.h"
#include "platform/QtText.h"
#include "res/StringTable.h"
#include "ui/Texts.h"

// ---- suggestion popup ----

CSuggestionPopup::CSuggestionPopup(QWidget* owner)
    : QListWidget(owner), owner_(owner)
{
    // A tool-tip window never becomes active, so the edit field keeps the keyboard.
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { emit chosen(item->text()); });
}

void CSuggestionPopup::show_entries(const std::vector<std::string>& urls)
{
    clear();
    if (urls.empty()) {
        hide();
        return;
    }
    for (std::size_t i = 0; i < std::min<std::size_t>(urls.size(), kMaxRows); ++i) {
        const QUrl url = platform::url_from_model(urls[i]);
        auto* item = new QListWidgetItem(platform::shown_url(url), this);
        item->setData(Qt::UserRole, url);
    }
    const int rows = static_cast<int>(std::min<qsizetype>(count(), kMaxRows));
    const int row_height = std::max(sizeHintForRow(0), fontMetrics().height());
    const QPoint below = owner_->mapToGlobal(QPoint(0, owner_->height()));
    setGeometry(below.x(), below.y(), owner_->width(), rows * row_height + 2 * frameWidth());
    show();
    raise();
}

bool CSuggestionPopup::step(int delta)
{
    if (!isVisible() || count() == 0)
        return false;
    const int row = currentRow() < 0 ? (delta > 0 ? 0 : count() - 1) : (currentRow() + delta + count()) % count();
    setCurrentRow(row);
    return true;
}

// ---- combo box ----

CAddressComboBox::CAddressComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(16);
    // Completion is ours: the history suggestions.
    setCompleter(nullptr);
    popup_ = new CSuggestionPopup(this);
    lineEdit()->installEventFilter(this);
    connect(lineEdit(), &QLineEdit::textEdited, this, &CAddressComboBox::typed);
    connect(popup_, &CSuggestionPopup::chosen, this, [this](const QString& text) {
        // Handed over as an event so the click finishes before the page starts loading.
        chosen_text_ = text;
        QCoreApplication::postEvent(this, new QEvent(kSuggestionChosen));
    });
}

void CAddressComboBox::fill_from_history(const places::History& history, int count)
{
    const QString text = currentText();
    const int cursor = lineEdit()->cursorPosition();
    const bool modified = lineEdit()->isModified();  // the user's typing, see SetAddress
    const QSignalBlocker quiet(this);
    clear();
    // The history holds each address once, so the list does too.
    for (const std::string& url : history.recent_urls(static_cast<std::size_t>(count)))
        insert_address(this->count(), place_icons::page(), platform::url_from_model(url));
    setCurrentIndex(-1);
    setEditText(text);
    lineEdit()->setCursorPosition(cursor);
    lineEdit()->setModified(modified);
}

void CAddressComboBox::insert_address(int index, const QIcon& icon, const QUrl& url)
{
    insertItem(index, icon, platform::shown_url(url), url);
}

QUrl CAddressComboBox::offered_address(const QString& text) const
{
    for (int row = 0; row < popup_->count(); ++row)
        if (popup_->item(row)->text() == text)
            return popup_->item(row)->data(Qt::UserRole).toUrl();
    const int index = findText(text, Qt::MatchExactly);
    return index >= 0 ? itemData(index).toUrl() : QUrl();
}

QUrl CAddressComboBox::address_for(const QString& text) const
{
    if (const QUrl offered = offered_address(text); !offered.isEmpty())
        return offered;
    const std::optional<std::string> url =
        places::address_for_input(platform::from_qstring(text), theApp().settings().searchstring);
    if (!url)
        return {};
    // The decision is made on the Shift_JIS text; an address itself opens from what was typed,
    // where no character has been lost.
    if (places::is_search_input(platform::from_qstring(text)))
        return QUrl(QString::fromStdString(*url));
    QString address = text;
    address.replace(QChar(0x3000), QLatin1Char(' '));
    while (address.endsWith(QLatin1Char(' ')))
        address.chop(1);
    return QUrl::fromUserInput(address);
}

void CAddressComboBox::typed(const QString& text)
{
    popup_->show_entries(theApp().history().suggestions(platform::from_qstring(text), CSuggestionPopup::kMaxRows));
}

bool CAddressComboBox::event(QEvent* event)
{
    if (event->type() == kSuggestionChosen) {
        popup_->hide();
        setEditText(chosen_text_);
        emit entered(chosen_text_, QApplication::keyboardModifiers() & Qt::ShiftModifier);
        return true;
    }
    return QComboBox::event(event);
}

bool CAddressComboBox::take_key(const QKeyEvent& key)
{
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        QString text = lineEdit()->text();
        if (popup_->isVisible() && popup_->currentItem()) {
            text = popup_->currentItem()->text();
            setEditText(text);  // what is entered is what the field holds
        }
        popup_->hide();
        emit entered(text, key.modifiers() & Qt::ShiftModifier);
        return true;
    }
    case Qt::Key_Escape:
        if (popup_->isVisible()) {
            popup_->hide();
            return true;
        }
        return false;
    case Qt::Key_Down:
    case Qt::Key_Up:
        return popup_->step(key.key() == Qt::Key_Down ? 1 : -1);
    default:
        return false;
    }
}

// The edit field's focus proxy is the combo box: keys from the keyboard arrive here, and
// QComboBox hands them to the edit field directly, past any event filter on it.
void CAddressComboBox::keyPressEvent(QKeyEvent* event)
{
    if (!take_key(*event))
        QComboBox::keyPressEvent(event);
}

bool CAddressComboBox::eventFilter(QObject* watched, QEvent* event)
{
    // Keys sent to the edit field itself take the same way.
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        if (take_key(*static_cast<QKeyEvent*>(event)))
            return true;
    } else if (watched == lineEdit() && event->type() == QEvent::FocusOut) {
        if (!popup_->underMouse())
            popup_->hide();
    }
    return QComboBox::eventFilter(watched, event);
}

// The page icon sits left of the edit field; dragging it carries the page away.
void CAddressComboBox::mousePressEvent(QMouseEvent* event)
{
    icon_pressed_ = event->button() == Qt::LeftButton && event->position().x() < lineEdit()->geometry().left() &&
                    currentIndex() >= 0;
    icon_press_ = event->position().toPoint();
    if (!icon_pressed_)
        QComboBox::mousePressEvent(event);
}

void CAddressComboBox::mouseMoveEvent(QMouseEvent* event)
{
    if (icon_pressed_ && (event->position().toPoint() - icon_press_).manhattanLength() >= QApplication::startDragDistance()) {
        icon_pressed_ = false;
        emit icon_dragged();
        return;
    }
    QComboBox::mouseMoveEvent(event);
}

void CAddressComboBox::hideEvent(QHideEvent* event)
{
    popup_->hide();
    QComboBox::hideEvent(event);
}

// ---- address bar ----

namespace {

} // namespace

CAddressBar::CAddressBar(QWidget* parent) : ui::BandBar(parent)
{
    label_ = new QLabel(ui::string_text(res::str::kAddressLabel) + QLatin1Char(' '), this);
    addWidget(label_);
    combo_ = new CAddressComboBox(this);
    combo_->setObjectName(QStringLiteral("AddressCombo"));
    combo_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    combo_->setMinimumWidth(200);
    addWidget(combo_);
    connect(combo_, &CAddressComboBox::entered, this, &CAddressBar::Go);
    connect(combo_, qOverload<int>(&QComboBox::activated), this, &CAddressBar::open_list_item);
    connect(combo_, &CAddressComboBox::icon_dragged, this, &CAddressBar::drag_icon_out);
    // The list changes with the address (the visit is recorded as the address commits): while
    // the frame holds one, it holds the other, or the bar's icon would blink.
    theApp().history().set_on_change([this] {
        change_list([this] {
            FillFromHistory(15);
            emit history_changed();
        });
    });
    // Not shown before the list opens, and its first page picture reads the icon theme: while
    // the first page is on its way, the list is filled after it.
    change_list([this] { FillFromHistory(15); });
}

void CAddressBar::change_list(std::function<void()> change)
{
    CMainFrame* frame = theApp().main_frame();
    if (!frame) {
        change();
        return;
    }
    frame->change_bars([bar = QPointer<CAddressBar>(this), change = std::move(change)] {
        if (bar)
            change();
    });
}

CAddressBar::~CAddressBar()
{
    theApp().history().set_on_change({});
}

void CAddressBar::SetAddress(const QUrl& url)
{
    const QString text = platform::shown_url(url);
    // What the user is typing stays: a page that finishes loading meanwhile (or its icon)
    // changes the list only.
    QLineEdit* edit = combo_->lineEdit();
    const bool typing = combo_->hasFocus() && edit->isModified();
    const QString typed = edit->text();
    const int cursor = edit->cursorPosition();
    updating_ = true;
    if (text.isEmpty()) {
        combo_->setCurrentIndex(-1);
        combo_->setEditText(QString());
        combo_->set_page_icon({});
    } else {
        CTabBrowserWnd* browser = theApp().ActiveBrowser();
        follow_icon(browser);
        QIcon icon = browser ? browser->site_icon() : QIcon();
        if (icon.isNull())
            icon = place_icons::page();
        const QSignalBlocker quiet(combo_);
        // Load end reports the address load start did: the field is left alone, not redrawn.
        if (!typing && combo_->currentIndex() == 0 && combo_->itemData(0).toUrl() == url && edit->text() == text) {
            if (combo_->itemIcon(0).cacheKey() != icon.cacheKey())
                combo_->setItemIcon(0, icon);
            updating_ = false;
            return;
        }
        // Each address once (load start and load end report the same one, the history lists
        // it too): the page's moves to the top.
        for (int i = combo_->count() - 1; i >= 0; --i)
            if (combo_->itemText(i) == text)
                combo_->removeItem(i);
        combo_->insert_address(0, icon, url);
        combo_->setCurrentIndex(0);
    }
    if (typing) {
        combo_->setEditText(typed);
        edit->setCursorPosition(cursor);
        edit->setModified(true);
    }
    updating_ = false;
}

// The icon arrives after the address: keep the top item's picture in step with the tab.
void CAddressBar::follow_icon(CTabBrowserWnd* browser)
{
    if (browser == icon_source_)
        return;
    disconnect(icon_connection_);
    icon_source_ = browser;
    if (!browser)
        return;
    icon_connection_ = connect(browser, &CTabBrowserWnd::iconChanged, this, [this] {
        if (!icon_source_ || combo_->count() == 0 || combo_->currentIndex() != 0)
            return;
        const QIcon icon = icon_source_->site_icon();
        combo_->setItemIcon(0, icon.isNull() ? place_icons::page() : icon);
    });
}

void CAddressBar::FillFromHistory(int count)
{
    updating_ = true;
    combo_->fill_from_history(theApp().history(), count + 1);
    updating_ = false;
}

void CAddressBar::Go(const QString& text, bool new_tab)
{
    const QUrl url = combo_->address_for(text);
    if (url.isEmpty())
        return;
    combo_->hidePopup();
    combo_->suggestions()->hide();
    CTabBrowserWnd* browser = theApp().ActiveBrowser();
    if (browser && !new_tab) {
        browser->Navigate(url);
        browser->view()->setFocus();
    } else {
        theApp().OpenInNewTab(url);
    }
}

// A list item chosen with the mouse or the arrow keys and Enter in the drop-down list.
void CAddressBar::open_list_item(int index)
{
    if (updating_ || index < 0)
        return;
    const QUrl url = combo_->itemData(index).toUrl();
    if (CTabBrowserWnd* browser = theApp().ActiveBrowser()) {
        browser->Navigate(url);
        browser->view()->setFocus();
    } else {
        theApp().OpenInNewTab(url);
    }
}

void CAddressBar::drag_icon_out()
{
    CMainFrame* frame = theApp().main_frame();
    if (frame && frame->active_tab())
        frame->drag_tab_out(frame->active_tab());
}

CAddressBar* adopt_address_bar(QWidget* frame, const char* band_name, QComboBox*& combo)
{
    auto* bar = new CAddressBar(frame);
    bar->setWindowTitle(QString::fromUtf8(band_name));
    bar->setObjectName(QString::fromUtf8(band_name));
    bar->setMovable(true);
    bar->setIconSize(QSize(26, 26));
    combo = bar->combo();
    return bar;
}
