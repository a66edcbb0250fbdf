#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <set>

#include "ScriptedServer.h"
#include "TempDir.h"
#include "memo/MemoObject.h"
#include "server/ShareServer.h"
#include "share/ShareWorker.h"

using memo::MemoPackage;

namespace {

constexpr double kBound = 20.0; // seconds any awaited event may take

// Stands in for the application: counts the posted events and lets the test wait for them.
class Notifier : public share::ShareNotifier {
public:
    bool packages_ready() override { return post(packages_); }
    bool messages_ready() override { return post(messages_); }

    bool wait_packages(int count) { return wait(packages_, count); }
    bool wait_messages(int count) { return wait(messages_, count); }

private:
    bool post(int& counter)
    {
        {
            std::lock_guard hold(mutex_);
            ++counter;
        }
        changed_.notify_all();
        return true;
    }
    bool wait(int& counter, int count)
    {
        std::unique_lock hold(mutex_);
        return changed_.wait_for(hold, std::chrono::duration<double>(kBound), [&] { return counter >= count; });
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    int packages_ = 0;
    int messages_ = 0;
};

// A real server on an ephemeral port over a scratch database; it can be stopped and started
// again on the same port.
class ServerFixture {
public:
    ServerFixture() { start(0); }
    int port() const { return port_; }
    void stop() { server_.reset(); }
    void start(unsigned short port)
    {
        server::ServerOptions options;
        options.port = port;
        options.database = "sqlite:" + dir_.file("share.db");
        server_ = std::make_unique<server::ShareServer>(options, [](const std::string&) {});
        server_->start();
        port_ = server_->port();
    }

private:
    int port_ = 0;
    TempDir dir_;
    std::unique_ptr<server::ShareServer> server_;
};

// One browser's share layer: state, worker, notifier, and its open package of one site.
struct Client {
    Client(int port, const std::string& user)
    {
        share::ShareSettings settings;
        settings.server_addr = "127.0.0.1";
        settings.server_port = port;
        settings.check_time = 1000;
        settings.user_name = user;
        state.set_settings(settings);
        worker = std::make_unique<share::ShareWorker>(state, notifier);
        worker->start();
    }
    ~Client() { rs2::retire(std::move(worker), share::ShareWorker::kStopSeconds); }

    // Runs the queued jobs: returns once a full pass after queueing has completed.
    bool settle(const std::function<void()>& queue)
    {
        queue();
        return worker->run_queued(kBound);
    }
    // The main thread's handling of the package event for the open package.
    void take_deliveries(MemoPackage& open)
    {
        for (auto& delivery : state.take_inbox())
            share::apply_delivery(open, delivery, true);
    }
    void commit(const MemoPackage& package)
    {
        ASSERT_TRUE(settle([&] { worker->request_commit({std::make_shared<const MemoPackage>(package)}); }));
    }

