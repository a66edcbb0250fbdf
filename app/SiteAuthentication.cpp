#include "app/SiteAuthentication.h"

#include <QCoreApplication>
#include <QAuthenticator>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QWebEnginePage>

#include "app/MainFrame.h"
#include "app/MarvoApp.h"

CLoginDlg::CLoginDlg(const QString& site, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QCoreApplication::translate("SiteAuthentication", "ユーザ認証"));
    auto* layout = new QFormLayout(this);
    layout->addRow(new QLabel(QCoreApplication::translate("SiteAuthentication", "%1 にログインします。").arg(site.toHtmlEscaped()), this));
    user = new QLineEdit(this);
    password = new QLineEdit(this);
    password->setEchoMode(QLineEdit::Password);
    layout->addRow(QCoreApplication::translate("SiteAuthentication", "ユーザー名:"), user);
    layout->addRow(QCoreApplication::translate("SiteAuthentication", "パスワード:"), password);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QCoreApplication::translate("SiteAuthentication", "キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addRow(buttons);
}

void answer_site_authentication(QWebEnginePage* page, QWidget* dialog_parent)
{
    QObject::connect(page, &QWebEnginePage::authenticationRequired, page,
                     [parent = QPointer<QWidget>(dialog_parent)](const QUrl& url, QAuthenticator* authenticator) {
                         // Only an empty authenticator refuses: the one handed in already carries
                         // the realm and would go out as empty credentials.
                         if (theApp().settings().securityflag & settings::kSilent) {
                             *authenticator = QAuthenticator();
                             return;
                         }
                         CLoginDlg dialog(url.host(), parent);
                         if (dialog.exec() != QDialog::Accepted) {
                             *authenticator = QAuthenticator();
                             return;
                         }
                         authenticator->setUser(dialog.user->text());
                         authenticator->setPassword(dialog.password->text());
                     });
}
