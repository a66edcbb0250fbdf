#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>

#include "platform/InstanceLink.h"

namespace {

// The server runs on the test's thread; the client runs on a second thread, as a second
// program would, so the server's event loop can answer it.
class InstanceLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
        service_ = QStringLiteral("MarvoTest-%1").arg(QCoreApplication::applicationPid()) +
                   QString::number(counter_++);
        server_ = std::make_unique<platform::InstanceServer>(
            [this](const QByteArray& target) { opened_.push_back(target); }, [this] { ++activations_; });
        ASSERT_TRUE(server_->start(service_));
    }

    // Runs client code on another thread while the server answers; returns its result.
    bool run_client(const std::function<bool()>& body)
    {
        std::atomic<int> result{-1};
        QThread* thread = QThread::create([&] { result = body() ? 1 : 0; });
        thread->start();
        while (result < 0)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        thread->wait();
        delete thread;
        QCoreApplication::processEvents();
        return result == 1;
    }

    QString service_;
    std::unique_ptr<platform::InstanceServer> server_;
    std::vector<QByteArray> opened_;
    int activations_ = 0;
    static inline int counter_ = 0;
};

TEST_F(InstanceLinkTest, PokeOfFilenameOpensTheDocumentWhole)
{
    const QByteArray long_url = "http://127.0.0.1/" + QByteArray(5000, 'a');
    EXPECT_TRUE(run_client([&] {
        platform::InstanceClient client;
        return client.connect(service_, "WWW_OpenFile") && client.poke("FILENAME", long_url + '\0') &&
               client.activate(service_);
    }));
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], long_url);
    EXPECT_EQ(activations_, 1);
}

TEST_F(InstanceLinkTest, ExecuteTakesTheTextBetweenQuotesAndIgnoresShortData)
{
    EXPECT_TRUE(run_client([&] {
        platform::InstanceClient client;
        return client.connect(service_, "WWW_OpenURL") && client.execute("\"http://a.example/\",,0") &&
               client.execute("ab") && client.execute("http://b.example/");
    }));
    ASSERT_EQ(opened_.size(), 2u);
    EXPECT_EQ(opened_[0], "http://a.example/");
    EXPECT_EQ(opened_[1], "http://b.example/");
}

TEST_F(InstanceLinkTest, UnknownTopicOrItemIsRefused)
{
    EXPECT_FALSE(run_client([&] {
        platform::InstanceClient client;
        return client.connect(service_, "WWW_Other");
    }));
    EXPECT_FALSE(run_client([&] {
        platform::InstanceClient client;
        return client.connect(service_, "WWW_OpenFile") && client.poke("OTHER", "x");
    }));
    EXPECT_TRUE(opened_.empty());
}

TEST_F(InstanceLinkTest, OneServerPerServiceAndDataFolder)
{
    bool running = false;
    run_client([&] {
        running = platform::InstanceClient::instance_running(service_);
        return true;
    });
    EXPECT_TRUE(running);
    platform::InstanceServer second([](const QByteArray&) {}, [] {});
    EXPECT_FALSE(second.start(service_));
    // A client on its own reaches the service it names.
    EXPECT_TRUE(run_client([&] { return platform::InstanceClient().activate(service_); }));
    EXPECT_EQ(activations_, 1);

    // A program of another session over another data folder is another browser.
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_DATA_HOME", other.filePath("data").toUtf8());
    qputenv("XDG_RUNTIME_DIR", other.path().toUtf8());
    run_client([&] {
        running = platform::InstanceClient::instance_running(service_);
        return true;
    });
    platform::InstanceServer third([](const QByteArray&) {}, [] {});
    const bool third_started = third.start(service_);
    const auto restore = [](const char* name, const QByteArray& value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    restore("XDG_DATA_HOME", data);
    restore("XDG_RUNTIME_DIR", runtime);
    EXPECT_FALSE(running);
    EXPECT_TRUE(third_started);
}

TEST_F(InstanceLinkTest, OversizedDataIsRefused)
{
    EXPECT_FALSE(run_client([&] {
        platform::InstanceClient client;
        return client.connect(service_, "WWW_OpenFile") &&
               client.poke("FILENAME", QByteArray(platform::instance_link::kMaxData + 1, 'x'));
    }));
    EXPECT_TRUE(opened_.empty());
}

} // namespace
