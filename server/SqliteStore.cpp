#include <ctime>
#include <filesystem>
#include <mutex>
#include <unordered_map>

#include <sqlite3.h>

#include "server/Store.h"

namespace server {

namespace {

// The schema, shared in substance with the PostgreSQL back end. Strings are Shift_JIS bytes
// and are kept as blobs so that nothing converts them.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS packages (
    url BLOB PRIMARY KEY,
    time INTEGER NOT NULL,
    deleted INTEGER NOT NULL,
    body BLOB NOT NULL
);
CREATE INDEX IF NOT EXISTS packages_by_time ON packages (deleted, time);
CREATE TABLE IF NOT EXISTS messages (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    recipient BLOB NOT NULL,
    sender BLOB NOT NULL,
    text BLOB NOT NULL,
    posted INTEGER NOT NULL,
    claimed INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS messages_by_recipient ON messages (recipient, id);
CREATE TABLE IF NOT EXISTS versions (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    url BLOB NOT NULL,
    time INTEGER NOT NULL,
    deleted INTEGER NOT NULL,
    body BLOB NOT NULL,
    replaced INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS versions_by_url ON versions (url, id);
CREATE TABLE IF NOT EXISTS users (
    name BLOB PRIMARY KEY,
    seen INTEGER NOT NULL
);
)sql";

class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK)
            throw StoreError(std::string("sqlite: ") + sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& reset()
    {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
        return *this;
    }
    Statement& bind(int index, const std::string& bytes)
    {
        sqlite3_bind_blob(statement_, index, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bind(int index, std::int64_t value)
    {
        sqlite3_bind_int64(statement_, index, value);
        return *this;
    }
    // True while a row is there.
    bool step()
    {
        const int result = sqlite3_step(statement_);
        if (result == SQLITE_ROW)
            return true;
        if (result == SQLITE_DONE)
            return false;
        throw StoreError(std::string("sqlite: ") + sqlite3_errmsg(db_));
    }
    void run()
    {
        while (step()) {
        }
    }
    std::string blob(int column)
    {
        const void* p = sqlite3_column_blob(statement_, column);
        const int n = sqlite3_column_bytes(statement_, column);
        return p ? std::string(static_cast<const char*>(p), std::size_t(n)) : std::string();
    }
    std::int64_t integer(int column) { return sqlite3_column_int64(statement_, column); }

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

class SqliteStore final : public Store {
public:
    explicit SqliteStore(const std::string& path)
    {
        std::error_code ignored;
        const auto folder = std::filesystem::path(path).parent_path();
        if (!folder.empty())
            std::filesystem::create_directories(folder, ignored);
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            throw StoreError("cannot open " + path + ": " + why);
        }
        try {
            // One process owns the file: the write-ahead log with a full sync makes every
            // acknowledged commit survive a crash, and the exclusive lock keeps a second
            // server (whose in-memory site index would go stale) away.
            exec("PRAGMA locking_mode=EXCLUSIVE");
            exec("PRAGMA journal_mode=WAL");
            exec("PRAGMA synchronous=FULL");
            exec("PRAGMA busy_timeout=0");
            exec(kSchema);
            add_claimed_column();
            // Taking the write lock now makes a second server fail at start, not later.
            exec("BEGIN IMMEDIATE");
            exec("COMMIT");
            prepare();
            load_index();
        } catch (...) {
            statements_ = {};
            sqlite3_close(db_);
            throw;
        }
    }

    ~SqliteStore() override
    {
        statements_ = {};
        sqlite3_close(db_);
    }

    void begin() override
    {
        exec("BEGIN");
        pending_.clear();
    }
    void commit() override
    {
        if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
            const std::string why = sqlite3_errmsg(db_);
            rollback();
            throw StoreError("sqlite: commit failed: " + why);
        }
        std::lock_guard hold(index_mutex_);
        for (auto& [url, stamp] : pending_) {
            if (stamp)
                index_[url] = *stamp;
            else
                index_.erase(url);
        }
        pending_.clear();
    }
    void rollback() override
    {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        pending_.clear();
    }

    std::optional<PackageStamp> stamp(const std::string& url) override
    {
        auto& s = statements_.stamp->reset().bind(1, url);
        if (!s.step())
            return std::nullopt;
        return PackageStamp{s.integer(0), s.integer(1) != 0};
    }
    std::optional<std::string> package(const std::string& url) override
    {
        auto& s = statements_.package->reset().bind(1, url);
        if (!s.step())
            return std::nullopt;
        return s.blob(0);
    }
    void put_package(const std::string& url, memo::Time64 time, bool deleted, const std::string& bytes) override
    {
        if (kept_versions_ > 0) {
            statements_.keep_version->reset().bind(1, url).bind(2, std::int64_t(std::time(nullptr))).run();
            statements_.prune_versions->reset().bind(1, url).bind(2, std::int64_t(kept_versions_)).run();
        }
        statements_.put->reset().bind(1, url).bind(2, time).bind(3, std::int64_t(deleted)).bind(4, bytes).run();
        pending_.emplace_back(url, PackageStamp{time, deleted});
    }
    std::vector<PackageVersion> versions(const std::string& url) override
    {
        Statement s(db_, "SELECT id, time, replaced, deleted, length(body) FROM versions WHERE url = ?1 "
                         "ORDER BY id DESC");
        s.bind(1, url);
        std::vector<PackageVersion> out;
        while (s.step())
            out.push_back({s.integer(0), s.integer(1), s.integer(2), s.integer(3) != 0, std::size_t(s.integer(4))});
        return out;
    }
    std::optional<std::string> version_bytes(const std::string& url, std::int64_t number) override
    {
        Statement s(db_, "SELECT body FROM versions WHERE url = ?1 AND id = ?2");
        s.bind(1, url).bind(2, number);
        if (!s.step())
            return std::nullopt;
        return s.blob(0);
    }
    std::vector<SiteEntry> sites_between(memo::Time64 from, memo::Time64 to) override
    {
        return sites(statements_.between->reset().bind(1, from).bind(2, to).bind(3, std::int64_t(kMaxSites)));
    }
    std::vector<SiteEntry> sites_matching(const std::string& text) override
    {
        return sites(statements_.matching->reset().bind(1, text).bind(2, std::int64_t(kMaxSites)));
    }
    void add_message(const StoredMessage& message, memo::Time64 now) override
    {
        statements_.add_message->reset()
            .bind(1, message.recipient)
            .bind(2, message.sender)
            .bind(3, message.text)
            .bind(4, now)
            .run();
    }
    std::vector<StoredMessage> claim_messages(const std::string& user, memo::Time64 now, memo::Time64 hold_until,
                                              std::size_t count) override
    {
        std::vector<StoredMessage> out;
        auto& s = statements_.messages->reset().bind(1, user).bind(2, now).bind(3, std::int64_t(count));
        while (s.step())
            out.push_back({s.blob(0), s.blob(1), s.blob(2), s.integer(3)});
        for (const auto& message : out)
            statements_.claim_message->reset().bind(1, message.id).bind(2, hold_until).run();
        return out;
    }
    void drop_messages(const std::vector<std::int64_t>& ids) override
    {
        for (const std::int64_t id : ids)
            statements_.drop_message->reset().bind(1, id).run();
    }
    void release_messages(const std::vector<std::int64_t>& ids) override
    {
        for (const std::int64_t id : ids)
            statements_.claim_message->reset().bind(1, id).bind(2, std::int64_t(0)).run();
    }
    void touch_user(const std::string& name, memo::Time64 now) override
    {
        statements_.touch->reset().bind(1, name).bind(2, now).run();
    }
    std::vector<std::string> users_since(memo::Time64 since) override
    {
        std::vector<std::string> out;
        auto& s = statements_.users->reset().bind(1, since);
        while (s.step())
            out.push_back(s.blob(0));
        return out;
    }
    void expire(memo::Time64 before) override
    {
        std::vector<std::string> gone;
        {
            auto& s = statements_.expired_records->reset().bind(1, before);
            while (s.step())
                gone.push_back(s.blob(0));
        }
        statements_.expire_records->reset().bind(1, before).run();
        statements_.expire_messages->reset().bind(1, before).run();
        statements_.expire_users->reset().bind(1, before).run();
        for (auto& url : gone)
            pending_.emplace_back(std::move(url), std::nullopt);
    }
    bool cached_stamp(const std::string& url, std::optional<PackageStamp>& out) override
    {
        std::lock_guard hold(index_mutex_);
        const auto found = index_.find(url);
        out = found == index_.end() ? std::nullopt : std::optional<PackageStamp>(found->second);
        return true;
    }

private:
    void exec(const char* sql)
    {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string why = message ? message : sqlite3_errmsg(db_);
            sqlite3_free(message);
            throw StoreError("sqlite: " + why);
        }
    }

    void prepare()
    {
        auto make = [this](const char* sql) { return std::make_unique<Statement>(db_, sql); };
        statements_.stamp = make("SELECT time, deleted FROM packages WHERE url = ?1");
        statements_.package = make("SELECT body FROM packages WHERE url = ?1");
        statements_.put = make("INSERT INTO packages (url, time, deleted, body) VALUES (?1, ?2, ?3, ?4) "
                               "ON CONFLICT (url) DO UPDATE SET time = ?2, deleted = ?3, body = ?4");
        statements_.keep_version = make("INSERT INTO versions (url, time, deleted, body, replaced) "
                                        "SELECT url, time, deleted, body, ?2 FROM packages WHERE url = ?1");
        statements_.prune_versions = make("DELETE FROM versions WHERE url = ?1 AND id NOT IN "
                                          "(SELECT id FROM versions WHERE url = ?1 ORDER BY id DESC LIMIT ?2)");
        statements_.between = make("SELECT url, time FROM packages WHERE deleted = 0 AND time >= ?1 AND time < ?2 "
                                   "ORDER BY time DESC, url LIMIT ?3");
        statements_.matching = make("SELECT url, time FROM packages WHERE deleted = 0 AND instr(url, ?1) > 0 "
                                    "ORDER BY time DESC, url LIMIT ?2");
        statements_.add_message =
            make("INSERT INTO messages (recipient, sender, text, posted) VALUES (?1, ?2, ?3, ?4)");
        statements_.messages = make("SELECT sender, recipient, text, id FROM messages WHERE recipient = ?1 "
                                    "AND claimed <= ?2 ORDER BY id LIMIT ?3");
        statements_.claim_message = make("UPDATE messages SET claimed = ?2 WHERE id = ?1");
        statements_.drop_message = make("DELETE FROM messages WHERE id = ?1");
        statements_.touch = make("INSERT INTO users (name, seen) VALUES (?1, ?2) "
                                 "ON CONFLICT (name) DO UPDATE SET seen = max(seen, ?2)");
        statements_.users = make("SELECT name FROM users WHERE seen >= ?1 ORDER BY name");
        statements_.expired_records = make("SELECT url FROM packages WHERE deleted = 1 AND time < ?1");
        statements_.expire_records = make("DELETE FROM packages WHERE deleted = 1 AND time < ?1");
        statements_.expire_messages = make("DELETE FROM messages WHERE posted < ?1");
        statements_.expire_users = make("DELETE FROM users WHERE seen < ?1");
    }

    // Databases made before messages were held for their reply lack the column.
    void add_claimed_column()
    {
        Statement column(db_, "SELECT COUNT(*) FROM pragma_table_info('messages') WHERE name = 'claimed'");
        if (column.step() && column.integer(0) == 0)
            exec("ALTER TABLE messages ADD COLUMN claimed INTEGER NOT NULL DEFAULT 0");
    }

    void load_index()
    {
        Statement all(db_, "SELECT url, time, deleted FROM packages");
        std::lock_guard hold(index_mutex_);
        while (all.step())
            index_[all.blob(0)] = PackageStamp{all.integer(1), all.integer(2) != 0};
    }

    std::vector<SiteEntry> sites(Statement& s)
    {
        std::vector<SiteEntry> out;
        while (s.step())
            out.push_back({s.blob(0), s.integer(1)});
        return out;
    }

    sqlite3* db_ = nullptr;
    struct {
        std::unique_ptr<Statement> stamp, package, put, keep_version, prune_versions, between, matching, add_message, messages, claim_message,
            drop_message, touch, users, expired_records, expire_records, expire_messages, expire_users;
    } statements_;
    // Site stamps for checks: changes are applied when their transaction commits.
    std::mutex index_mutex_;
    std::unordered_map<std::string, PackageStamp> index_;
    std::vector<std::pair<std::string, std::optional<PackageStamp>>> pending_;
};

} // namespace

std::unique_ptr<Store> open_sqlite_store(const std::string& path)
{
    return std::make_unique<SqliteStore>(path);
}

std::unique_ptr<Store> open_store(const std::string& database_url)
{
    if (database_url.rfind("sqlite:", 0) == 0)
        return open_sqlite_store(database_url.substr(7));
    if (database_url.rfind("postgresql://", 0) == 0 || database_url.rfind("postgres://", 0) == 0)
        return open_postgres_store(database_url);
    throw StoreError("unknown database URL (use sqlite:PATH or postgresql://...): " + database_url);
}

} // namespace server
