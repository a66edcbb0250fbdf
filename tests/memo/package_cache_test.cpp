#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "TempDir.h"
#include "memo/PackageCache.h"
#include "memo/PackageFiles.h"
#include "rs2/MemoryStream.h"

using namespace memo;

namespace {

constexpr Time64 kNow = 1765000000;

std::unique_ptr<StrokeObject> stroke(std::int32_t x)
{
    auto s = std::make_unique<StrokeObject>();
    s->points = {{x, 0}, {x + 10, 10}};
    s->owner = "yamada";
    return s;
}

// A cache over a scratch folder with a clock the test moves and a trace it reads.
struct CacheTest : ::testing::Test {
    TempDir dir;
    Time64 now = kNow;
    rs2::MemoryStream trace_stream;
    PackageCache cache{dir.path(), [this] { return now; }, &trace_stream};

    std::vector<std::string> trace()
    {
        std::vector<std::string> lines;
        std::string text(trace_stream.data(), trace_stream.size());
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = text.find('\n', at);
            lines.push_back(text.substr(at, end - at));
            at = end + 1;
        }
        trace_stream.clear();
        return lines;
    }
    // Writes a package file the way another run would have left it.
    void store(const std::string& url, Time64 time, int objects)
    {
        MemoPackage p;
        p.url = url;
        p.time = time;
        for (int i = 0; i < objects; ++i)
            p.add(stroke(i));
        write_package_file(p, cache.file_for(url));
    }
    std::unique_ptr<MemoPackage> on_disk(const std::string& url)
    {
        std::string bytes;
        if (read_whole_file(cache.file_for(url), bytes) != FileRead::Ok)
            return nullptr;
        return parse_package(bytes);
    }
};

TEST(PackageFileName, NormalisesNearTheEndAndEscapesEightCharacters)
{
    EXPECT_EQ(normalize_url("http://example.jp/docs/index.htm"), "http://example.jp/docs/");
    // Eleven characters from "index" to the end; only in the host; the first occurrence decides.
    EXPECT_EQ(normalize_url("http://example.jp/index.shtml"), "http://example.jp/index.shtml");
    EXPECT_EQ(normalize_url("http://index.example.jp/a/b/c"), "http://index.example.jp/a/b/c");
    EXPECT_EQ(normalize_url("http://index.example.jp/index.htm"), "http://index.example.jp/index.htm");
    // An in-page anchor is the same document.
    EXPECT_EQ(normalize_url("http://example.jp/a?b=c#part"), "http://example.jp/a?b=c");
    EXPECT_EQ(normalize_url("http://example.jp/docs/index.html#top"), "http://example.jp/docs/");

    EXPECT_EQ(package_file_name("http://a.jp/b?c=d:e"), "http%3A%2F%2Fa.jp%2Fb%3Fc=d%3Ae.ame");
    EXPECT_EQ(package_file_name("\\/:?*<>|"), "%5C%2F%3A%3F%2A%3C%3E%7C.ame");
    EXPECT_EQ(package_file_name("a\"b%41\x82\xa0\x83\x5c"), "a\"b%41\x82\xa0\x83%5C.ame");
    // No name can hold a NUL; cutting the path there would name another file.
    EXPECT_EQ(package_file_name(std::string("a\0b", 3)), "a%00b.ame");
}

TEST_F(CacheTest, LongUrlsGetShortStableUniqueNames)
{
    const std::string fits(kMaxFileNameBytes - 4, 'a');
    EXPECT_EQ(package_file_name(fits), fits + ".ame");
    const std::string base = "http://example.jp/" + std::string(300, 'x');
    const std::string one = package_file_name(base + "1");
    EXPECT_EQ(one.size(), kMaxFileNameBytes);
    EXPECT_EQ(one.substr(0, 30) + one.substr(one.size() - 4), "http%3A%2F%2Fexample.jp%2Fxxxx.ame");
    EXPECT_NE(one, package_file_name(base + "2"));
    // Pinned: another hash would orphan every long-named file already on disk.
    EXPECT_EQ(stable_hash("http://example.jp/"), 0xbcecb8b62d9ab386ull);

    cache.lookup(base + "1", true)->add(stroke(1));
    ASSERT_TRUE(cache.save_all());
    PackageCache again(dir.path(), [this] { return now; }, &trace_stream);
    ASSERT_TRUE(again.lookup(base + "1", false));
    EXPECT_EQ(again.lookup(base + "1", false)->size(), 1u);
}

