#include "settings/ui/AppSettingPages.h"

#include <algorithm>

#include <QCoreApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/QtText.h"
#include "res/StringTable.h"
#include "settings/ui/FileAssociations.h"
#include "settings/ui/ShortCutKeyEdit.h"
#include "ui/Texts.h"

namespace settings::ui {

namespace {

QString command_name(std::int32_t id)
{
    // The display name is the first line of the command's string-table entry, translated there.
    return is_valid_command(id) ? ::ui::string_prompt(kCommands[id].string_id) : QString();
}

QComboBox* command_list(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    for (const CommandInfo& command : kCommands)
        box->addItem(::ui::string_prompt(command.string_id));
    return box;
}

// A list view of "what" and the command it runs, with the column widths of the pages.
QTreeWidget* binding_list(const QString& first_column, QWidget* parent)
{
    auto* list = new QTreeWidget(parent);
    list->setRootIsDecorated(false);
    list->setHeaderLabels({first_column, QCoreApplication::translate("AppSettingPages", "動作")});
    list->setColumnWidth(0, 200);
    list->setColumnWidth(1, 300);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

void invalid_entry(QWidget* parent)
{
    QMessageBox::warning(parent, QStringLiteral("Marvo"), ::ui::string_text(res::str::kInvalidGesture));
}

// The first selected row of a list view, or -1.
int selected_row(QTreeWidget* list)
{
    const QList<QTreeWidgetItem*> rows = list->selectedItems();
    return rows.isEmpty() ? -1 : list->indexOfTopLevelItem(rows.front());
}

QCheckBox* check(QBoxLayout* layout, const QString& text)
{
    auto* box = new QCheckBox(text);
    layout->addWidget(box);
    return box;
}

unsigned char flag(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

} // namespace

QString range_message(int minimum, int maximum)
{
    return QCoreApplication::translate("AppSettingPages", "%1 から %2 までの整数を入力してください。").arg(minimum).arg(maximum);
}

// ---- folder ----

CAppSettingPageFolder::CAppSettingPageFolder(QWidget* parent) : CAppSettingPage(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QCoreApplication::translate("AppSettingPages", "保存フォルダ"), this);
    auto* row = new QHBoxLayout(group);
    folder = new QLineEdit(group);
    browse = new QPushButton(QStringLiteral("..."), group);
    row->addWidget(folder);
    row->addWidget(browse);
    layout->addWidget(group);
    layout->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "※Marvoを再実行したときに有効になります"), this));
    layout->addStretch();
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(
            this, QCoreApplication::translate("AppSettingPages", "Marvoのメモを保存するフォルダを選択してください。"), folder->text());
        if (!chosen.isEmpty())
            folder->setText(chosen);
    });
}

void CAppSettingPageFolder::load(const Settings& settings)
{
    folder->setText(platform::to_qstring(settings.savefolder));
}

void CAppSettingPageFolder::store(Settings& settings)
{
    settings.savefolder = platform::from_qstring(folder->text());
}

// ---- browser ----

