#include "places/ui/AddFavoriteDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

CAddFavoriteDialog::CAddFavoriteDialog(QWidget* parent, const QString& suggested) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("お気に入りに追加"));
    auto* layout = new QFormLayout(this);
    name_ = new QLineEdit(suggested, this);
    name_->selectAll();
    name_->setMinimumWidth(280);
    layout->addRow(QStringLiteral("名前(&N):"), name_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CAddFavoriteDialog::name() const
{
    return name_->text().trimmed();
}