TEST_F(CacheTest, CreatesOnePackagePerNormalisedUrl)
{
    EXPECT_EQ(cache.lookup("http://a.jp/", false), nullptr);
    EXPECT_EQ(cache.lookup("index.html", true), nullptr);
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_TRUE(trace().empty());

    cache.set_window_width(1111);
    const auto p = cache.lookup("http://a.jp/index.html", true);
    ASSERT_TRUE(p);
    EXPECT_EQ(trace(), std::vector<std::string>{"CreateNewPkg"});
    EXPECT_EQ(p->url, "http://a.jp/");
    EXPECT_EQ(p->width, 1111);
    EXPECT_EQ(p->text_size, 2);
    EXPECT_EQ(p->time, kNow);
    EXPECT_TRUE(p->dirty);

    now += 5;
    EXPECT_EQ(cache.lookup("http://a.jp/", false), p);
    EXPECT_EQ(p->last_access, kNow + 5);
    cache.set_active_view([] { return PackageCache::ActiveView{800, 4}; });
    const auto q = cache.lookup("http://A.jp/", true); // case matters
    EXPECT_NE(q, p);
    EXPECT_EQ(q->width, 800);
    EXPECT_EQ(q->text_size, 4);
    // Nothing is written until the packages leave the cache.
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(CacheTest, AnAnchorKeepsThePageAndFindsWhatOlderVersionsKeptUnderIt)
{
    const auto page = cache.lookup("http://a.jp/page", true);
    EXPECT_EQ(cache.lookup("http://a.jp/page#part", false), page);

    // Written under the URL with its fragment, before fragments were dropped.
    MemoPackage old;
    old.url = "http://a.jp/old#part";
    old.time = kNow;
    old.add(stroke(1));
    write_package_file(old, dir.path() / package_file_name(old.url));
    const auto found = cache.lookup("http://a.jp/old#part", false);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->url, "http://a.jp/old");
    EXPECT_EQ(found->size(), 1u);
    EXPECT_EQ(cache.lookup("http://a.jp/old", false), found);
    EXPECT_EQ(cache.lookup("http://a.jp/old#other", false), found);
}

TEST_F(CacheTest, LoadsFilesAndDealsWithBadOnes)
{
    store("http://ok.jp/", kNow - 100, 2);
    const auto p = cache.lookup("http://ok.jp/", false);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->size(), 2u);
    EXPECT_FALSE(p->dirty);
    EXPECT_EQ(trace(), std::vector<std::string>{"キャッシュに読み込みました"});

    // Damaged: removed.
    const auto damaged = cache.file_for("http://bad.jp/");
    std::ofstream(damaged, std::ios::binary) << std::string("PACK\x40\0\0\0SURL", 12);
    EXPECT_EQ(cache.lookup("http://bad.jp/", false), nullptr);
    EXPECT_EQ(trace(), std::vector<std::string>{"Failed to load " + damaged.string()});
    EXPECT_FALSE(std::filesystem::exists(damaged));

    // Not a package: kept, and with create a new package replaces it in the cache.
    const auto other = cache.file_for("http://other.jp/");
    std::ofstream(other, std::ios::binary) << std::string("JUNK\0\0\0\0", 8);
    EXPECT_NE(cache.lookup("http://other.jp/", true), nullptr);
    EXPECT_EQ(trace(), (std::vector<std::string>{"Load Failed", "CreateNewPkg"}));
    EXPECT_TRUE(std::filesystem::exists(other));

    // Cannot be read at all (a folder in its place): kept, maybe it is fine.
    std::filesystem::create_directory(cache.file_for("http://dir.jp/"));
    EXPECT_EQ(cache.lookup("http://dir.jp/", false), nullptr);
    EXPECT_TRUE(std::filesystem::exists(cache.file_for("http://dir.jp/")));
    EXPECT_EQ(cache.size(), 2u);

    // A file that holds another spelling or another site is cached once, under its own URL.
    store("http://y.jp/index.html", kNow, 1);
    std::filesystem::rename(cache.file_for("http://y.jp/"), cache.file_for("http://x.jp/"));
    EXPECT_EQ(cache.lookup("http://x.jp/", false), nullptr);
    EXPECT_EQ(cache.lookup("http://x.jp/", false), nullptr);
    EXPECT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache.lookup("http://y.jp/", false)->size(), 1u);
}