CAppSettingPageBrowser::CAppSettingPageBrowser(QString engine_user_agent, QWidget* parent)
    : CAppSettingPage(parent), engine_user_agent_(std::move(engine_user_agent))
{
    auto* layout = new QVBoxLayout(this);

    auto* agent = new QGroupBox(QCoreApplication::translate("AppSettingPages", "ユーザーエージェント  (Marvoを再実行したときに有効になります)"), this);
    auto* agent_layout = new QVBoxLayout(agent);
    agent_engine = new QRadioButton(QCoreApplication::translate("AppSettingPages", "IEと同じ設定を利用する(Mozilla/4.0 ...)"), agent);
    agent_program = new QRadioButton(QCoreApplication::translate("AppSettingPages", "Marvoの設定 (Marvo/1.0 ....)"), agent);
    agent_other = new QRadioButton(QCoreApplication::translate("AppSettingPages", "その他"), agent);
    agent_text = new QLineEdit(agent);
    for (QWidget* item : std::initializer_list<QWidget*>{agent_engine, agent_program, agent_other, agent_text})
        agent_layout->addWidget(item);
    layout->addWidget(agent);
    connect(agent_engine, &QRadioButton::clicked, this, [this] { choose_user_agent(0); });
    connect(agent_program, &QRadioButton::clicked, this, [this] { choose_user_agent(1); });
    connect(agent_other, &QRadioButton::clicked, this, [this] { choose_user_agent(2); });

    auto* security = new QGroupBox(QCoreApplication::translate("AppSettingPages", "セキュリティ  （次に開くサイトから有効になります)"), this);
    auto* security_layout = new QVBoxLayout(security);
    sounds = check(security_layout, QCoreApplication::translate("AppSettingPages", "サウンドの再生"));
    videos = check(security_layout, QCoreApplication::translate("AppSettingPages", "ビデオの再生"));
    images = check(security_layout, QCoreApplication::translate("AppSettingPages", "画像のダウンロード"));
    activex_run = check(security_layout, QCoreApplication::translate("AppSettingPages", "ActiveXコントロールの実行"));
    activex_download = check(security_layout, QCoreApplication::translate("AppSettingPages", "ActiveXコントロールのダウンロード"));
    scripts = check(security_layout, QCoreApplication::translate("AppSettingPages", "スクリプトの実行"));
    java = check(security_layout, QCoreApplication::translate("AppSettingPages", "Javaの実行"));
    silent = check(security_layout, QCoreApplication::translate("AppSettingPages", "ユーザ認証ダイアログを表示しない"));
    block_popups = check(security_layout, QCoreApplication::translate("AppSettingPages", "ポップアップのブロック"));
    block_script_errors = check(security_layout, QCoreApplication::translate("AppSettingPages", "スクリプトのエラーを表示しない"));
    layout->addWidget(security);

    auto* favorites = new QGroupBox(QCoreApplication::translate("AppSettingPages", "お気に入り"), this);
    auto* favorites_layout = new QVBoxLayout(favorites);
    favorites_order = check(favorites_layout, QCoreApplication::translate("AppSettingPages", "毎回IEと同じ順序に並び替える"));
    layout->addWidget(favorites);

    auto* home = new QGroupBox(tr("ホームページ (ホーム、新しいタブ、起動時に開くページ)"), this);
    auto* home_layout = new QHBoxLayout(home);
    home_layout->addWidget(new QLabel(tr("アドレス:"), home));
    home_address = new QLineEdit(home);
    home_layout->addWidget(home_address, 1);
    home_use_current = new QPushButton(tr("現在のページを使用"), home);
    home_use_blank = new QPushButton(tr("空白を使用"), home);
    home_layout->addWidget(home_use_current);
    home_layout->addWidget(home_use_blank);
    connect(home_use_current, &QPushButton::clicked, this, [this] { home_address->setText(current_page_); });
    connect(home_use_blank, &QPushButton::clicked, this, [this] { home_address->setText(QStringLiteral("about:blank")); });
    layout->addWidget(home);

    auto* start = new QGroupBox(QCoreApplication::translate("AppSettingPages", "起動時"), this);
    auto* start_layout = new QVBoxLayout(start);
    start_home = new QRadioButton(QCoreApplication::translate("AppSettingPages", "ホームページを開く"), start);
    start_last = new QRadioButton(QCoreApplication::translate("AppSettingPages", "前回開いていたサイトを開く"), start);
    start_layout->addWidget(start_home);
    start_layout->addWidget(start_last);
    layout->addWidget(start);

    auto* tabs = new QGroupBox(tr("背面のタブ"), this);
    auto* tabs_layout = new QHBoxLayout(tabs);
    tabs_layout->addWidget(new QLabel(tr("メモリを解放するまでの時間:"), tabs));
    discard_minutes = new QSpinBox(tabs);
    discard_minutes->setRange(0, 24 * 60);
    discard_minutes->setSuffix(tr(" 分"));
    discard_minutes->setSpecialValueText(tr("解放しない"));
    tabs_layout->addWidget(discard_minutes);
    tabs_layout->addStretch();
    layout->addWidget(tabs);
    layout->addStretch();
}

