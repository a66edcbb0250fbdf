#pragma once

#include <QWidget>
#include <vector>

#include "settings/Settings.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeWidget;

namespace settings::ui {

class CShortCutKeyEdit;
class FileAssociations;

// One page of the settings sheet. The sheet copies the settings into every page before it is
// shown (load), asks every page to check its input when OK is pressed (validate) and only then
// copies every page back (store); Cancel drops the pages and their copies.
class CAppSettingPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    virtual void load(const Settings& settings) = 0;
    // The message to show when the input cannot be taken; empty when it can.
    virtual QString validate() const { return {}; }
    virtual void store(Settings& settings) = 0;
};

class CAppSettingPageFolder : public CAppSettingPage {
    Q_OBJECT
public:
    explicit CAppSettingPageFolder(QWidget* parent = nullptr);
    void load(const Settings& settings) override;
    void store(Settings& settings) override;

    QLineEdit* folder;      // 1021
    QPushButton* browse;    // 1000 "..."
};

class CAppSettingPageBrowser : public CAppSettingPage {
    Q_OBJECT
public:
    // engine_user_agent: what the engine sends when the program sets nothing.
    CAppSettingPageBrowser(QString engine_user_agent, QWidget* parent = nullptr);
    void load(const Settings& settings) override;
    void store(Settings& settings) override;

    // The three user agent choices: the engine's own, the program's, one of the user's.
    void choose_user_agent(int choice);
    // The home page kept by the program (not in the settings file) and the page shown now,
    // which "現在のページを使用" takes.
    void set_home_page(const QString& home, const QString& current);
    // The address typed or chosen; "about:blank" for a blank page.
    QString home_page() const;
    QString program_user_agent() const;

    QRadioButton* agent_engine;   // 1014
    QRadioButton* agent_program;  // 1015
    QRadioButton* agent_other;    // 1016
    QLineEdit* agent_text;        // 1017
    QCheckBox* sounds;            // 1018
    QCheckBox* videos;            // 1019
    QCheckBox* images;            // 1020
    QCheckBox* activex_run;       // 1022
    QCheckBox* activex_download;  // 1023
    QCheckBox* scripts;           // 1024
    QCheckBox* java;              // 1026
    QCheckBox* silent;            // 1027
    QCheckBox* block_popups;      // 1025
    QCheckBox* favorites_order;   // 1030
    QRadioButton* start_home;     // 1028
    QRadioButton* start_last;     // 1029
    QCheckBox* block_script_errors;  // 1031
    QSpinBox* discard_minutes;       // 0: background tabs keep their memory
    QLineEdit* home_address;
    QPushButton* home_use_current;
    QPushButton* home_use_blank;

private:
    QString engine_user_agent_;
    QString current_page_;
};

class CAppSettingPageProxy : public CAppSettingPage {
    Q_OBJECT
public:
    explicit CAppSettingPageProxy(QWidget* parent = nullptr);
    void load(const Settings& settings) override;
    void store(Settings& settings) override;
    void add();
    void remove();

    QLineEdit* server;     // 1075
    QPushButton* add_button;     // 1073
    QListWidget* list;     // 1037
    QPushButton* delete_button;  // 1074
    QLineEdit* login;      // 1076
    QLineEdit* password;   // 1077

private:
    void refill();
    std::vector<std::string> servers_;
};

class CAppSettingEndProc : public CAppSettingPage {
    Q_OBJECT
public:
    explicit CAppSettingEndProc(QWidget* parent = nullptr);
    void load(const Settings& settings) override;
    void store(Settings& settings) override;

    QCheckBox* cookies;       // 1072
    QCheckBox* history;       // 1004
    QCheckBox* temporary;     // 1005
    QCheckBox* closed_pages;  // 1006
};

class CAppSettingPageMouseGesture : public CAppSettingPage {
    Q_OBJECT
public:
    explicit CAppSettingPageMouseGesture(QWidget* parent = nullptr);
    void load(const Settings& settings) override;
    void store(Settings& settings) override;
    void append_arrow(std::string_view arrow);
    void add();
    void remove();

    QTreeWidget* list;           // 1037
    QLineEdit* composed;         // 1062
    QPushButton* up;             // 1063
    QPushButton* right;          // 1048
    QPushButton* left;           // 1065
    QPushButton* down;           // 1064
    QPushButton* clear;          // 1066
    QComboBox* command;          // 1022
    QPushButton* add_button;     // 1067
    QPushButton* delete_button;  // 1068
    QComboBox* left_right;       // 1079
    QComboBox* right_left;       // 1024

private:
    void refill();
    std::vector<GestureCommand> gestures_;
    std::string composing_;
};

class CAppSettingPageKey : public CAppSettingPage {
    Q_OBJECT
public:
    explicit CAppSettingPageKey(QWidget* parent = nullptr);
    void load(const Settings& settings) override;
    void store(Settings& settings) override;
    void add();
    void remove();

    QTreeWidget* list;           // 1037
    CShortCutKeyEdit* key;       // 1078
    QComboBox* command;          // 1022
    QPushButton* add_button;     // 1067
    QPushButton* delete_button;  // 1068

private:
    void refill();
    std::vector<KeyCommand> keys_;
};

class CAppSettingPageDisplay : public CAppSettingPage {
    Q_OBJECT
public:
    explicit CAppSettingPageDisplay(QWidget* parent = nullptr);
    void load(const Settings& settings) override;
    void store(Settings& settings) override;

    QCheckBox* double_buffer;  // 1003
    QComboBox* language;       // item data "", "ja" or "en"
};

class CAppSettingPageSearch : public CAppSettingPage {
    Q_OBJECT
public:
    explicit CAppSettingPageSearch(QWidget* parent = nullptr);
    void load(const Settings& settings) override;
    void store(Settings& settings) override;
    // 0 Google, 1 goo, 2 Yahoo!, 3 MSN, 4 one of the user's own.
    void choose(int engine);
    int chosen() const;

    QRadioButton* engines[5];  // 1006, 1008, 1009, 1007, 1010
    QLineEdit* prefix;         // 1012
};

class CAppSettingPageNetwork : public CAppSettingPage {
    Q_OBJECT
public:
    static constexpr int kMinPort = 1024;
    static constexpr int kMaxPort = 65535;
    static constexpr int kMinCheckTime = 1;
    static constexpr int kMaxCheckTime = 1000;

    explicit CAppSettingPageNetwork(QWidget* parent = nullptr);
    void load(const Settings& settings) override;
    QString validate() const override;
    void store(Settings& settings) override;
    void remove();

    QLineEdit* server;          // 1051
    QLineEdit* port;            // 1021
    QListWidget* private_list;  // 1040, sorted
    QPushButton* delete_button; // 1047
    QCheckBox* share_position;  // 1003
    QLineEdit* user;            // 1056
    QLineEdit* check_time;      // 1022
};

class CAppSettingPageReg : public CAppSettingPage {
    Q_OBJECT
public:
    // associations: null when the program cannot change associations; the page is then
    // shown disabled.
    explicit CAppSettingPageReg(FileAssociations* associations, QWidget* parent = nullptr);
    void load(const Settings& settings) override;
    void store(Settings& settings) override;

    std::vector<QCheckBox*> types;  // 1003, 1027, 1036, 1031, 1032, 1033, 1034, 1035

private:
    FileAssociations* associations_;
};

// The range message of a number field.
QString range_message(int minimum, int maximum);

} // namespace settings::ui
