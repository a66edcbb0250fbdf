#include "app/PermissionBar.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <utility>

#include "app/MainFrame.h"
#include "app/PageFullScreen.h"
#include "app/SitePermissions.h"

namespace {

// What the site asks for, as the question names it.
QString wanted(const QString& kind)
{
    const auto text = [](const char* source) { return QCoreApplication::translate("PermissionBar", source); };
    const std::pair<QString, const char*> kinds[] = {
        {site_permissions::kind_of(QWebEnginePage::Notifications), QT_TRANSLATE_NOOP("PermissionBar", "通知の表示")},
        {site_permissions::kind_of(QWebEnginePage::Geolocation), QT_TRANSLATE_NOOP("PermissionBar", "現在地の利用")},
        {site_permissions::kind_of(QWebEnginePage::MediaAudioCapture), QT_TRANSLATE_NOOP("PermissionBar", "マイクの使用")},
        {site_permissions::kind_of(QWebEnginePage::MediaVideoCapture), QT_TRANSLATE_NOOP("PermissionBar", "カメラの使用")},
        {site_permissions::kind_of(QWebEnginePage::MediaAudioVideoCapture),
         QT_TRANSLATE_NOOP("PermissionBar", "カメラとマイクの使用")},
        {site_permissions::kind_of(QWebEnginePage::MouseLock), QT_TRANSLATE_NOOP("PermissionBar", "マウスポインターの固定")},
        {site_permissions::kind_of(QWebEnginePage::DesktopVideoCapture), QT_TRANSLATE_NOOP("PermissionBar", "画面の共有")},
        {site_permissions::kind_of(QWebEnginePage::DesktopAudioVideoCapture),
         QT_TRANSLATE_NOOP("PermissionBar", "画面と音声の共有")},
        {site_permissions::kFullScreen, QT_TRANSLATE_NOOP("PermissionBar", "全画面表示")},
    };
    for (const auto& [name, source] : kinds)
        if (name == kind)
            return text(source);
    return kind;
}

} // namespace

PermissionBar::PermissionBar(QWebEnginePage* page, platform::RegistryStore& store, QWidget* parent)
    : QWidget(parent), page_(page), store_(store)
{
    setObjectName(QStringLiteral("PermissionBar"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    parent->installEventFilter(this);
    hide();

    page_->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
    connect(page_, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl& origin, QWebEnginePage::Feature feature) {
                ask({origin, site_permissions::kind_of(feature), [this, origin, feature](bool allowed) {
                         page_->setFeaturePermission(origin, feature,
                                                     allowed ? QWebEnginePage::PermissionGrantedByUser
                                                             : QWebEnginePage::PermissionDeniedByUser);
                     }});
            });
    connect(page_, &QWebEnginePage::featurePermissionRequestCanceled, this,
            [this](const QUrl& origin, QWebEnginePage::Feature feature) {
                forget(origin, site_permissions::kind_of(feature));
            });
    connect(page_, &QWebEnginePage::fullScreenRequested, this, &PermissionBar::full_screen);
    // A request belongs to its site: once the page has gone to another, nobody waits for it.
    connect(page_, &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        const bool shown = !pending_.empty();
        std::erase_if(pending_, [&](const Request& request) {
            return request.origin.scheme() != url.scheme() || request.origin.host() != url.host() ||
                   request.origin.port(-1) != url.port(-1);
        });
        if (shown)
            show_first();
    });
}

// The controls are made for the first question: most tabs never ask one, and the first of
// them (the style's first buttons) costs a new tab's page tens of milliseconds of its start.
void PermissionBar::build()
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    text_ = new QLabel(this);
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);  // a narrow page gets a taller bar, not a cut question
    text_->setForegroundRole(QPalette::ToolTipText);
    layout->addWidget(text_, 1);
    remember_ = new QCheckBox(tr("このサイトでは記憶する"), this);
    layout->addWidget(remember_);
    allow_ = new QPushButton(tr("許可"), this);
    deny_ = new QPushButton(tr("拒否"), this);
    layout->addWidget(allow_);
    layout->addWidget(deny_);
    connect(allow_, &QPushButton::clicked, this, [this] { answer(true); });
    connect(deny_, &QPushButton::clicked, this, [this] { answer(false); });
}

QString PermissionBar::question() const
{
    return isVisible() ? text_->text() : QString();
}

void PermissionBar::ask(Request request)
{
    if (const std::optional<bool> allowed = site_permissions::remembered(store_, request.origin, request.kind)) {
        request.answer(*allowed);
        return;
    }
    pending_.push_back(std::move(request));
    if (pending_.size() == 1)
        show_first();
}

void PermissionBar::answer(bool allowed)
{
    if (pending_.empty())
        return;
    Request request = std::move(pending_.front());
    pending_.pop_front();
    if (remember_->isChecked())
        site_permissions::remember(store_, request.origin, request.kind, allowed);
    request.answer(allowed);
    show_first();
}

void PermissionBar::forget(const QUrl& origin, const QString& kind)
{
    const bool shown = !pending_.empty() && pending_.front().origin == origin && pending_.front().kind == kind;
    std::erase_if(pending_, [&](const Request& request) { return request.origin == origin && request.kind == kind; });
    if (shown)
        show_first();
}

void PermissionBar::show_first()
{
    if (pending_.empty()) {
        hide();
        return;
    }
    const Request& request = pending_.front();
    if (!text_)
        build();
    text_->setText(tr("%1 が%2を求めています。").arg(request.origin.host(), wanted(request.kind)));
    remember_->setChecked(false);
    place();
    show();
    raise();
}

// Across the top of the page, which keeps its size: the memos stay on what they mark.
void PermissionBar::place()
{
    const int width = parentWidget()->width();
    setGeometry(0, 0, width, hasHeightForWidth() ? heightForWidth(width) : sizeHint().height());
}

bool PermissionBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible())
        place();
    return QWidget::eventFilter(watched, event);
}

// The page's full screen is the window's, with nothing but the page in it. Leaving needs no
// asking; Escape leaves too.
void PermissionBar::full_screen(QWebEngineFullScreenRequest request)
{
    auto* frame = qobject_cast<CMainFrame*>(window());
    if (!request.toggleOn()) {
        request.accept();
        if (frame)
            PageFullScreen::leave(frame);
        return;
    }
    ask({request.origin(), site_permissions::kFullScreen, [this, request](bool allowed) mutable {
             auto* frame = qobject_cast<CMainFrame*>(window());
             if (!allowed || !frame) {
                 request.reject();
                 return;
             }
             request.accept();
             PageFullScreen::enter(frame, {frame->tab_strip()}, page_,
                                   [page = page_] { page->triggerAction(QWebEnginePage::ExitFullScreen); });
         }});
}
