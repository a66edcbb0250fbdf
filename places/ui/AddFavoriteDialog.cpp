#include "places/ui/AddFavoriteDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

CAddFavoriteDialog::CAddFavoriteDialog(QWidget* parent, const QString& suggested) : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("AddFavoriteDialog", "お気に入りに追加"));
    auto* layout = new QFormLayout(this);
    name_ = new QLineEdit(suggested, this);
    name_->selectAll();
    name_->setMinimumWidth(280);
    layout->addRow(QCoreApplication::translate("AddFavoriteDialog", "名前(&N):"), name_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CAddFavoriteDialog::name() const
{
    return name_->text().trimmed();
}