void CAppSettingPageBrowser::set_home_page(const QString& home, const QString& current)
{
    home_address->setText(home);
    current_page_ = current;
    home_use_current->setEnabled(!current.isEmpty());
}

QString CAppSettingPageBrowser::home_page() const
{
    const QString typed = home_address->text().trimmed();
    if (typed.isEmpty())
        return QStringLiteral("about:blank");
    // Stored as every address is: fully encoded.
    return QUrl::fromUserInput(typed).toString(QUrl::FullyEncoded);
}

QString CAppSettingPageBrowser::program_user_agent() const
{
    const qsizetype space = engine_user_agent_.indexOf(QLatin1Char(' '));
    return QString::fromUtf8(res::string(res::str::kUserAgentPrefix)) + (space < 0 ? QString() : engine_user_agent_.mid(space + 1));
}

void CAppSettingPageBrowser::choose_user_agent(int choice)
{
    agent_engine->setChecked(choice == 0);
    agent_program->setChecked(choice == 1);
    agent_other->setChecked(choice == 2);
    if (choice == 0)
        agent_text->setText(engine_user_agent_);
    else if (choice == 1)
        agent_text->setText(program_user_agent());
    agent_text->setEnabled(choice == 2);
}

void CAppSettingPageBrowser::load(const Settings& settings)
{
    const std::uint32_t bits = settings.securityflag;
    sounds->setChecked(bits & kPlaySounds);
    videos->setChecked(bits & kPlayVideos);
    images->setChecked(bits & kDownloadImages);
    activex_run->setChecked(!(bits & kNoActiveXRun));
    activex_download->setChecked(!(bits & kNoActiveXDownload));
    scripts->setChecked(!(bits & kNoScripts));
    java->setChecked(!(bits & kNoJava));
    silent->setChecked(bits & kSilent);
    block_popups->setChecked(settings.blockpopup);
    favorites_order->setChecked(settings.favorder);
    (settings.openlast ? start_last : start_home)->setChecked(true);
    block_script_errors->setChecked(settings.blockscripterror);
    discard_minutes->setValue(std::max(0, settings.discard_minutes));

    const QString agent = platform::to_qstring(settings.useragent);
    if (agent.isEmpty()) {
        choose_user_agent(0);
    } else if (agent == program_user_agent()) {
        choose_user_agent(1);
    } else {
        choose_user_agent(2);
        agent_text->setText(agent);
    }
}

void CAppSettingPageBrowser::store(Settings& settings)
{
    std::uint32_t bits = 0;
    if (sounds->isChecked())
        bits |= kPlaySounds;
    if (videos->isChecked())
        bits |= kPlayVideos;
    if (images->isChecked())
        bits |= kDownloadImages;
    if (!activex_run->isChecked())
        bits |= kNoActiveXRun;
    if (!activex_download->isChecked())
        bits |= kNoActiveXDownload;
    if (!scripts->isChecked())
        bits |= kNoScripts;
    if (!java->isChecked())
        bits |= kNoJava;
    if (silent->isChecked())
        bits |= kSilent;
    settings.securityflag = bits;
    settings.blockpopup = flag(block_popups);
    settings.favorder = flag(favorites_order);
    settings.openlast = start_last->isChecked() ? 1 : 0;
    settings.blockscripterror = flag(block_script_errors);
    settings.discard_minutes = discard_minutes->value();
    settings.useragent = agent_engine->isChecked() ? std::string() : platform::from_qstring(agent_text->text());
}

// ---- proxy ----

