#include <QApplication>
#include <QLineEdit>
#include <QNetworkProxy>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "AppFixture.h"
#include "app/BrowserPage.h"
#include "app/MainFrame.h"
#include "app/SiteAuthentication.h"
#include "app/TabBrowserWnd.h"

namespace {

// A proxy (or, with `site` set, a site) that wants a user name and password: it answers 407
// (401) until a request brings the expected credentials, and counts the requests of each kind.
class AuthenticatingProxy : public QObject {
public:
    explicit AuthenticatingProxy(QByteArray expected, bool site = false) : expected_(std::move(expected)), site_(site)
    {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] { answer(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    quint16 port() const { return server_.serverPort(); }
    int refused = 0;
    int served = 0;

private:
    void answer(QTcpSocket* socket)
    {
        buffer_[socket] += socket->readAll();
        const QByteArray request = buffer_[socket];
        if (!request.contains("\r\n\r\n"))
            return;
        buffer_.erase(socket);
        const QByteArray authorization =
            (site_ ? "Authorization: Basic " : "Proxy-Authorization: Basic ") + expected_.toBase64();
        if (request.contains(authorization)) {
            ++served;
            const QByteArray body = "<title>Through</title>through";
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: " +
                          QByteArray::number(body.size()) + "\r\n\r\n" + body);
            socket->disconnectFromHost();
        } else {
            ++refused;
            socket->write(site_ ? "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"marvo\"\r\n"
                                  "Content-Length: 0\r\n\r\n"
                                : "HTTP/1.1 407 Proxy Authentication Required\r\n"
                                  "Proxy-Authenticate: Basic realm=\"marvo\"\r\nContent-Length: 0\r\n\r\n");
        }
    }

    QByteArray expected_;
    bool site_;
    QTcpServer server_;
    std::map<QTcpSocket*, QByteArray> buffer_;
};

class ProxyAuthTest : public AppTest {
protected:
    void check_refusal(const std::string& password, int requests);
    // The proxy as the settings of the last run name it, with these credentials.
    void use_proxy(const AuthenticatingProxy& proxy, const std::string& login, const std::string& password)
    {
        settings::Settings& s = app().settings();
        s.proxy = {"127.0.0.1:" + std::to_string(proxy.port())};
        s.proxy_setting = 2;
        s.proxy_index = 0;
        s.proxy_login = login;
        s.proxy_pw = password;
    }

    void TearDown() override
    {
        AppTest::TearDown();
        app().SetProxy(1, 0);
    }
};

TEST_F(ProxyAuthTest, TheProxyGetsTheStoredCredentials)
{
    AuthenticatingProxy proxy("user:secret");
    use_proxy(proxy, "user", "secret");
    ASSERT_TRUE(start());
    CTabBrowserWnd* tab = app().ActiveBrowser();
    tab->Navigate(QUrl(QStringLiteral("http://marvo.test/page")));
    ASSERT_TRUE(wait_until([&] { return tab->LocationName() == QStringLiteral("Through"); }));
    EXPECT_GE(proxy.served, 1);
}

TEST_F(ProxyAuthTest, RefusedCredentialsEndTheLoad)
{
    check_refusal("wrong", 2);
}

TEST_F(ProxyAuthTest, MissingCredentialsEndTheLoad)
{
    // Credentials an earlier start of this process set stay in force, so the proxy may see
    // them once.
    check_refusal("", 2);
}

void ProxyAuthTest::check_refusal(const std::string& password, int requests)
{
    AuthenticatingProxy proxy("user:secret");
    use_proxy(proxy, password.empty() ? "" : "user", password);
    ASSERT_TRUE(start());
    CTabBrowserWnd* tab = app().ActiveBrowser();
    ASSERT_TRUE(wait_until([&] { return !tab->busy(); }));
    bool finished = false;
    QObject::connect(tab->page(), &QWebEnginePage::loadFinished, tab, [&] { finished = true; });
    tab->Navigate(QUrl(QStringLiteral("http://marvo.test/other")));
    ASSERT_TRUE(wait_until([&] { return finished; }));
    // The first request without credentials, one with them if there are any, and no more.
    EXPECT_GE(proxy.refused, 1);
    EXPECT_LE(proxy.refused, requests);
    EXPECT_EQ(proxy.served, 0);
}

TEST_F(ProxyAuthTest, ASiteLoginIsAskedForUnlessAuthenticationDialogsAreOff)
{
    AuthenticatingProxy site("user:secret", true);
    const QUrl page(QStringLiteral("http://127.0.0.1:%1/private").arg(site.port()));
    app().settings().securityflag |= settings::kSilent;
    ASSERT_TRUE(start());
    CTabBrowserWnd* tab = app().ActiveBrowser();
    ASSERT_TRUE(wait_until([&] { return !tab->busy(); }));
    bool finished = false;
    QObject::connect(tab->page(), &QWebEnginePage::loadFinished, tab, [&] { finished = true; });
    tab->Navigate(page);
    ASSERT_TRUE(wait_until([&] { return finished; }));
    EXPECT_EQ(site.refused, 1);
    EXPECT_EQ(site.served, 0);

    app().settings().securityflag &= ~settings::kSilent;
    int asked = 0;
    QTimer answer;
    answer.setInterval(5);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* login = qobject_cast<CLoginDlg*>(QApplication::activeModalWidget())) {
            ++asked;
            login->user->setText(QStringLiteral("user"));
            login->password->setText(QStringLiteral("secret"));
            login->accept();
        }
    });
    answer.start();
    tab->Navigate(QUrl(page.toString() + QStringLiteral("?again")));
    EXPECT_TRUE(wait_until([&] { return tab->LocationName() == QStringLiteral("Through"); }));
    EXPECT_EQ(asked, 1);
}

} // namespace
