#include "share/ui/MemoSearchDialog.h"

#include <QCoreApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>


namespace {

MemoSearchResponder& responder()
{
    static MemoSearchResponder instance;
    return instance;
}

QSpinBox* spin(QWidget* parent, int low, int high, int value)
{
    auto* box = new QSpinBox(parent);
    box->setRange(low, high);
    box->setValue(value);
    return box;
}

} // namespace

CMemoSearchDialog::CMemoSearchDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("MemoSearchDialog", "サーバ内のメモを検索"));
    modes_ = new QButtonGroup(this);
    const QDate today = QDate::currentDate();
    year_ = spin(this, 1971, 2100, today.year());
    month_ = spin(this, 1, 12, today.month());
    day_ = spin(this, 1, 31, today.day());
    range_ = spin(this, 0, 3650, 1);
    url_ = new QLineEdit(this);

    auto* layout = new QVBoxLayout(this);
    const char* titles[] = {QT_TRANSLATE_NOOP("MemoSearchDialog", "今日メモが更新されたサイト"),
                            QT_TRANSLATE_NOOP("MemoSearchDialog", "一週間以内にメモが更新されたサイト"),
                            QT_TRANSLATE_NOOP("MemoSearchDialog", "更新日時指定"),
                            QT_TRANSLATE_NOOP("MemoSearchDialog", "URLで検索")};
    for (int mode = 0; mode < 4; ++mode) {
        auto* choice = new QRadioButton(QCoreApplication::translate("MemoSearchDialog", titles[mode]), this);
        modes_->addButton(choice, mode);
        layout->addWidget(choice);
        if (mode == 2) {
            auto* row = new QHBoxLayout;
            row->addWidget(year_);
            row->addWidget(new QLabel(QCoreApplication::translate("MemoSearchDialog", "年"), this));
            row->addWidget(month_);
            row->addWidget(new QLabel(QCoreApplication::translate("MemoSearchDialog", "月"), this));
            row->addWidget(day_);
            row->addWidget(new QLabel(QCoreApplication::translate("MemoSearchDialog", "日から"), this));
            row->addWidget(new QLabel(QCoreApplication::translate("MemoSearchDialog", "前後"), this));
            row->addWidget(range_);
            row->addWidget(new QLabel(QCoreApplication::translate("MemoSearchDialog", "日以内"), this));
            layout->addLayout(row);
        } else if (mode == 3) {
            auto* row = new QHBoxLayout;
            row->addWidget(new QLabel(QCoreApplication::translate("MemoSearchDialog", "URL(一部でも可)"), this));
            row->addWidget(url_, 1);
            layout->addLayout(row);
        }
    }
    modes_->button(0)->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CMemoSearchDialog::set_mode(int mode)
{
    if (QAbstractButton* choice = modes_->button(mode))
        choice->setChecked(true);
}

int CMemoSearchDialog::mode() const
{
    return modes_->checkedId();
}

MemoSearchRequest CMemoSearchDialog::request(memo::Time64 now) const
{
    MemoSearchRequest out;
    out.mode = static_cast<std::uint32_t>(std::max(0, mode()));
    switch (out.mode) {
    case 0:
        out.time = now;
        out.days = 1;
        break;
    case 1:
        out.time = now;
        out.days = 7;
        break;
    case 2: {
        // A day that the month does not have falls back to its last day.
        QDate date(year_->value(), month_->value(), 1);
        date = date.addDays(std::min(day_->value(), date.daysInMonth()) - 1);
        out.time = QDateTime(date, QTime(0, 0)).toSecsSinceEpoch();
        out.days = static_cast<std::uint32_t>(range_->value());
        break;
    }
    default:
        out.time = now;
        out.days = 0;
        // Sites are kept under their addresses' encoded form: the text is looked for in it.
        out.text = QUrl::toPercentEncoding(url_->text(), "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~").toStdString();
        break;
    }
    return out;
}

void set_memo_search_responder(MemoSearchResponder instance)
{
    responder() = std::move(instance);
}

bool run_memo_search_dialog(CMemoSearchDialog& dialog)
{
    return responder() ? responder()(dialog) : dialog.exec() == QDialog::Accepted;
}