CAppSettingPageProxy::CAppSettingPageProxy(QWidget* parent) : CAppSettingPage(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* adding = new QGroupBox(QCoreApplication::translate("AppSettingPages", "追加するProxyサーバアドレス"), this);
    auto* adding_layout = new QGridLayout(adding);
    server = new QLineEdit(adding);
    add_button = new QPushButton(QCoreApplication::translate("AppSettingPages", "追加"), adding);
    adding_layout->addWidget(server, 0, 0);
    adding_layout->addWidget(add_button, 0, 1);
    adding_layout->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "例: proxy.example.co.jp:8080"), adding), 1, 0);
    layout->addWidget(adding);

    auto* stored = new QGroupBox(QCoreApplication::translate("AppSettingPages", "登録されているProxyサーバ"), this);
    auto* stored_layout = new QHBoxLayout(stored);
    list = new QListWidget(stored);
    delete_button = new QPushButton(QCoreApplication::translate("AppSettingPages", "削除"), stored);
    stored_layout->addWidget(list);
    stored_layout->addWidget(delete_button, 0, Qt::AlignTop);
    layout->addWidget(stored);

    auto* firewall = new QGroupBox(QCoreApplication::translate("AppSettingPages", "ファイヤーウォール用"), this);
    auto* firewall_layout = new QGridLayout(firewall);
    login = new QLineEdit(firewall);
    password = new QLineEdit(firewall);
    password->setEchoMode(QLineEdit::Password);
    firewall_layout->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "ログイン名:"), firewall), 0, 0);
    firewall_layout->addWidget(login, 0, 1);
    firewall_layout->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "パスワード:"), firewall), 1, 0);
    firewall_layout->addWidget(password, 1, 1);
    layout->addWidget(firewall);

    connect(add_button, &QPushButton::clicked, this, &CAppSettingPageProxy::add);
    connect(delete_button, &QPushButton::clicked, this, &CAppSettingPageProxy::remove);
}

void CAppSettingPageProxy::load(const Settings& settings)
{
    servers_ = settings.proxy;
    login->setText(platform::to_qstring(settings.proxy_login));
    password->setText(platform::to_qstring(settings.proxy_pw));
    refill();
}

void CAppSettingPageProxy::store(Settings& settings)
{
    settings.proxy = servers_;
    settings.proxy_login = platform::from_qstring(login->text());
    settings.proxy_pw = platform::from_qstring(password->text());
}

void CAppSettingPageProxy::add()
{
    servers_.push_back(platform::from_qstring(server->text()));
    server->clear();
    refill();
}

void CAppSettingPageProxy::remove()
{
    const int row = list->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= servers_.size())
        return;
    servers_.erase(servers_.begin() + row);
    refill();
}

void CAppSettingPageProxy::refill()
{
    list->clear();
    for (const std::string& entry : servers_)
        list->addItem(platform::to_qstring(entry));
}

// ---- end of run ----

CAppSettingEndProc::CAppSettingEndProc(QWidget* parent) : CAppSettingPage(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QCoreApplication::translate("AppSettingPages", "終了時に個人情報を消す"), this);
    auto* boxes = new QVBoxLayout(group);
    cookies = check(boxes, QCoreApplication::translate("AppSettingPages", "クッキー"));
    history = check(boxes, QCoreApplication::translate("AppSettingPages", "履歴"));
    temporary = check(boxes, QCoreApplication::translate("AppSettingPages", "一時ファイル"));
    closed_pages = check(boxes, QCoreApplication::translate("AppSettingPages", "最近閉じた履歴"));
    layout->addWidget(group);
    layout->addStretch();
}

void CAppSettingEndProc::load(const Settings& settings)
{
    cookies->setChecked(settings.del_cookie);
    history->setChecked(settings.del_hist);
    temporary->setChecked(settings.del_temp);
    closed_pages->setChecked(settings.del_tabhist);
}

void CAppSettingEndProc::store(Settings& settings)
{
    settings.del_cookie = flag(cookies);
    settings.del_hist = flag(history);
    settings.del_temp = flag(temporary);
    settings.del_tabhist = flag(closed_pages);
}

