#pragma once

#include <QDialog>

class CAddressComboBox;

// "Open": asks for an address with the address bar's combo box (recent history, suggestions);
// Enter accepts.
class CSiteOpenDialog : public QDialog {
    Q_OBJECT
public:
    explicit CSiteOpenDialog(QWidget* parent);

    QString address() const;
    CAddressComboBox* combo() const { return combo_; }

private:
    CAddressComboBox* combo_;
};
