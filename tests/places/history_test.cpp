#include <gtest/gtest.h>

#include <random>

#include "Files.h"
#include "TempDir.h"
#include "places/History.h"
#include "rs2/Chunk.h"
#include "rs2/MemoryStream.h"

namespace {

using places::History;
using places::HistoryEntry;

constexpr std::int64_t T = 1765000000; // the samples' reference time
constexpr std::int64_t kDay = 86400;

// A history whose clock the test sets.
struct Clocked {
    std::int64_t now = T;
    History history{[this] { return now; }};
};

// Records built with the chunk library, independently of the store's own encoder.
std::string chunk_bytes(std::string_view tag, std::string_view body = {})
{
    rs2::Chunk chunk(tag);
    chunk.body().write(body.data(), body.size());
    rs2::MemoryStream out;
    out << chunk;
    return std::string(out.data(), out.size());
}

std::string url_record(std::string_view url)
{
    rs2::MemoryStream body;
    body.write_string(url);
    return chunk_bytes(" URL", std::string_view(body.data(), body.size()));
}

std::string time_record(std::int64_t time)
{
    rs2::MemoryStream body;
    body.write_int64(time);
    return chunk_bytes("TIME", std::string_view(body.data(), body.size()));
}

std::string site(std::initializer_list<std::string> records)
{
    std::string body;
    for (const auto& r : records)
        body += r;
    return chunk_bytes("SITE", body);
}

TEST(HistoryFile, RecordLayoutIsByteExact)
{
    const std::string bytes = places::encode_history({{"http://a/", T}});
    ASSERT_EQ(bytes.size(), 45u); // a 9-byte URL
    EXPECT_EQ(bytes, site({url_record("http://a/"), time_record(T)}));
    EXPECT_EQ(bytes.substr(0, 12), std::string("SITE\x25\0\0\0 URL", 12));
    EXPECT_EQ(places::encode_history({{"", 1}, {std::string(300, 'x'), -5}}).size(), 36u + 336u);
}

TEST(HistoryFile, SampleLoadsAndSavesByteForByte)
{
    const std::filesystem::path sample = std::filesystem::path(MARVO_SAMPLES_DIR) / "marvohistory.bin";
    Clocked c;
    c.now = T + 10;
    ASSERT_TRUE(c.history.load(sample));
    EXPECT_EQ(c.history.entries(), (std::vector<HistoryEntry>{{"http://www.example.jp/", T - kDay},
                                                              {"http://www.example.jp/docs/", T}}));
    TempDir dir;
    ASSERT_TRUE(c.history.save(dir.path() / "marvohistory.bin"));
    EXPECT_EQ(read_file(dir.path() / "marvohistory.bin"), read_file(sample));

    // With the real clock both entries are long expired.
    History real;
    EXPECT_TRUE(real.load(sample));
    EXPECT_TRUE(real.empty());
}

TEST(HistoryFile, EmptyHistoryWritesAnEmptyFileOverTheOldOne)
{
    TempDir dir;
    const auto file = dir.path() / "marvohistory.bin";
    write_file(file, "old contents");
    History history;
    ASSERT_TRUE(history.save(file));
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1); // no temp left

    EXPECT_TRUE(history.load(file));
    EXPECT_TRUE(history.empty());
    EXPECT_FALSE(history.load(dir.path() / "missing.bin"));
    EXPECT_FALSE(history.save(dir.path() / "no-such-folder" / "h.bin"));
}

TEST(HistoryFile, ReaderSkipsWhatItDoesNotKnow)
{
    std::string bytes;
    bytes += site({url_record("http://no-time/")});                         // adds nothing
    bytes += chunk_bytes("XXXX");                                  // other top-level tag
    bytes += site({time_record(T - 9), url_record("http://first/"), time_record(T - 5),
                   chunk_bytes("ZZZZ"), url_record("http://second/")});         // later fields win
    bytes += site({time_record(T)});                                           // no URL
    const auto decoded = places::decode_history(bytes);
    EXPECT_TRUE(decoded.complete);
    EXPECT_EQ(decoded.entries, (std::vector<HistoryEntry>{{"http://second/", T - 5}}));
}

TEST(HistoryFile, DamageKeepsTheEntriesBeforeIt)
{
    const std::string good = places::encode_history({{"http://a/", T - 2}, {"http://b/", T - 1}});
    // Every cut inside the second record keeps the first entry only.
    for (std::size_t cut = 46; cut < good.size(); ++cut) {
        const auto decoded = places::decode_history(good.substr(0, cut));
        EXPECT_FALSE(decoded.complete) << cut;
        ASSERT_EQ(decoded.entries.size(), 1u) << cut;
    }
    // A string count beyond its record is damage, not a read past the end.
    std::string bad = good;
    bad[16] = '\x7F';
    EXPECT_FALSE(places::decode_history(bad).complete);
    EXPECT_TRUE(places::decode_history(bad).entries.empty());

    TempDir dir;
    write_file(dir.path() / "h.bin", good.substr(0, good.size() - 3));
    Clocked c;
    EXPECT_FALSE(c.history.load(dir.path() / "h.bin"));
    EXPECT_EQ(c.history.entries(), (std::vector<HistoryEntry>{{"http://a/", T - 2}}));
}

