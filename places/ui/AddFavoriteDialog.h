#pragma once

#include <QDialog>

class QLineEdit;

// Asks for the name of a new favorite; the field starts empty.
class CAddFavoriteDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAddFavoriteDialog(QWidget* parent);

    QString name() const;
    QLineEdit* name_field() const { return name_; }

private:
    QLineEdit* name_;
};
