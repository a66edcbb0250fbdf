#include "server/Versions.h"

#include <cstring>
#include <ctime>

#include "memo/ByteIO.h"
#include "rs2/IOException.h"

namespace server {

namespace {

std::string utc_text(memo::Time64 time)
{
    const std::time_t t = std::time_t(time);
    std::tm utc{};
    if (!gmtime_r(&t, &utc))
        return std::to_string(time);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

} // namespace

std::string restamp_package(std::string bytes, memo::Time64 time)
{
    try {
        memo::ByteReader reader(bytes);
        memo::ByteReader pack;
        if (reader.record(pack) != "PACK")
            throw StoreError("not a package");
        while (!pack.at_end()) {
            memo::ByteReader field;
            if (pack.record(field) == "TIME" && field.remaining() == 8) {
                const std::size_t at = std::size_t(field.rest().data() - bytes.data());
                memo::ByteWriter value;
                value.i64(time);
                std::memcpy(bytes.data() + at, value.view().data(), 8);
                return bytes;
            }
        }
    } catch (const rs2::IOException& damage) {
        throw StoreError(std::string("damaged package: ") + damage.what());
    }
    throw StoreError("package without a time");
}

void restore_version(Store& store, const std::string& url, std::int64_t number, memo::Time64 now)
{
    store.begin();
    try {
        const auto bytes = store.version_bytes(url, number);
        if (!bytes)
            throw StoreError("the site has no version " + std::to_string(number));
        bool deleted = false;
        for (const auto& version : store.versions(url))
            if (version.number == number)
                deleted = version.deleted;
        store.put_package(url, now, deleted, restamp_package(*bytes, now));
        store.commit();
    } catch (...) {
        store.rollback();
        throw;
    }
}

std::string describe_versions(Store& store, const std::string& url)
{
    store.begin();
    std::vector<PackageVersion> versions;
    try {
        versions = store.versions(url);
        store.commit();
    } catch (...) {
        store.rollback();
        throw;
    }
    if (versions.empty())
        return "no previous versions\n";
    std::string out;
    for (const auto& v : versions)
        out += std::to_string(v.number) + "  time " + utc_text(v.time) + "  replaced " + utc_text(v.replaced) + "  " +
               std::to_string(v.bytes) + " bytes" + (v.deleted ? "  deleted" : "") + "\n";
    return out;
}

} // namespace server