// ---- mouse gestures ----

CAppSettingPageMouseGesture::CAppSettingPageMouseGesture(QWidget* parent) : CAppSettingPage(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "登録されているマウスジェスチャ"), this));
    list = binding_list(QCoreApplication::translate("AppSettingPages", "ジェスチャー"), this);
    layout->addWidget(list);

    auto* compose = new QGroupBox(QCoreApplication::translate("AppSettingPages", "ジェスチャの作成"), this);
    auto* grid = new QGridLayout(compose);
    composed = new QLineEdit(compose);
    composed->setReadOnly(true);
    up = new QPushButton(QStringLiteral("↑"), compose);
    right = new QPushButton(QStringLiteral("→"), compose);
    left = new QPushButton(QStringLiteral("←"), compose);
    down = new QPushButton(QStringLiteral("↓"), compose);
    clear = new QPushButton(QCoreApplication::translate("AppSettingPages", "クリア"), compose);
    command = command_list(compose);
    add_button = new QPushButton(QCoreApplication::translate("AppSettingPages", "追加"), compose);
    delete_button = new QPushButton(QCoreApplication::translate("AppSettingPages", "削除"), compose);
    grid->addWidget(composed, 0, 0, 1, 5);
    grid->addWidget(up, 1, 0);
    grid->addWidget(right, 1, 1);
    grid->addWidget(left, 1, 2);
    grid->addWidget(down, 1, 3);
    grid->addWidget(clear, 1, 4);
    grid->addWidget(command, 2, 0, 1, 3);
    grid->addWidget(add_button, 2, 3);
    grid->addWidget(delete_button, 2, 4);
    layout->addWidget(compose);

    auto* buttons = new QGroupBox(QCoreApplication::translate("AppSettingPages", "マウス操作割り当て"), this);
    auto* form = new QGridLayout(buttons);
    left_right = command_list(buttons);
    right_left = command_list(buttons);
    form->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "左→右クリック"), buttons), 0, 0);
    form->addWidget(left_right, 0, 1);
    form->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "右→左クリック"), buttons), 1, 0);
    form->addWidget(right_left, 1, 1);
    layout->addWidget(buttons);

    connect(up, &QPushButton::clicked, this, [this] { append_arrow(kArrowUp); });
    connect(right, &QPushButton::clicked, this, [this] { append_arrow(kArrowRight); });
    connect(left, &QPushButton::clicked, this, [this] { append_arrow(kArrowLeft); });
    connect(down, &QPushButton::clicked, this, [this] { append_arrow(kArrowDown); });
    connect(clear, &QPushButton::clicked, this, [this] {
        composing_.clear();
        composed->clear();
    });
    connect(add_button, &QPushButton::clicked, this, &CAppSettingPageMouseGesture::add);
    connect(delete_button, &QPushButton::clicked, this, &CAppSettingPageMouseGesture::remove);
}

void CAppSettingPageMouseGesture::append_arrow(std::string_view arrow)
{
    composing_ += arrow;
    composed->setText(platform::to_qstring(composing_));
}

void CAppSettingPageMouseGesture::load(const Settings& settings)
{
    gestures_ = settings.gestures;
    command->setCurrentIndex(-1);
    // An id outside the fourteen shows no command.
    left_right->setCurrentIndex(is_valid_command(settings.command_lr) ? settings.command_lr : -1);
    right_left->setCurrentIndex(is_valid_command(settings.command_rl) ? settings.command_rl : -1);
    refill();
}

void CAppSettingPageMouseGesture::store(Settings& settings)
{
    settings.gestures = gestures_;
    // Nothing chosen keeps the stored id.
    if (left_right->currentIndex() >= 0)
        settings.command_lr = left_right->currentIndex();
    if (right_left->currentIndex() >= 0)
        settings.command_rl = right_left->currentIndex();
}

