#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>

#include "TempDir.h"
#include "memo/ByteIO.h"
#include "memo/MemoIndex.h"
#include "memo/PackageCache.h"
#include "memo/PackageFiles.h"
#include "rs2/MemoryStream.h"

using namespace memo;

namespace {

// 2025-12-06 05:46:40 UTC.
constexpr Time64 kDay = 1765000000;

std::string u32(std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string record(const std::string& tag, const std::string& body) { return tag + u32(std::uint32_t(body.size())) + body; }

MemoPackage package(const std::string& url, Time64 time, int strokes = 1)
{
    MemoPackage p;
    p.url = url;
    p.time = time;
    p.thumbnail.create(32, 32);
    p.thumbnail.fill(rgb(10, 20, 30), 255);
    for (int i = 0; i < strokes; ++i) {
        auto s = std::make_unique<StrokeObject>();
        s->points = {{i, i}, {i + 5, i + 9}};
        p.add(std::move(s));
    }
    return p;
}

TEST(MemoIndex, SummaryReadsWhatThePaneShowsAndStepsOverTheRest)
{
    const std::string full = package("http://a.jp/", kDay, 3).serialize();
    auto site = read_package_summary(full);
    ASSERT_TRUE(site);
    EXPECT_EQ(site->url, "http://a.jp/");
    EXPECT_EQ(site->time, kDay);
    ASSERT_EQ(site->thumbnail.width(), 32);
    EXPECT_EQ(site->thumbnail.argb(5, 5), 0xFF0A141Eu);

    // An object list that the full reader would reject is never looked at.
    const std::string body = record("OBJS", u32(99) + "garbage") + record("TIME", std::string(8, '\0')) +
                             record("SURL", u32(3) + "b.j") + record("XTRA", "");
    site = read_package_summary(record("PACK", body));
    ASSERT_TRUE(site);
    EXPECT_EQ(site->url, "b.j");
    EXPECT_EQ(site->time, 0);
    EXPECT_TRUE(site->thumbnail.empty());
    EXPECT_THROW(parse_package(record("PACK", body)), rs2::IOException);

    // Not a package; damaged lengths; a damaged thumbnail.
    EXPECT_FALSE(read_package_summary(record("PACX", "")));
    EXPECT_THROW(read_package_summary(std::string("PACK\x10\0\0\0", 8)), rs2::IOException);
    EXPECT_THROW(read_package_summary(record("PACK", "SURL\xff\0\0\0")), rs2::IOException);
    EXPECT_THROW(read_package_summary(record("PACK", record("THUM", "\x89PNG no"))), rs2::IOException);
}

TEST(MemoIndex, SummaryOfTheIndependentSample)
{
    const auto site = read_package_summary_file(std::string(MARVO_SAMPLES_DIR) + "/one-of-each.ame");
    ASSERT_TRUE(site);
    EXPECT_EQ(site->url, "http://www.example.jp/docs/");
    EXPECT_EQ(site->time, 1765000000 + 5);
    EXPECT_EQ(site->thumbnail.width(), 32);
}

TEST(MemoIndex, FileSummaryMatchesTheBytesBeyondTheFirstBlock)
{
    TempDir dir;
    // Objects first, so the wanted records lie beyond the block read up front.
    MemoPackage p = package("http://far.jp/", kDay, 600);
    const std::string objects = record("OBJS", [&] {
        std::string bytes = p.serialize();
        const std::size_t at = bytes.find("OBJS");
        return bytes.substr(at + 8);
    }());
    const std::string bytes =
        record("PACK", objects + record("TIME", u32(7) + u32(0)) + record("SURL", u32(6) + "far.jp"));
    ASSERT_GT(bytes.size(), 20000u);
    std::ofstream(dir.file("far.ame"), std::ios::binary) << bytes;
    const auto site = read_package_summary_file(dir.file("far.ame"));
    ASSERT_TRUE(site);
    EXPECT_EQ(site->url, "far.jp");
    EXPECT_EQ(site->time, 7);

    // Cut short: the lengths no longer fit the file.
    std::ofstream(dir.file("cut.ame"), std::ios::binary) << bytes.substr(0, bytes.size() - 1);
    EXPECT_THROW(read_package_summary_file(dir.file("cut.ame")), rs2::IOException);
    EXPECT_THROW(read_package_summary_file(dir.file("none.ame")), rs2::IOException);
}

TEST(MemoIndex, CollectsCachedPackagesThenFilesOnce)
{
    TempDir dir;
    Time64 now = kDay;
    rs2::MemoryStream trace;
    PackageCache cache(dir.path(), [&] { return now; }, &trace);

    // On disk: a site that is also cached (its file is older), two more, a deletion record,
    // and things that are not listed.
    write_package_file(package("http://cached.jp/", kDay - 500), cache.file_for("http://cached.jp/"));
    write_package_file(package("http://b.jp/", kDay - 200), cache.file_for("http://b.jp/"));
    write_package_file(package("http://a.jp/", kDay - 100), cache.file_for("http://a.jp/"));
    write_package_file(package("http://gone.jp/", kDay - 300, 0), cache.file_for("http://gone.jp/"));
    write_package_file(package("http://upper.jp/", kDay), dir.path() / "UPPER.AME");
    write_package_file(package("http://other.jp/", kDay), dir.path() / "other.bin");
    std::ofstream(dir.file("broken.ame"), std::ios::binary) << "PACK";
    std::filesystem::create_directory(dir.path() / "folder.ame");

    auto cached = cache.lookup("http://cached.jp/", false);
    cached->time = kDay;
    cache.lookup("http://new.jp/", true);  // looked at, nothing drawn
    write_package_file(package("http://emptied.jp/", kDay - 50), cache.file_for("http://emptied.jp/"));
    cache.delete_site("http://emptied.jp/");

    const auto sites = collect_memo_sites(cache);
    std::vector<std::string> urls;
    for (const auto& s : sites)
        urls.push_back(s.url);
    // Files in name order: "UPPER.AME", then the escaped names of a, b. Sites without memos
    // (deletion records, deleted here or found on disk, and pages nothing was drawn on) are
    // not listed.
    EXPECT_EQ(urls, (std::vector<std::string>{"http://cached.jp/", "http://upper.jp/", "http://a.jp/", "http://b.jp/"}));
    EXPECT_EQ(sites[0].time, kDay);
    EXPECT_EQ(sites[0].thumbnail.width(), 32);
    EXPECT_EQ(sites[3].time, kDay - 200);

    // A folder that does not exist lists only the cache.
    EXPECT_EQ(collect_memo_sites(cache.packages(), dir.path() / "missing").size(), 1u);
}

TEST(MemoIndex, GroupsByLocalDateInOrderOfFirstAppearance)
{
    const std::string saved_zone = std::getenv("TZ") ? std::getenv("TZ") : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(memo_date_text(kDay), "2025/12/06");
    EXPECT_EQ(memo_date_text(1767225599), "2025/12/31");

    std::vector<MemoSite> sites;
    for (const auto& [url, time] : std::vector<std::pair<std::string, Time64>>{
             {"late", kDay}, {"early", kDay - 86400 * 40}, {"late2", kDay - 3600}, {"next", kDay + 86400}})
        sites.push_back({time, url, {}});
    const auto groups = group_memo_sites(sites);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].date, "2025/12/06");
    ASSERT_EQ(groups[0].sites.size(), 2u);
    EXPECT_EQ(groups[0].sites[0].url, "late");
    EXPECT_EQ(groups[0].sites[1].url, "late2");
    EXPECT_EQ(groups[1].date, "2025/10/27");
    EXPECT_EQ(groups[2].date, "2025/12/07");
    EXPECT_TRUE(group_memo_sites({}).empty());
    saved_zone.empty() ? ::unsetenv("TZ") : ::setenv("TZ", saved_zone.c_str(), 1);
    ::tzset();
}

} // namespace