TEST_F(CacheTest, DeletionRecordsExpireAfterADay)
{
    store("http://old.jp/", kNow - 86401, 0);
    store("http://young.jp/", kNow - 86399, 0);
    trace();
    EXPECT_EQ(cache.lookup("http://old.jp/", false), nullptr);
    EXPECT_EQ(trace(), (std::vector<std::string>{"消去情報を発見しました", "タイムアウトしているので削除しました"}));
    EXPECT_FALSE(std::filesystem::exists(cache.file_for("http://old.jp/")));

    const auto young = cache.lookup("http://young.jp/", false);
    ASSERT_TRUE(young);
    EXPECT_TRUE(young->empty());
    EXPECT_EQ(trace(), (std::vector<std::string>{"消去情報を発見しました", "キャッシュに読み込みました"}));
}

TEST_F(CacheTest, EvictsByTheMinutesOfTheIdleSpanAfterALoad)
{
    cache.lookup("http://idle-61-minutes.jp/", true);
    now += 59 * 60;
    cache.lookup("http://idle-2-minutes.jp/", true)->add(stroke(1));
    auto held = cache.lookup("http://held.jp/", true);
    held->add(stroke(2));
    store("http://disk1.jp/", kNow, 1);
    store("http://disk2.jp/", kNow, 1);
    now += 2 * 60;
    trace();

    // Creating a package evicts nothing; loading one from disk does.
    cache.lookup("http://new.jp/", true);
    EXPECT_EQ(cache.size(), 4u);
    cache.lookup("http://disk1.jp/", false);
    EXPECT_EQ(trace(), (std::vector<std::string>{"CreateNewPkg", "キャッシュに読み込みました",
                                                 "http://idle-2-minutes.jp/キャッシュから削除しました"}));
    EXPECT_EQ(cache.size(), 4u);
    ASSERT_TRUE(on_disk("http://idle-2-minutes.jp/"));
    EXPECT_EQ(on_disk("http://idle-2-minutes.jp/")->size(), 1u);

    // The held package goes once nobody holds it.
    held.reset();
    now += 2 * 60;
    cache.lookup("http://disk2.jp/", false);
    ASSERT_EQ(cache.size(), 1u);
    EXPECT_EQ(cache.packages()[0]->url, "http://disk2.jp/");
    EXPECT_TRUE(on_disk("http://held.jp/"));
}

TEST_F(CacheTest, WriteFailuresAreTracedAndTheLoopGoesOn)
{
    cache.lookup("http://blocked.jp/", true)->add(stroke(1));
    cache.lookup("http://fine.jp/", true)->add(stroke(2));
    // A folder where the file should go: the rename over it fails.
    std::filesystem::create_directory(cache.file_for("http://blocked.jp/"));
    EXPECT_FALSE(cache.save_all());
    EXPECT_EQ(trace(), (std::vector<std::string>{"CreateNewPkg", "CreateNewPkg", "Failed To Save http://blocked.jp/"}));
    EXPECT_TRUE(on_disk("http://fine.jp/"));

    // Eviction drops the package even when its file could not be written.
    store("http://disk.jp/", kNow, 1);
    now += 3 * 60;
    cache.lookup("http://disk.jp/", false);
    const auto lines = trace();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Failed to save " + cache.file_for("http://blocked.jp/").string()),
              lines.end());
    EXPECT_EQ(cache.size(), 1u);
}

