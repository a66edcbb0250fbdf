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
    virtual void put_package(const std::string& url, memo::Time64 time, bool deleted, const std::string& bytes) = 0;
    // Live packages (no deletion records) whose time lies in [from, to), newest first.
    virtual std::vector<SiteEntry> sites_between(memo::Time64 from, memo::Time64 to) = 0;
    // Live packages whose URL contains the text, newest first.
    virtual std::vector<SiteEntry> sites_matching(const std::string& text) = 0;

    virtual void add_message(const StoredMessage& message, memo::Time64 now) = 0;
    // Removes and returns the messages waiting for the user, newest first.
    virtual std::vector<StoredMessage> take_messages(const std::string& user) = 0;
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
};

// "sqlite:PATH" or "postgresql://..." (also "postgres://"). Throws StoreError.
std::unique_ptr<Store> open_store(const std::string& database_url);
std::unique_ptr<Store> open_sqlite_store(const std::string& path);
std::unique_ptr<Store> open_postgres_store(const std::string& connection_url);

} // namespace server
