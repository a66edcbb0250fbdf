#pragma once

#include <QDialog>

class QLineEdit;
class QWebEnginePage;

// The login a site asks for. Shown unless the security settings say that authentication
// dialogs are not shown; then, and when the user cancels, the request is refused.
class CLoginDlg : public QDialog {
    Q_OBJECT
public:
    CLoginDlg(const QString& site, QWidget* parent = nullptr);

    QLineEdit* user;
    QLineEdit* password;
};

void answer_site_authentication(QWebEnginePage* page, QWidget* dialog_parent);
