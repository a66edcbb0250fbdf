#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "../server/WireClient.h"
#include "ScriptedServer.h"
#include "memo/MemoObject.h"
#include "share/ShareProtocol.h"

using memo::MemoPackage;
using memo::StrokeObject;

namespace {

const std::string kHost = "127.0.0.1";

memo::Guid add_stroke(MemoPackage& package, memo::Time64 time, int x = 10)
{
    auto stroke = std::make_unique<StrokeObject>();
    stroke->points = {{x, 10}, {x + 5, 20}};
    stroke->time = time;
    stroke->owner = "someone";
    return package.add(std::move(stroke)).id;
}

std::vector<memo::Guid> ids(const MemoPackage& package)
{
    std::vector<memo::Guid> out;
    for (std::size_t i = 0; i < package.size(); ++i) {
        EXPECT_EQ(package.at(i).package, &package);
        out.push_back(package.at(i).id);
    }
    return out;
}

} // namespace

TEST(ShareRequests, BytesOnTheWire)
{
    EXPECT_EQ(share::make_user_list_request(), std::string("QUSR\0\0\0\0", 8));

    const std::string url = "http://example.com/a?b";
    const std::string fetch = share::make_fetch_request(url);
    EXPECT_EQ(fetch.size(), url.size() + 12);
    EXPECT_EQ(fetch, chunk("GMEM", wire_string(url)));
    EXPECT_EQ(share::make_delete_request(url), chunk("DMEM", wire_string(url)));

    EXPECT_EQ(share::make_message_request("me", "you", ""),
              chunk("IMSG", wire_string("me") + wire_string("you") + std::string(4, '\0')));
    // Line breaks travel as they are.
    EXPECT_EQ(share::make_message_request("me", "you", "a\r\nb"),
              chunk("IMSG", wire_string("me") + wire_string("you") + wire_string("a\r\nb")));
    EXPECT_EQ(share::make_poll_request("me"), chunk("QMSG", wire_string("me")));
    EXPECT_EQ(share::make_check_request(url, 0x0102030405LL, true),
              chunk("QURL", wire_string(url) + le64(0x0102030405LL) + "\x01"));
    EXPECT_EQ(share::make_check_request(url, -1, false), chunk("QURL", wire_string(url) + le64(-1) + std::string(1, '\0')));

    std::string search;
    ASSERT_TRUE(share::make_search_request(search, 1, 1700000000, 7, "ignored"));
    EXPECT_EQ(search, chunk("SURL", le32(1) + le64(1700000000) + le32(7) + "\n"));
    ASSERT_TRUE(share::make_search_request(search, 3, 0, 0, "exam"));
    EXPECT_EQ(search, chunk("SURL", le32(3) + wire_string("exam")));
    search = "untouched";
    EXPECT_FALSE(share::make_search_request(search, 4, 0, 0, ""));
    EXPECT_EQ(search, "untouched");

    MemoPackage package;
    package.url = url;
    add_stroke(package, 1000);
    EXPECT_EQ(share::make_commit_request(package), chunk("CMEM", package.serialize()));
}

TEST(ShareProtocol, UserListRepliesAreDecoded)
{
    {
        ScriptedServer server({chunk("USRL", le32(0))});
        std::vector<std::string> users{"stale"};
        EXPECT_TRUE(share::get_user_list(kHost, server.port(), users));
        EXPECT_TRUE(users.empty());
        EXPECT_EQ(server.requests(1).at(0), std::string("QUSR\0\0\0\0", 8));
    }
    {
        ScriptedServer server({chunk("USRL", le32(2) + wire_string("alice") + wire_string("bob"))});
        std::vector<std::string> users;
        EXPECT_TRUE(share::get_user_list(kHost, server.port(), users));
        EXPECT_EQ(users, (std::vector<std::string>{"alice", "bob"}));
    }
    {
        // A count that the body cannot hold is damage, not a reason to allocate.
        ScriptedServer server({chunk("USRL", le32(0xFFFFFFF0u))});
        std::vector<std::string> users;
        EXPECT_FALSE(share::get_user_list(kHost, server.port(), users));
    }
    {
        ScriptedServer server({chunk("ERRO", "")});
        std::vector<std::string> users;
        EXPECT_FALSE(share::get_user_list(kHost, server.port(), users));
    }
}