void CAppSettingPageMouseGesture::add()
{
    if (composing_.empty() || command->currentIndex() < 0) {
        invalid_entry(this);
        return;
    }
    gestures_.push_back({composing_, command->currentIndex()});
    refill();
    composing_.clear();
    composed->clear();
}

void CAppSettingPageMouseGesture::remove()
{
    const int row = selected_row(list);
    if (row < 0 || static_cast<std::size_t>(row) >= gestures_.size())
        return;
    gestures_.erase(gestures_.begin() + row);
    refill();
}

void CAppSettingPageMouseGesture::refill()
{
    list->clear();
    for (const GestureCommand& gesture : gestures_)
        list->addTopLevelItem(new QTreeWidgetItem({platform::to_qstring(gesture.gesture), command_name(gesture.func)}));
}

// ---- keys ----

CAppSettingPageKey::CAppSettingPageKey(QWidget* parent) : CAppSettingPage(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "登録されているキー操作"), this));
    list = binding_list(QCoreApplication::translate("AppSettingPages", "キー操作"), this);
    layout->addWidget(list);
    auto* assign = new QGroupBox(QCoreApplication::translate("AppSettingPages", "キー操作の割り当て"), this);
    auto* grid = new QGridLayout(assign);
    key = new CShortCutKeyEdit(assign);
    command = command_list(assign);
    add_button = new QPushButton(QCoreApplication::translate("AppSettingPages", "追加"), assign);
    delete_button = new QPushButton(QCoreApplication::translate("AppSettingPages", "削除"), assign);
    grid->addWidget(key, 0, 0, 1, 3);
    grid->addWidget(command, 1, 0);
    grid->addWidget(add_button, 1, 1);
    grid->addWidget(delete_button, 1, 2);
    layout->addWidget(assign);
    connect(add_button, &QPushButton::clicked, this, &CAppSettingPageKey::add);
    connect(delete_button, &QPushButton::clicked, this, &CAppSettingPageKey::remove);
}

void CAppSettingPageKey::load(const Settings& settings)
{
    keys_ = settings.keys;
    command->setCurrentIndex(-1);
    refill();
}

void CAppSettingPageKey::store(Settings& settings)
{
    settings.keys = keys_;
}

void CAppSettingPageKey::add()
{
    const QString text = key->text();
    if (text.isEmpty() || command->currentIndex() < 0) {
        invalid_entry(this);
        return;
    }
    keys_.push_back({platform::from_qstring(text), command->currentIndex()});
    refill();
    key->reset();
}

void CAppSettingPageKey::remove()
{
    const int row = selected_row(list);
    if (row < 0 || static_cast<std::size_t>(row) >= keys_.size())
        return;
    keys_.erase(keys_.begin() + row);
    refill();
}

void CAppSettingPageKey::refill()
{
    list->clear();
    for (const KeyCommand& binding : keys_)
        list->addTopLevelItem(new QTreeWidgetItem({platform::to_qstring(binding.key), command_name(binding.func)}));
}

// ---- display ----

CAppSettingPageDisplay::CAppSettingPageDisplay(QWidget* parent) : CAppSettingPage(parent)
{
    auto* layout = new QVBoxLayout(this);
    double_buffer = check(layout, QCoreApplication::translate("AppSettingPages", "ダブルバッファリングを使用する(CSSのFilterには未対応です)"));
    auto* row = new QHBoxLayout;
    // The label carries the English word too, for whoever cannot read the language shown.
    row->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "表示言語 (Language)"), this));
    language = new QComboBox(this);
    language->addItem(QCoreApplication::translate("AppSettingPages", "デスクトップの言語に従う"), QString());
    // Each language by its own name, whatever the interface speaks: not translated.
    language->addItem(QStringLiteral("日本語"), QStringLiteral("ja"));
    language->addItem(QStringLiteral("English"), QStringLiteral("en"));
    row->addWidget(language, 1);
    layout->addLayout(row);
    layout->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "※Marvoを再実行したときに有効になります"), this));
    layout->addStretch();
}

