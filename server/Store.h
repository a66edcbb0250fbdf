#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "memo/MemoTypes.h"
#include "server/Request.h"

namespace server {

// Thrown by the storage back ends; the request that caused it is answered as a failure.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The time of the package a site holds on the server, and whether it is a deletion record.
struct PackageStamp {
    memo::Time64 time = 0;
    bool deleted = false;
};

// A package a site held before it was replaced: kept so that an administrator can bring it back.
struct PackageVersion {
    std::int64_t number = 0; // grows with every version of the store
    memo::Time64 time = 0;   // the package's own time
    memo::Time64 replaced = 0;
    bool deleted = false;
    std::size_t bytes = 0;
};

// Where the server keeps packages, messages and users. Used by one thread at a time (the
// server's storage thread), inside begin()/commit() transactions; only cached_stamp may be
// called from other threads.
class Store {
public:
    static constexpr std::size_t kMaxSites = 1000;

    virtual ~Store() = default;

    virtual void begin() = 0;
    // Makes everything since begin() durable; throws StoreError when that fails.
    virtual void commit() = 0;
    virtual void rollback() = 0;

    virtual std::optional<PackageStamp> stamp(const std::string& url) = 0;
    virtual std::optional<std::string> package(const std::string& url) = 0;
    // Replaces the site's package; the one replaced is kept as a version, and only the newest
    // kept_versions versions of a site remain.
    virtual void put_package(const std::string& url, memo::Time64 time, bool deleted, const std::string& bytes) = 0;
    void set_kept_versions(std::size_t count) { kept_versions_ = count; }
    // The site's versions, newest first.
    virtual std::vector<PackageVersion> versions(const std::string& url) = 0;
    virtual std::optional<std::string> version_bytes(const std::string& url, std::int64_t number) = 0;
    // Live packages (no deletion records) whose time lies in [from, to), newest first.
    virtual std::vector<SiteEntry> sites_between(memo::Time64 from, memo::Time64 to) = 0;
    // Live packages whose URL contains the text, newest first.
    virtual std::vector<SiteEntry> sites_matching(const std::string& text) = 0;

    virtual void add_message(const StoredMessage& message, memo::Time64 now) = 0;
    // The oldest messages waiting for the user that no other poll holds, at most count, oldest
    // first, with their ids. They stay held until hold_until unless dropped or released first,
    // so that a message leaves the store only once a reply carrying it was written.
    virtual std::vector<StoredMessage> claim_messages(const std::string& user, memo::Time64 now,
                                                      memo::Time64 hold_until, std::size_t count) = 0;
    // Removes delivered messages.
    virtual void drop_messages(const std::vector<std::int64_t>& ids) = 0;
    // Makes held messages available to the next poll again.
    virtual void release_messages(const std::vector<std::int64_t>& ids) = 0;
    virtual void touch_user(const std::string& name, memo::Time64 now) = 0;
    // Users seen at or after the time, by name.
    virtual std::vector<std::string> users_since(memo::Time64 since) = 0;

    // Drops deletion records, undelivered messages and users older than the time.
    virtual void expire(memo::Time64 before) = 0;

    // A back end that owns its data alone answers site checks from memory, on any thread.
    // False when it cannot; the check then runs on the storage thread.
    virtual bool cached_stamp(const std::string& url, std::optional<PackageStamp>& out)
    {
        (void)url;
        (void)out;
        return false;
    }

protected:
    std::size_t kept_versions_ = 10;
};

// "sqlite:PATH" or "postgresql://..." (also "postgres://"). Throws StoreError.
std::unique_ptr<Store> open_store(const std::string& database_url);
std::unique_ptr<Store> open_sqlite_store(const std::string& path);
std::unique_ptr<Store> open_postgres_store(const std::string& connection_url);

} // namespace server
