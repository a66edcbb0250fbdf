#pragma once

#include <QDialog>

class QCheckBox;
class CLayerWnd;
namespace memo {
class MemoObject;
}

// "プロパティ": who made an object, its kind and date, and its lock, which only the author
// may change.
class CObjectPropDialog : public QDialog {
    Q_OBJECT
public:
    CObjectPropDialog(QWidget* parent, const memo::MemoObject& object, bool is_author);
    bool locked() const;
    QCheckBox* lock_box() const { return lock_; }

    // Shows the dialog and stores the lock on OK (recorded for undo first).
    static void edit(QWidget* parent, CLayerWnd& layer, memo::MemoObject& object);

private:
    QCheckBox* lock_;
};
