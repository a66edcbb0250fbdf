#include "memo/ui/ObjectPropDialog.h"

#include <QCoreApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "memo/MemoObject.h"
#include "memo/ui/LayerWnd.h"
#include "platform/QtText.h"

CObjectPropDialog::CObjectPropDialog(QWidget* parent, const memo::MemoObject& object, bool is_author)
    : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("ObjectPropDialog", "プロパティ"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(QCoreApplication::translate("ObjectPropDialog", "作成者:"), new QLabel(platform::to_qstring(object.owner)));
    form->addRow(QCoreApplication::translate("ObjectPropDialog", "オブジェクトタイプ:"),
                 new QLabel(QString::fromLatin1(memo::kind_name(std::uint32_t(object.kind())))));
    const QDate date = QDateTime::fromSecsSinceEpoch(object.time).date();
    form->addRow(QCoreApplication::translate("ObjectPropDialog", "更新日時:"),
                 new QLabel(QStringLiteral("%1/%2/%3").arg(date.year()).arg(date.month()).arg(date.day())));
    layout->addLayout(form);
    lock_ = new QCheckBox(QCoreApplication::translate("ObjectPropDialog", "作成者以外は内容を編集できないようにする"), this);
    lock_->setChecked(object.locked);
    lock_->setEnabled(is_author);
    layout->addWidget(lock_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool CObjectPropDialog::locked() const
{
    return lock_->isChecked();
}

void CObjectPropDialog::edit(QWidget* parent, CLayerWnd& layer, memo::MemoObject& object)
{
    const bool author = object.owner == layer.user();
    const memo::Guid id = object.id;
    CObjectPropDialog dialog(parent, object, author);
    if (dialog.exec() != QDialog::Accepted || !author)
        return;
    // A memo received while the dialog was open may have replaced the object.
    memo::MemoObject* current = layer.find_object(id);
    if (!current || dialog.locked() == current->locked)
        return;
    layer.about_to_change(*current);
    current->locked = dialog.locked();
}