TEST(ShareProtocol, SearchAndMessages)
{
    {
        ScriptedServer server({chunk("RESL", le32(2) + wire_string("http://a/") + le64(200) + wire_string("http://b/") + le64(100))});
        std::vector<std::string> urls;
        std::vector<memo::Time64> times;
        EXPECT_TRUE(share::search_sites(kHost, server.port(), 3, 0, 0, "/", urls, times));
        EXPECT_EQ(urls, (std::vector<std::string>{"http://a/", "http://b/"}));
        EXPECT_EQ(times, (std::vector<memo::Time64>{200, 100}));
    }
    {
        // Nested records may carry any tag; sender, recipient and text come in that order.
        const std::string first = chunk("XXXX", wire_string("bob") + wire_string("me") + wire_string("hi"));
        const std::string second = chunk("IMSG", wire_string("carol") + wire_string("me") + wire_string("yo"));
        ScriptedServer server({chunk("RMSG", le32(2) + first + second)});
        std::vector<share::InstantMessage> messages;
        EXPECT_TRUE(share::poll_messages(kHost, server.port(), "me", messages));
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[0], (share::InstantMessage{"bob", "me", "hi"}));
        EXPECT_EQ(messages[1], (share::InstantMessage{"carol", "me", "yo"}));
        EXPECT_EQ(server.requests(1).at(0), chunk("QMSG", wire_string("me")));
    }
    {
        ScriptedServer server({chunk("ACKM", "")});
        EXPECT_TRUE(share::send_message(kHost, server.port(), "me", "you", "text"));
    }
    {
        ScriptedServer server({chunk("ERRO", "")});
        EXPECT_FALSE(share::send_message(kHost, server.port(), "me", "you", "text"));
    }
    // An unknown search mode sends nothing at all.
    std::vector<std::string> urls;
    std::vector<memo::Time64> times;
    EXPECT_FALSE(share::search_sites(kHost, 1, 9, 0, 0, "", urls, times));
}

TEST(ShareProtocol, CheckSiteAnswers)
{
    bool fetch = true;
    {
        ScriptedServer server({chunk("ERRO", "")});
        EXPECT_TRUE(share::check_site(kHost, server.port(), "http://a/", 5, true, fetch));
        EXPECT_FALSE(fetch);
        EXPECT_EQ(server.requests(1).at(0), share::make_check_request("http://a/", 5, true));
    }
    {
        ScriptedServer server({chunk("RURL", "\x01")});
        EXPECT_TRUE(share::check_site(kHost, server.port(), "http://a/", 5, false, fetch));
        EXPECT_TRUE(fetch);
    }
    {
        ScriptedServer server({chunk("RURL", std::string(1, '\0'))});
        EXPECT_TRUE(share::check_site(kHost, server.port(), "http://a/", 5, false, fetch));
        EXPECT_FALSE(fetch);
    }
    {
        // "RURL" without its byte: the read fails inside the exchange.
        ScriptedServer server({chunk("RURL", "")});
        EXPECT_FALSE(share::check_site(kHost, server.port(), "http://a/", 5, false, fetch));
        EXPECT_FALSE(fetch);
    }
}

TEST(ShareProtocol, FetchReadsThePackageAndStampsIt)
{
    MemoPackage original;
    original.url = "http://a/";
    original.time = 12345;
    const memo::Guid id = add_stroke(original, 500);
    {
        ScriptedServer server({chunk("AMEM", original.serialize())});
        MemoPackage received;
        const memo::Time64 before = memo::now_time();
        EXPECT_TRUE(share::fetch_package(kHost, server.port(), "http://a/", received));
        EXPECT_EQ(received.url, "http://a/");
        EXPECT_EQ(received.time, 12345);
        EXPECT_GE(received.fetched, before);
        EXPECT_EQ(ids(received), std::vector<memo::Guid>{id});
    }
    {
        ScriptedServer server({chunk("ERRO", "")});
        MemoPackage received;
        EXPECT_FALSE(share::fetch_package(kHost, server.port(), "http://a/", received));
    }
    {
        ScriptedServer server({chunk("AMEM", "PACK\xff\xff\xff\x7f")});
        MemoPackage received;
        bool over_budget = false;
        EXPECT_FALSE(share::fetch_package(kHost, server.port(), "http://a/", received, &over_budget));
        EXPECT_FALSE(over_budget);
    }
    // A package whose pictures declare more pixels than the budget is refused undecoded.
    for (const auto& [photos, side] : {std::pair{1, 30000u}, std::pair{8, 3000u}}) {
        ScriptedServer server({chunk("AMEM", wire::photo_package("http://a/", photos, side, side))});
        MemoPackage received;
        bool over_budget = false;
        EXPECT_FALSE(share::fetch_package(kHost, server.port(), "http://a/", received, &over_budget));
        EXPECT_TRUE(over_budget);
    }
}

