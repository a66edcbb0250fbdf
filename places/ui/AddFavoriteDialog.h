#pragma once

#include <QDialog>

class QLineEdit;

// Asks for the name of a new favorite; the field starts with the suggested name (the page's
// title), selected, so typing replaces it.
class CAddFavoriteDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAddFavoriteDialog(QWidget* parent, const QString& suggested = {});

    QString name() const;
    QLineEdit* name_field() const { return name_; }

private:
    QLineEdit* name_;
};