TEST_F(CacheTest, CommitHandsCopiesOfChangedPublicPackagesToTheSink)
{
    std::vector<std::shared_ptr<const MemoPackage>> sent;
    int jobs = 0;
    cache.set_commit_sink([&](std::vector<std::shared_ptr<const MemoPackage>> packages) {
        ++jobs;
        sent = std::move(packages);
    });
    cache.set_private_sites([](std::string_view url) { return url == "http://private.jp/"; });
    cache.lookup("http://first.jp/", true)->add(stroke(1));
    cache.lookup("http://private.jp/", true)->add(stroke(2));
    cache.lookup("http://clean.jp/", true)->dirty = false;
    cache.lookup("http://last.jp/", true)->add(stroke(3));
    cache.lookup("http://clicked.jp/", true);  // a click that drew nothing
    trace();

    EXPECT_EQ(cache.commit_changed(), 2u);
    EXPECT_EQ(trace(), std::vector<std::string>{"CommitObjectPackage"});
    ASSERT_EQ(jobs, 1);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0]->url, "http://first.jp/");
    EXPECT_EQ(sent[1]->url, "http://last.jp/");
    for (const auto& p : cache.packages())
        EXPECT_FALSE(p->dirty);

    // The copies are the worker's own: changes and the end of the cache leave them alone.
    cache.lookup("http://first.jp/", false)->add(stroke(4));
    cache.clear();
    EXPECT_EQ(sent[0]->size(), 1u);
    EXPECT_EQ(sent[0]->at(0).package, sent[0].get());

    // Nothing changed: no job.
    EXPECT_EQ(cache.commit_changed(), 0u);
    EXPECT_EQ(jobs, 1);
}

// Changed packages are written while the program runs; unchanged ones and pages that were
// only looked at (a click that drew nothing) leave the disk alone.
TEST_F(CacheTest, SavingChangedPackagesWritesOnlyWhatChanged)
{
    store("http://stored.jp/", kNow - 100, 2);
    const auto stored_time = std::filesystem::last_write_time(cache.file_for("http://stored.jp/"));
    auto stored = cache.lookup("http://stored.jp/", false);
    auto drawn = cache.lookup("http://drawn.jp/", true);
    drawn->add(stroke(1));
    auto clicked = cache.lookup("http://clicked.jp/", true);
    std::vector<std::vector<std::string>> told;
    cache.set_stored_listener([&](const std::vector<std::string>& urls) { told.push_back(urls); });

    EXPECT_TRUE(cache.save_changed());
    EXPECT_EQ(told, (std::vector<std::vector<std::string>>{{"http://drawn.jp/"}}));
    ASSERT_TRUE(on_disk("http://drawn.jp/"));
    EXPECT_EQ(on_disk("http://drawn.jp/")->size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(cache.file_for("http://clicked.jp/")));
    EXPECT_EQ(std::filesystem::last_write_time(cache.file_for("http://stored.jp/")), stored_time);

    // A later change is written again; removing every memo of a stored page writes that too.
    drawn->add(stroke(2));
    stored->remove(&stored->at(0));
    stored->remove(&stored->at(0));
    EXPECT_TRUE(cache.save_changed());
    EXPECT_EQ(told.back(), (std::vector<std::string>{"http://stored.jp/", "http://drawn.jp/"}));
    EXPECT_EQ(on_disk("http://drawn.jp/")->size(), 2u);
    EXPECT_EQ(on_disk("http://stored.jp/")->size(), 0u);

    // Nor does the end of the run store the page nothing was drawn on.
    EXPECT_TRUE(cache.save_all());
    EXPECT_FALSE(std::filesystem::exists(cache.file_for("http://clicked.jp/")));
}

TEST_F(CacheTest, DeletingASiteStoresADeletionRecord)
{
    std::vector<std::string> deleted;
    cache.set_delete_sink([&](const std::string& url) { deleted.push_back(url); });
    cache.set_private_sites([](std::string_view url) { return url == "http://private.jp/"; });
    const auto p = cache.lookup("http://site.jp/", true);
    p->add(stroke(1));
    p->add(stroke(2));
    now += 30;
    const Time64 accessed = p->last_access;

    ASSERT_TRUE(cache.delete_site(*p));
    EXPECT_TRUE(p->empty());
    EXPECT_EQ(p->url, "http://site.jp/");
    EXPECT_EQ(p->time, kNow + 30);
    EXPECT_EQ(p->last_access, accessed);
    ASSERT_TRUE(on_disk("http://site.jp/"));
    EXPECT_TRUE(on_disk("http://site.jp/")->empty());
    EXPECT_EQ(deleted, std::vector<std::string>{"http://site.jp/"});

    // A private site is cleared on disk but not reported; a site without a package is left.
    cache.lookup("http://private.jp/", true)->add(stroke(3));
    EXPECT_TRUE(cache.delete_site("http://private.jp/index.html"));
    EXPECT_TRUE(on_disk("http://private.jp/")->empty());
    EXPECT_FALSE(cache.delete_site("http://nothing.jp/"));
    EXPECT_EQ(deleted.size(), 1u);
}