TEST(ShareProtocol, CommitWithoutServerCopyStillSendsThePackage)
{
    MemoPackage local;
    local.url = "http://a/";
    add_stroke(local, 100);
    const std::string sent = local.serialize();
    const memo::Time64 before = memo::now_time();
    ScriptedServer server({chunk("ERRO", ""), chunk("ACKM", "")});
    bool changed = true;
    EXPECT_TRUE(share::commit_package(kHost, server.port(), local, changed));
    EXPECT_FALSE(changed);
    const auto requests = server.requests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], share::make_fetch_request("http://a/"));
    EXPECT_EQ(requests[1], chunk("CMEM", sent));
    // The acknowledged commit is what the next merge builds on.
    EXPECT_GE(local.fetched, before);
}

TEST(ShareProtocol, CommitMergesTheServerCopyFirst)
{
    MemoPackage server_copy;
    server_copy.url = "http://a/";
    const memo::Guid theirs = add_stroke(server_copy, 2000);
    MemoPackage local;
    local.url = "http://a/";
    local.fetched = 1000;
    const memo::Guid ours = add_stroke(local, 1500);

    ScriptedServer server({chunk("AMEM", server_copy.serialize()), chunk("ACKM", "")});
    bool changed = false;
    EXPECT_TRUE(share::commit_package(kHost, server.port(), local, changed));
    EXPECT_TRUE(changed);
    EXPECT_EQ(ids(local), (std::vector<memo::Guid>{ours, theirs}));
    // What was sent is the merged package, built on the fetched time it had then.
    EXPECT_GT(local.fetched, 1000);
    MemoPackage sent = local;
    sent.fetched = 1000;
    EXPECT_EQ(server.requests(2).at(1), chunk("CMEM", sent.serialize()));
}

TEST(ShareProtocol, RefusedCommitAndDeleteFail)
{
    MemoPackage local;
    local.url = "http://a/";
    {
        ScriptedServer server({chunk("ERRO", ""), chunk("ERRO", "")});
        bool changed = true;
        EXPECT_FALSE(share::commit_package(kHost, server.port(), local, changed));
        EXPECT_FALSE(changed);
    }
    {
        ScriptedServer server({chunk("ACKM", "")});
        EXPECT_TRUE(share::delete_package(kHost, server.port(), "http://a/"));
    }
    {
        ScriptedServer server({chunk("ERRO", "")});
        EXPECT_FALSE(share::delete_package(kHost, server.port(), "http://a/"));
    }
}

TEST(ShareProtocol, NoListenerFailsWithoutWaiting)
{
    int port;
    {
        ScriptedServer closed({});
        port = closed.port();
    }
    std::vector<std::string> users;
    EXPECT_FALSE(share::get_user_list(kHost, port, users));
    EXPECT_FALSE(share::delete_package(kHost, 0, "http://a/"));
    bool fetch = false;
    EXPECT_FALSE(share::check_site("no-such-host.invalid", 18707, "http://a/", 0, false, fetch));
}

TEST(ShareProtocol, ServerThatNeverAnswersFailsTheWait)
{
    // Both waits run at once: the 10-second and the 2-second one.
    ScriptedServer silent_list({""});
    ScriptedServer silent_fetch({""});
    auto list = std::async(std::launch::async, [&] {
        std::vector<std::string> users;
        return share::get_user_list(kHost, silent_list.port(), users);
    });
    auto fetch = std::async(std::launch::async, [&] {
        MemoPackage package;
        return share::fetch_package(kHost, silent_fetch.port(), "http://a/", package);
    });
    EXPECT_FALSE(fetch.get());
    EXPECT_FALSE(list.get());
}

