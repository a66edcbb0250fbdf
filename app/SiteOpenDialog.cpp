#include "app/SiteOpenDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/AddressBar.h"
#include "app/MainFrame.h"
#include "app/MarvoApp.h"

CSiteOpenDialog::CSiteOpenDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("SiteOpenDialog", "開く"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QCoreApplication::translate("SiteOpenDialog", "開くサイトのアドレスを入力してください:"), this));
    combo_ = new CAddressComboBox(this);
    combo_->setObjectName(QStringLiteral("SiteCombo"));
    combo_->setMinimumWidth(360);
    combo_->fill_from_history(theApp().history(), 16);
    layout->addWidget(combo_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(combo_, &CAddressComboBox::entered, this, [this] { accept(); });
    combo_->setFocus();
}

QString CSiteOpenDialog::address() const
{
    return combo_->currentText().trimmed();
}