void CAppSettingPageDisplay::load(const Settings& settings)
{
    double_buffer->setChecked(settings.doublebuffer);
    // A value this program does not know reads as the desktop's language.
    language->setCurrentIndex(std::max(0, language->findData(QString::fromStdString(settings.language))));
}

void CAppSettingPageDisplay::store(Settings& settings)
{
    settings.doublebuffer = flag(double_buffer);
    settings.language = language->currentData().toString().toStdString();
}

// ---- search ----

namespace {

const char* const kEnginePrefixes[4] = {kSearchGoogle, kSearchGoo, kSearchYahoo, kSearchMsn};

} // namespace

CAppSettingPageSearch::CAppSettingPageSearch(QWidget* parent) : CAppSettingPage(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QCoreApplication::translate("AppSettingPages", "検索を利用するサーチエンジン"), this);
    auto* boxes = new QVBoxLayout(group);
    const QString names[5] = {QStringLiteral("Google"), QStringLiteral("goo"), QStringLiteral("Yahoo!"),
                              QStringLiteral("MSN"), QCoreApplication::translate("AppSettingPages", "その他")};
    for (int i = 0; i < 5; ++i) {
        engines[i] = new QRadioButton(names[i], group);
        boxes->addWidget(engines[i]);
        connect(engines[i], &QRadioButton::clicked, this, [this, i] { choose(i); });
    }
    prefix = new QLineEdit(group);
    boxes->addWidget(prefix);
    layout->addWidget(group);
    layout->addStretch();
}

void CAppSettingPageSearch::choose(int engine)
{
    engines[engine]->setChecked(true);
    if (engine < 4)
        prefix->setText(QString::fromUtf8(kEnginePrefixes[engine]));
    prefix->setEnabled(engine == 4);
}

int CAppSettingPageSearch::chosen() const
{
    for (int i = 0; i < 5; ++i)
        if (engines[i]->isChecked())
            return i;
    return -1;
}

void CAppSettingPageSearch::load(const Settings& settings)
{
    int engine = 4;
    for (int i = 0; i < 4; ++i)
        if (settings.searchstring == kEnginePrefixes[i]) {
            engine = i;
            break;
        }
    engines[engine]->setChecked(true);
    prefix->setText(platform::to_qstring(settings.searchstring));
    prefix->setEnabled(engine == 4);
}

void CAppSettingPageSearch::store(Settings& settings)
{
    settings.searchstring = platform::from_qstring(prefix->text());
}

// ---- network ----

CAppSettingPageNetwork::CAppSettingPageNetwork(QWidget* parent) : CAppSettingPage(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* sharing = new QGroupBox(QCoreApplication::translate("AppSettingPages", "情報共有"), this);
    auto* sharing_layout = new QGridLayout(sharing);
    server = new QLineEdit(sharing);
    port = new QLineEdit(sharing);
    sharing_layout->addWidget(server, 0, 0);
    sharing_layout->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "ポート"), sharing), 0, 1);
    sharing_layout->addWidget(port, 0, 2);
    sharing_layout->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "※Marvoを再実行したときに有効になります"), sharing), 1, 0, 1, 3);
    layout->addWidget(sharing);

    auto* areas = new QGroupBox(QCoreApplication::translate("AppSettingPages", "プライベートエリア(情報共有を行わないサイト)"), this);
    auto* areas_layout = new QGridLayout(areas);
    private_list = new QListWidget(areas);
    private_list->setSortingEnabled(true);
    delete_button = new QPushButton(QCoreApplication::translate("AppSettingPages", "削除"), areas);
    areas_layout->addWidget(private_list, 0, 0);
    areas_layout->addWidget(delete_button, 0, 1, Qt::AlignTop);
    areas_layout->addWidget(
        new QLabel(QCoreApplication::translate("AppSettingPages", "※追加するにはステータスバーの「情報共有待機中」をクリックしてください"), areas), 1, 0, 1, 2);
    layout->addWidget(areas);

    auto* other = new QGroupBox(QCoreApplication::translate("AppSettingPages", "その他"), this);
    auto* other_layout = new QGridLayout(other);
    share_position = new QCheckBox(QCoreApplication::translate("AppSettingPages", "位置情報も共有する"), other);
    user = new QLineEdit(other);
    check_time = new QLineEdit(other);
    other_layout->addWidget(share_position, 0, 0, 1, 3);
    other_layout->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "ユーザーID:"), other), 1, 0);
    other_layout->addWidget(user, 1, 1, 1, 2);
    other_layout->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "インスタントメッセージのチェック時間"), other), 2, 0);
    other_layout->addWidget(check_time, 2, 1);
    other_layout->addWidget(new QLabel(QCoreApplication::translate("AppSettingPages", "秒ごと"), other), 2, 2);
    layout->addWidget(other);

    connect(delete_button, &QPushButton::clicked, this, &CAppSettingPageNetwork::remove);
}