struct MemoFileTest : CacheTest {
    std::filesystem::path memo_file;
    int questions = 0;
    MergeAnswer answer = MergeAnswer::Cancel;
    Guid shared_id;

    void SetUp() override
    {
        // The file: the existing site (one object known here, one new), then a new site.
        MemoPackage a;
        a.url = "http://a.jp/index.html";
        a.width = 640;
        a.text_size = 1;
        a.add(stroke(10));
        shared_id = a.at(0).id;
        a.add(stroke(20));
        MemoPackage b;
        b.url = "http://b.jp/";
        b.add(stroke(30));
        memo_file = dir.path() / "received.bin";
        std::ofstream(memo_file, std::ios::binary) << serialize_memo_file({&a, &b});

        const auto existing = cache.lookup("http://a.jp/", true);
        existing->add(stroke(1));
        auto known = stroke(10);
        known->id = shared_id;
        known->owner = "before";
        existing->add(std::move(known));
        existing->width = 1000;
    }
    OpenMemoResult open()
    {
        return cache.open_memo_file(memo_file, [this] {
            ++questions;
            return answer;
        });
    }
};

TEST_F(MemoFileTest, CancelAndUnreadableFilesChangeNothing)
{
    EXPECT_EQ(open().status, OpenMemoResult::Status::Cancelled);
    EXPECT_EQ(questions, 1);
    std::ofstream(memo_file, std::ios::binary) << std::string("PACK\xff\0\0\0", 8);
    EXPECT_EQ(open().status, OpenMemoResult::Status::ReadFailed);
    EXPECT_EQ(cache.open_memo_file(dir.path() / "missing.ame", {}).status, OpenMemoResult::Status::ReadFailed);
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(cache.lookup("http://a.jp/", false)->size(), 2u);
    EXPECT_EQ(cache.lookup("http://b.jp/", false), nullptr);
}

TEST_F(MemoFileTest, YesMergesByIdentity)
{
    answer = MergeAnswer::Yes;
    now += 100;
    const auto result = open();
    ASSERT_TRUE(result);
    EXPECT_EQ(result.url_to_show, "http://a.jp/index.html");
    const auto a = cache.lookup("http://a.jp/", false);
    // The own object, the known one updated in place (not doubled), the new one.
    ASSERT_EQ(a->size(), 3u);
    EXPECT_EQ(a->at(1).id, shared_id);
    EXPECT_EQ(a->at(1).owner, "yamada");
    EXPECT_EQ(a->url, "http://a.jp/");
    EXPECT_EQ(a->width, 640);
    EXPECT_EQ(a->time, kNow + 100);
    EXPECT_EQ(cache.lookup("http://b.jp/", false)->size(), 1u);
}

TEST_F(MemoFileTest, NoReplacesAndNewSitesNeedNoQuestion)
{
    answer = MergeAnswer::No;
    ASSERT_TRUE(open());
    const auto a = cache.lookup("http://a.jp/", false);
    ASSERT_EQ(a->size(), 2u);
    EXPECT_EQ(a->at(0).id, shared_id);
    EXPECT_EQ(a->url, "http://a.jp/");
    EXPECT_EQ(a->width, 640);

    cache.clear();
    ASSERT_TRUE(open());
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(cache.lookup("http://a.jp/", false)->size(), 2u);
    EXPECT_EQ(cache.lookup("http://b.jp/", false)->size(), 1u);
}

TEST_F(CacheTest, OpensTheIndependentMemoFile)
{
    const auto result = cache.open_memo_file(std::string(MARVO_SAMPLES_DIR) + "/memo-file-two-packages.ame", {});
    ASSERT_TRUE(result);
    EXPECT_FALSE(result.url_to_show.empty());
    EXPECT_EQ(cache.size(), 2u);
}

} // namespace