TEST(ShareProtocol, ReplyThatStopsHalfWayFails)
{
    // A header announcing 100 bytes, then silence: the read must not block for ever.
    ScriptedServer server({std::string("AMEM") + le32(100) + "PA", ""});
    MemoPackage package;
    EXPECT_FALSE(share::fetch_package(kHost, server.port(), "http://a/", package));
}

TEST(ShareProtocol, ReplyTrickledByteByByteFailsWithinTheExchangeTime)
{
    // About 20 seconds at this pace; the exchange is given up well before.
    ScriptedServer server({chunk("AMEM", std::string(1000, 'x'))}, std::chrono::milliseconds(20));
    MemoPackage package;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(share::fetch_package(kHost, server.port(), "http://a/", package));
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(took, share::kConnectSeconds + share::kShortWait + 2);
}

TEST(ShareMerge, MergeForCommitFollowsTheFetchedTime)
{
    const memo::Time64 fetched = 1000;
    MemoPackage server;
    server.url = "http://a/";
    MemoPackage local;
    local.url = "http://a/";
    local.fetched = fetched;

    // Both sides know a and b; a changed here after the fetch, b did not.
    const memo::Guid a = add_stroke(local, 1500, 1);
    const memo::Guid b = add_stroke(local, 900, 2);
    // c existed at the fetch and was removed on the server; d is new here.
    const memo::Guid c = add_stroke(local, 800, 3);
    const memo::Guid d = add_stroke(local, 1600, 4);
    for (auto [id, time, x] : {std::tuple{a, memo::Time64(1200), 1}, std::tuple{b, memo::Time64(1300), 2}}) {
        auto s = std::make_unique<StrokeObject>();
        s->id = id;
        s->time = time;
        s->owner = "server";
        s->locked = true;
        s->points = {{x * 100, 0}};
        server.add(std::move(s));
    }
    // e is new on the server; f is old there and was removed here.
    const memo::Guid e = add_stroke(server, 1100, 5);
    add_stroke(server, 700, 6);

    share::merge_for_commit(local, server);
    EXPECT_EQ(ids(local), (std::vector<memo::Guid>{a, b, d, e}));
    // a kept its own fields; b took the base fields but kept its points.
    EXPECT_EQ(local.find(a)->time, 1500);
    EXPECT_EQ(local.find(a)->owner, "someone");
    const auto& merged_b = static_cast<StrokeObject&>(*local.find(b));
    EXPECT_EQ(merged_b.time, 1300);
    EXPECT_EQ(merged_b.owner, "server");
    EXPECT_TRUE(merged_b.locked);
    EXPECT_EQ(merged_b.points.front().x, 2);
    (void)c;
}

TEST(ShareMerge, ApplyServerPackageMakesTheLocalOneMatch)
{
    MemoPackage local;
    local.url = "http://a/";
    const memo::Guid kept = add_stroke(local, 100, 1);
    add_stroke(local, 100, 2); // gone on the server
    MemoPackage delivered;
    delivered.url = "http://a/";
    delivered.fetched = 4242;
    auto changed = std::make_unique<StrokeObject>();
    changed->id = kept;
    changed->time = 300;
    changed->points = {{50, 50}, {60, 60}};
    delivered.add(std::move(changed));
    const memo::Guid added = add_stroke(delivered, 200, 3);

    share::apply_server_package(local, delivered, true);
    EXPECT_EQ(local.fetched, 4242);
    EXPECT_EQ(ids(local), (std::vector<memo::Guid>{kept, added}));
    EXPECT_EQ(local.find(kept)->time, 300);
    EXPECT_EQ(static_cast<StrokeObject&>(*local.find(kept)).points.front().x, 50);

    // A different kind under the same GUID is replaced, not left stale.
    MemoPackage other;
    auto box = std::make_unique<memo::TextBoxObject>();
    box->id = kept;
    other.add(std::move(box));
    share::apply_server_package(local, other, false);
    ASSERT_EQ(local.size(), 1u);
    EXPECT_EQ(local.at(0).kind(), memo::MemoKind::TextBox);
    EXPECT_EQ(local.at(0).package, &local);
}