    share::ShareState state;
    Notifier notifier;
    std::unique_ptr<share::ShareWorker> worker;
};

memo::Guid add_stroke(MemoPackage& package, memo::Time64 time, const std::string& owner)
{
    auto stroke = std::make_unique<memo::StrokeObject>();
    stroke->points = {{1, 1}, {9, 9}};
    stroke->time = time;
    stroke->owner = owner;
    return package.add(std::move(stroke)).id;
}

std::set<memo::Guid> ids(const MemoPackage& package)
{
    std::set<memo::Guid> out;
    for (std::size_t i = 0; i < package.size(); ++i)
        out.insert(package.at(i).id);
    return out;
}

} // namespace

TEST(ShareWorker, DuplicateChecksAreQueuedOnce)
{
    share::ShareState state;
    Notifier notifier;
    share::ShareWorker worker(state, notifier); // not started: the queue only fills
    worker.request_check("http://a/", 1, true);
    worker.request_check("http://a/", 2, false);
    EXPECT_EQ(worker.queued_jobs(), 1u);
    worker.request_check("http://b/", 1, true);
    worker.request_delete("http://a/");
    worker.request_commit({});
    worker.request_check("http://b/", 1, true);
    EXPECT_EQ(worker.queued_jobs(), 4u);
}

TEST(ShareWorker, TwoClientsExchangeMemosAndADeletion)
{
    ServerFixture server;
    Client alice(server.port(), "alice");
    Client bob(server.port(), "bob");
    const std::string url = "http://example.com/page";
    const memo::Time64 now = memo::now_time();

    MemoPackage alices;
    alices.url = url;
    alices.time = now - 100;
    const memo::Guid from_alice = add_stroke(alices, now - 100, "alice");
    alice.commit(alices);

    MemoPackage bobs;
    bobs.url = url;
    bobs.time = now - 50;
    const memo::Guid from_bob = add_stroke(bobs, now - 50, "bob");
    bob.commit(bobs);
    // Bob's commit merged Alice's stroke in and handed the result back.
    ASSERT_TRUE(bob.notifier.wait_packages(1));
    bob.take_deliveries(bobs);
    EXPECT_EQ(ids(bobs), (std::set<memo::Guid>{from_alice, from_bob}));

    // Alice's next page load checks the site and fetches Bob's newer package.
    ASSERT_TRUE(alice.settle([&] { alice.worker->request_check(url, alices.time - 5 * 60, true); }));
    ASSERT_TRUE(alice.notifier.wait_packages(1));
    alice.take_deliveries(alices);
    EXPECT_EQ(ids(alices), (std::set<memo::Guid>{from_alice, from_bob}));

    // Bob erases the site; Alice's next check removes her copies too.
    ASSERT_TRUE(bob.settle([&] { bob.worker->request_delete(url); }));
    ASSERT_TRUE(alice.settle([&] { alice.worker->request_check(url, alices.time - 5 * 60, true); }));
    ASSERT_TRUE(alice.notifier.wait_packages(2));
    alice.take_deliveries(alices);
    EXPECT_TRUE(alices.empty());
    EXPECT_EQ(alice.state.status(), share::status_idle);
}

TEST(ShareWorker, AMemoDeletedAfterItsCommitStaysDeletedForBothUsers)
{
    ServerFixture server;
    Client alice(server.port(), "alice");
    Client bob(server.port(), "bob");
    const std::string url = "http://example.com/deleted";
    const memo::Time64 now = memo::now_time();

    MemoPackage alices;
    alices.url = url;
    alices.time = now - 100;
    const memo::Guid gone = add_stroke(alices, now - 100, "alice");
    const memo::Guid kept = add_stroke(alices, now - 100, "alice");
    alice.commit(alices);
    alice.take_deliveries(alices);
    ASSERT_TRUE(bob.settle([&] { bob.worker->request_check(url, memo::never_time(), false); }));
    MemoPackage bobs;
    bobs.url = url;
    bob.take_deliveries(bobs);
    ASSERT_EQ(ids(bobs), (std::set<memo::Guid>{gone, kept}));

    // Alice deletes one memo and commits again: the server's older copy must not bring it back.
    alices.remove(alices.find(gone));
    alices.time = now - 50;
    alice.commit(alices);
    alice.take_deliveries(alices);
    EXPECT_EQ(ids(alices), std::set<memo::Guid>{kept});

    // Bob adds a memo (times count whole seconds: his is later than Alice's last look at the
    // server); his commit drops the deleted one and he keeps it dropped.
    bobs.time = memo::now_time() + 1;
    const memo::Guid from_bob = add_stroke(bobs, bobs.time, "bob");
    bob.commit(bobs);
    bob.take_deliveries(bobs);
    EXPECT_EQ(ids(bobs), (std::set<memo::Guid>{kept, from_bob}));
    MemoPackage stored;
    ASSERT_TRUE(share::fetch_package("127.0.0.1", server.port(), url, stored));
    EXPECT_EQ(ids(stored), (std::set<memo::Guid>{kept, from_bob}));

    // A memo deleted while its commit was under way stays deleted when the result comes back.
    alices.time = memo::now_time() + 2;
    const memo::Guid late = add_stroke(alices, alices.time, "alice");
    alice.commit(alices);
    alices.remove(alices.find(late));
    alice.take_deliveries(alices);
    EXPECT_EQ(ids(alices), (std::set<memo::Guid>{kept, from_bob}));
}

TEST(ShareWorker, ACommitWhileTheServerIsDownArrivesWhenItIsBack)
{
    ServerFixture server;
    const unsigned short port = static_cast<unsigned short>(server.port());
    server.stop();
    Client alice(port, "alice");
    MemoPackage package;
    package.url = "http://example.com/offline";
    package.time = memo::now_time();
    const memo::Guid stroke = add_stroke(package, package.time, "alice");
    alice.commit(package);
    EXPECT_EQ(alice.state.waiting_commits(), 1u);
    EXPECT_EQ(alice.notifier.wait_packages(0), true);

    server.start(port);
    // The retry after the back-off sends it; the acknowledged result is handed back.
    ASSERT_TRUE(alice.notifier.wait_packages(1));
    EXPECT_EQ(alice.state.waiting_commits(), 0u);
    MemoPackage stored;
    ASSERT_TRUE(share::fetch_package("127.0.0.1", port, package.url, stored));
    EXPECT_EQ(ids(stored), std::set<memo::Guid>{stroke});
}

TEST(ShareWorker, OlderServerPackageIsNotApplied)
{
    ServerFixture server;
    Client alice(server.port(), "alice");
    const std::string url = "http://example.com/old";
    MemoPackage older;
    older.url = url;
    older.time = 1000;
    add_stroke(older, 1000, "alice");
    alice.commit(older);

    // Asking with an older time gets the package, but the open one is newer and stays.
    MemoPackage open;
    open.url = url;
    open.time = 2000;
    const memo::Guid mine = add_stroke(open, 2000, "alice");
    ASSERT_TRUE(alice.settle([&] { alice.worker->request_check(url, 0, true); }));
    ASSERT_TRUE(alice.notifier.wait_packages(1));
    alice.take_deliveries(open);
    EXPECT_EQ(ids(open), std::set<memo::Guid>{mine});
}

TEST(ShareWorker, FifteenMessagesLeaveTheTenNewest)
{
    ServerFixture server;
    for (int i = 1; i <= 15; ++i)
        ASSERT_TRUE(share::send_message("127.0.0.1", server.port(), "bob", "alice", "message " + std::to_string(i)));

    share::ShareState state;
    share::ShareSettings settings;
    settings.server_addr = "127.0.0.1";
    settings.server_port = server.port();
    settings.check_time = 0; // poll as soon as a whole second has passed
    settings.user_name = "alice";
    state.set_settings(settings);
    Notifier notifier;
    auto worker = std::make_unique<share::ShareWorker>(state, notifier);
    worker->start();
    // A reply holds ten; the other five come with the next poll.
    ASSERT_TRUE(notifier.wait_messages(2));
    const auto messages = state.messages();
    ASSERT_EQ(messages.size(), share::ShareState::kMaxMessages);
    EXPECT_EQ(messages.front().text, "message 15");
    EXPECT_EQ(messages.back().text, "message 6");
    EXPECT_EQ(messages.front().sender, "bob");
    rs2::retire(std::move(worker), share::ShareWorker::kStopSeconds);

    // Delivered once: the server holds nothing more for Alice, and both users are listed.
    std::vector<share::InstantMessage> again;
    ASSERT_TRUE(share::poll_messages("127.0.0.1", server.port(), "alice", again));
    EXPECT_TRUE(again.empty());
    std::vector<std::string> users;
    ASSERT_TRUE(share::get_user_list("127.0.0.1", server.port(), users));
    EXPECT_EQ(users, (std::vector<std::string>{"alice", "bob"}));
}

TEST(ShareState, NewMessagesGoInFrontAndTheListKeepsTen)
{
    share::ShareState state;
    std::vector<share::InstantMessage> first, second;
    for (int i = 0; i < 8; ++i)
        first.push_back({"s", "r", "old " + std::to_string(i)});
    for (int i = 0; i < 3; ++i)
        second.push_back({"s", "r", "new " + std::to_string(i)});
    state.deliver_messages(first);
    state.deliver_messages({});
    state.deliver_messages(second);
    const auto list = state.messages();
    ASSERT_EQ(list.size(), 10u);
    EXPECT_EQ(list[0].text, "new 0");
    EXPECT_EQ(list[2].text, "new 2");
    EXPECT_EQ(list[3].text, "old 0");
    EXPECT_EQ(list[9].text, "old 6");
}

TEST(ShareWorker, StopGivesUpOnAWorkerStuckInTheNetwork)
{
    // A server that takes the message poll and never answers. It, the state and the notifier
    // are never freed: the given-up worker thread may still use them until the process ends.
    static auto* silent = new ScriptedServer({""});
    static auto* state = new share::ShareState;
    static auto* notifier = new Notifier;
    share::ShareSettings settings;
    settings.server_addr = "127.0.0.1";
    settings.server_port = silent->port();
    settings.check_time = 0;
    settings.user_name = "alice";
    state->set_settings(settings);
    auto worker = std::make_unique<share::ShareWorker>(*state, *notifier);
    worker->start();
    ASSERT_EQ(silent->requests(1).size(), 1u); // the poll is now waiting for its reply
    worker->stop();
    EXPECT_FALSE(worker->wait(share::ShareWorker::kStopSeconds));
    static share::ShareWorker* given_up = worker.release();
    (void)given_up;
}