TEST(HistoryVisits, RevisitKeepsOneEntryWithTheNewTimeAtTheEnd)
{
    Clocked c;
    c.history.add_visit({"http://a/", T});
    c.history.add_visit({"http://b/", T});
    c.history.add_visit({"http://c/", T});
    c.history.add_visit({"http://a/", T}); // same second: still moves behind the others
    c.now = T + 60;
    c.history.add_visit({"http://b/", 0}); // a known URL takes now, not the given time
    EXPECT_EQ(c.history.entries(),
              (std::vector<HistoryEntry>{{"http://c/", T}, {"http://a/", T}, {"http://b/", T + 60}}));
}

TEST(HistoryVisits, EntriesOlderThanThirtyWholeDaysGo)
{
    Clocked c;
    c.history.add_visit({"http://31-days/", T - 31 * kDay});
    c.history.add_visit({"http://30-days-and-hours/", T - 30 * kDay - 5 * 3600});
    // The first insertion pruned its own old entry at once.
    EXPECT_EQ(c.history.size(), 1u);

    c.now = T + 19 * 3600 - 1; // one second short of 31 days: still 30 whole days
    c.history.add_visit({"http://new/", c.now});
    EXPECT_EQ(c.history.size(), 2u);
    c.now = T + 19 * 3600; // 31 whole days for the older entry
    c.history.add_visit({"http://other/", c.now});
    EXPECT_EQ(c.history.entries().front().url, "http://new/");

    // Revisiting does not prune: old entries wait for the next new URL.
    c.now += 40 * kDay;
    c.history.add_visit({"http://other/", 0});
    EXPECT_EQ(c.history.size(), 2u);
    c.history.add_visit({"http://newer/", c.now});
    EXPECT_EQ(c.history.size(), 2u);
}

TEST(HistoryVisits, LoadDropsOldEntriesAndGivesDuplicatesTheLoadTime)
{
    TempDir dir;
    const auto file = dir.path() / "h.bin";
    write_file(file, places::encode_history({{"http://dup/", T - 2 * kDay},
                                             {"http://old/", T - 31 * kDay},
                                             {"http://keep/", T - 30 * kDay},
                                             {"http://dup/", T - kDay}}));
    Clocked c;
    c.now = T + 100;
    ASSERT_TRUE(c.history.load(file));
    EXPECT_EQ(c.history.entries(),
              (std::vector<HistoryEntry>{{"http://keep/", T - 30 * kDay}, {"http://dup/", T + 100}}));
}

// The fast load must give exactly what one add_visit per record gives, order included.
TEST(HistoryVisits, LoadEqualsOneVisitPerRecord)
{
    std::mt19937 random(7);
    TempDir dir;
    for (int round = 0; round < 200; ++round) {
        std::vector<HistoryEntry> before;
        std::vector<HistoryEntry> records;
        auto pick = [&] {
            HistoryEntry e;
            e.url = "http://site/" + std::to_string(random() % 12);
            // Few distinct times, so ties are common; some expired, some in the future.
            e.time = T + (static_cast<std::int64_t>(random() % 9) - 6) * 6 * kDay;
            return e;
        };
        for (unsigned i = random() % 5; i > 0; --i)
            before.push_back(pick());
        for (unsigned i = random() % 20; i > 0; --i)
            records.push_back(pick());

        Clocked slow;
        Clocked fast;
        // Entries already in the list when the file is read, some now expired.
        slow.now = fast.now = T - 20 * kDay;
        for (const auto& e : before) {
            slow.history.add_visit(e);
            fast.history.add_visit(e);
        }
        slow.now = fast.now = T;
        for (const auto& e : records)
            slow.history.add_visit(e);
        write_file(dir.path() / "h.bin", places::encode_history(records));
        ASSERT_TRUE(fast.history.load(dir.path() / "h.bin"));
        ASSERT_EQ(fast.history.entries(), slow.history.entries()) << "round " << round;
    }
}

TEST(HistoryVisits, ListsForTheAddressBarAndThePanes)
{
    Clocked c;
    int changes = 0;
    c.history.set_on_change([&] { ++changes; });
    for (std::string url : {"http://example.jp/long/path", "http://example.jp/", "http://other/", "http://x.jp/"})
        c.history.add_visit({url, c.now++});
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(c.history.recent_urls(2), (std::vector<std::string>{"http://x.jp/", "http://other/"}));

    EXPECT_TRUE(c.history.suggestions("jp").empty()); // two characters show nothing
    EXPECT_EQ(c.history.suggestions(".jp"),
              (std::vector<std::string>{"http://x.jp/", "http://example.jp/", "http://example.jp/long/path"}));
    EXPECT_TRUE(c.history.suggestions(".JP").empty()); // case-sensitive
}

} // namespace
