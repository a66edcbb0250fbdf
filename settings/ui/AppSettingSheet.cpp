#include "settings/ui/AppSettingSheet.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "settings/ui/AppSettingPages.h"
#include "settings/ui/FileAssociations.h"

namespace settings::ui {

CAppSettingPSheet::CAppSettingPSheet(Settings& settings, const SheetContext& context, QWidget* parent)
    : QDialog(parent), settings_(settings)
{
    setWindowTitle(QCoreApplication::translate("AppSettingSheet", "Marvoの設定"));
    if (context.registry)
        associations_ = std::make_unique<FileAssociations>(*context.registry, context.executable);

    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    layout->addWidget(tabs_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QCoreApplication::translate("AppSettingSheet", "キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAppSettingPSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAppSettingPSheet::reject);
    layout->addWidget(buttons);

    const auto add = [this](CAppSettingPage* page, const QString& title) {
        pages_.push_back(page);
        tabs_->addTab(page, title);
        return page;
    };
    folder_page = static_cast<CAppSettingPageFolder*>(add(new CAppSettingPageFolder, QCoreApplication::translate("AppSettingSheet", "フォルダ")));
    browser_page = static_cast<CAppSettingPageBrowser*>(
        add(new CAppSettingPageBrowser(context.engine_user_agent), QCoreApplication::translate("AppSettingSheet", "ブラウザ")));
    proxy_page = static_cast<CAppSettingPageProxy*>(add(new CAppSettingPageProxy, QCoreApplication::translate("AppSettingSheet", "Proxyリスト")));
    end_page = static_cast<CAppSettingEndProc*>(add(new CAppSettingEndProc, QCoreApplication::translate("AppSettingSheet", "終了時処理")));
    gesture_page = static_cast<CAppSettingPageMouseGesture*>(
        add(new CAppSettingPageMouseGesture, QCoreApplication::translate("AppSettingSheet", "マウスジェスチャ")));
    key_page = static_cast<CAppSettingPageKey*>(add(new CAppSettingPageKey, QCoreApplication::translate("AppSettingSheet", "キーの割り当て")));
    display_page = static_cast<CAppSettingPageDisplay*>(add(new CAppSettingPageDisplay, QCoreApplication::translate("AppSettingSheet", "表示")));
    search_page = static_cast<CAppSettingPageSearch*>(add(new CAppSettingPageSearch, QCoreApplication::translate("AppSettingSheet", "アドレスバーサーチ")));
    network_page = static_cast<CAppSettingPageNetwork*>(add(new CAppSettingPageNetwork, QCoreApplication::translate("AppSettingSheet", "通信")));
    association_page =
        static_cast<CAppSettingPageReg*>(add(new CAppSettingPageReg(associations_.get()), QCoreApplication::translate("AppSettingSheet", "関連付け")));

    for (CAppSettingPage* page : pages_)
        page->load(settings_);
    browser_page->set_home_page(context.home_page, context.current_page);

    // A page whose input cannot be taken cannot be left either.
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == shown_page_)
            return;
        const int previous = shown_page_;
        shown_page_ = index;
        if (!check_page(previous))
            return;
    });
}

CAppSettingPSheet::~CAppSettingPSheet() = default;

bool CAppSettingPSheet::check_page(int index)
{
    const QString problem = pages_.at(static_cast<std::size_t>(index))->validate();
    if (problem.isEmpty())
        return true;
    shown_page_ = index;
    tabs_->setCurrentIndex(index);
    QMessageBox::warning(this, QStringLiteral("Marvo"), problem);
    return false;
}

void CAppSettingPSheet::accept()
{
    for (int i = 0; i < static_cast<int>(pages_.size()); ++i)
        if (!check_page(i))
            return;
    for (CAppSettingPage* page : pages_)
        page->store(settings_);
    settings_.rebuild_gesture_table();
    QDialog::accept();
}

} // namespace settings::ui