void CAppSettingPageNetwork::load(const Settings& settings)
{
    server->setText(platform::to_qstring(settings.server_addr()));
    port->setText(QString::number(settings.server_port));
    private_list->clear();
    for (const std::string& area : settings.private_areas)
        private_list->addItem(platform::to_qstring(area));
    share_position->setChecked(settings.share_position);
    user->setText(platform::to_qstring(settings.user_name));
    check_time->setText(QString::number(settings.check_time));
}

QString CAppSettingPageNetwork::validate() const
{
    bool ok = false;
    const int port_number = port->text().trimmed().toInt(&ok);
    if (!ok || port_number < kMinPort || port_number > kMaxPort)
        return range_message(kMinPort, kMaxPort);
    const int seconds = check_time->text().trimmed().toInt(&ok);
    if (!ok || seconds < kMinCheckTime || seconds > kMaxCheckTime)
        return range_message(kMinCheckTime, kMaxCheckTime);
    // The address is stored in the settings file as it is typed.
    if (!Settings::is_valid_server_addr(platform::from_qstring(server->text())))
        return QCoreApplication::translate("AppSettingPages", "サーバのアドレスに \" < & や制御文字は使えません。");
    return {};
}

void CAppSettingPageNetwork::store(Settings& settings)
{
    settings.set_server_addr(platform::from_qstring(server->text()));
    settings.server_port = port->text().trimmed().toInt();
    settings.private_areas.clear();
    for (int i = 0; i < private_list->count(); ++i)
        settings.private_areas.push_back(platform::from_qstring(private_list->item(i)->text()));
    settings.share_position = flag(share_position);
    settings.user_name = platform::from_qstring(user->text());
    settings.check_time = check_time->text().trimmed().toInt();
}

void CAppSettingPageNetwork::remove()
{
    const int row = private_list->currentRow();
    if (row < 0)
        return;
    delete private_list->takeItem(row);
    private_list->setCurrentRow(-1);
    private_list->clearSelection();
}

// ---- file associations ----

CAppSettingPageReg::CAppSettingPageReg(FileAssociations* associations, QWidget* parent)
    : CAppSettingPage(parent), associations_(associations)
{
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QCoreApplication::translate("AppSettingPages", "関連付けるタイプ"), this);
    auto* boxes = new QVBoxLayout(group);
    for (const AssociationType& type : association_types())
        types.push_back(check(boxes, QString::fromUtf8(type.label)));
    layout->addWidget(group);
    layout->addStretch();
    setEnabled(associations_ != nullptr);
}

void CAppSettingPageReg::load(const Settings&)
{
    if (!associations_)
        return;
    for (std::size_t i = 0; i < types.size(); ++i)
        types[i]->setChecked(associations_->is_associated(static_cast<int>(i)));
}

void CAppSettingPageReg::store(Settings&)
{
    if (!associations_)
        return;
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (types[i]->isChecked())
            associations_->associate(static_cast<int>(i));
        else
            associations_->restore(static_cast<int>(i));
    }
}

} // namespace settings::ui
