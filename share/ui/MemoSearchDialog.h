#pragma once

#include <QDialog>
#include <QDateTime>
#include <functional>
#include <string>

#include "memo/MemoTypes.h"

class QButtonGroup;
class QLineEdit;
class QRadioButton;
class QSpinBox;

// One site-list request: the mode and its arguments as they go to the server.
struct MemoSearchRequest {
    std::uint32_t mode = 0;  // 0 today, 1 within a week, 2 around a date, 3 URL text
    memo::Time64 time = 0;
    std::uint32_t days = 1;
    std::string text;        // Shift_JIS, mode 3
};

// "サーバ内のメモを検索": the four ways of asking the server for sites with memos.
class CMemoSearchDialog : public QDialog {
    Q_OBJECT
public:
    explicit CMemoSearchDialog(QWidget* parent = nullptr);

    // The request for the chosen way; now is the current time for modes 0 and 1.
    MemoSearchRequest request(memo::Time64 now) const;

    void set_mode(int mode);
    int mode() const;
    QSpinBox* year() const { return year_; }
    QSpinBox* month() const { return month_; }
    QSpinBox* day() const { return day_; }
    QSpinBox* range() const { return range_; }
    QLineEdit* url_text() const { return url_; }

private:
    QButtonGroup* modes_;
    QSpinBox* year_;
    QSpinBox* month_;
    QSpinBox* day_;
    QSpinBox* range_;
    QLineEdit* url_;
};

// Replaces the dialog's exec() in tests: fill the dialog and return true for OK.
using MemoSearchResponder = std::function<bool(CMemoSearchDialog& dialog)>;
void set_memo_search_responder(MemoSearchResponder responder);
// Runs the dialog (or the responder); true on OK.
bool run_memo_search_dialog(CMemoSearchDialog& dialog);
