#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>

#include <libpq-fe.h>

#include "server/Store.h"

namespace server {

namespace {

// The same tables as the SQLite back end. Several server processes may share one database,
// so nothing is cached: every check asks the database.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS packages (
    url BYTEA PRIMARY KEY,
    time BIGINT NOT NULL,
    deleted BOOLEAN NOT NULL,
    body BYTEA NOT NULL
);
CREATE INDEX IF NOT EXISTS packages_by_time ON packages (deleted, time);
CREATE TABLE IF NOT EXISTS messages (
    id BIGSERIAL PRIMARY KEY,
    recipient BYTEA NOT NULL,
    sender BYTEA NOT NULL,
    text BYTEA NOT NULL,
    posted BIGINT NOT NULL
);
ALTER TABLE messages ADD COLUMN IF NOT EXISTS claimed BIGINT NOT NULL DEFAULT 0;
CREATE INDEX IF NOT EXISTS messages_by_recipient ON messages (recipient, id);
CREATE TABLE IF NOT EXISTS versions (
    id BIGSERIAL PRIMARY KEY,
    url BYTEA NOT NULL,
    time BIGINT NOT NULL,
    deleted BOOLEAN NOT NULL,
    body BYTEA NOT NULL,
    replaced BIGINT NOT NULL
);
CREATE INDEX IF NOT EXISTS versions_by_url ON versions (url, id);
CREATE TABLE IF NOT EXISTS users (
    name BYTEA PRIMARY KEY,
    seen BIGINT NOT NULL
);
)sql";

std::int64_t big_endian64(const char* p)
{
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = v << 8 | std::uint8_t(p[i]);
    return std::int64_t(v);
}

std::string big_endian_bytes(std::int64_t value)
{
    std::string out(8, '\0');
    for (int i = 7; i >= 0; --i) {
        out[std::size_t(i)] = char(std::uint64_t(value) & 0xFF);
        value = std::int64_t(std::uint64_t(value) >> 8);
    }
    return out;
}

// A parameter in binary form: bytea as its bytes, bigint as 8 big-endian bytes.
struct Param {
    std::string bytes;
    static Param blob(const std::string& b) { return {b}; }
    static Param integer(std::int64_t v) { return {big_endian_bytes(v)}; }
    static Param boolean(bool v) { return {std::string(1, v ? '\1' : '\0')}; }
};

class Result {
public:
    explicit Result(PGresult* result) : result_(result) {}
    ~Result() { PQclear(result_); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    int rows() const { return PQntuples(result_); }
    std::string blob(int row, int column) const
    {
        return std::string(PQgetvalue(result_, row, column), std::size_t(PQgetlength(result_, row, column)));
    }
    std::int64_t integer(int row, int column) const { return big_endian64(PQgetvalue(result_, row, column)); }
    bool boolean(int row, int column) const { return PQgetvalue(result_, row, column)[0] != 0; }

private:
    PGresult* result_;
};

class PostgresStore final : public Store {
public:
    using Clock = std::chrono::steady_clock;
    // After the connection is lost, reconnecting is tried at the next transaction, then
    // after a pause that doubles up to the cap; until then transactions fail at once.
    static constexpr std::chrono::milliseconds kFirstPause{250};
    static constexpr std::chrono::milliseconds kMaxPause{10000};

    explicit PostgresStore(const std::string& url)
    {
        connection_ = PQconnectdb(url.c_str());
        if (!connection_ || PQstatus(connection_) != CONNECTION_OK) {
            const std::string why = connection_ ? PQerrorMessage(connection_) : "out of memory";
            PQfinish(connection_);
            throw StoreError("postgresql: cannot connect: " + why);
        }
        try {
            // Concurrent first starts may race on CREATE; the advisory lock orders them.
            exec("SET client_min_messages TO warning");
            exec("SELECT pg_advisory_lock(18707)");
            exec(kSchema);
            exec("SELECT pg_advisory_unlock(18707)");
        } catch (...) {
            PQfinish(connection_);
            throw;
        }
    }
    ~PostgresStore() override { PQfinish(connection_); }

    void begin() override
    {
        reconnect_if_lost();
        exec("BEGIN");
    }
    void commit() override { exec("COMMIT"); }
    void rollback() override { PQclear(PQexec(connection_, "ROLLBACK")); }

    std::optional<PackageStamp> stamp(const std::string& url) override
    {
        Result r = query("SELECT time, deleted FROM packages WHERE url = $1", {Param::blob(url)});
        if (r.rows() == 0)
            return std::nullopt;
        return PackageStamp{r.integer(0, 0), r.boolean(0, 1)};
    }
    std::optional<std::string> package(const std::string& url) override
    {
        Result r = query("SELECT body FROM packages WHERE url = $1", {Param::blob(url)});
        if (r.rows() == 0)
            return std::nullopt;
        return r.blob(0, 0);
    }
    void put_package(const std::string& url, memo::Time64 time, bool deleted, const std::string& bytes) override
    {
        if (kept_versions_ > 0) {
            query("INSERT INTO versions (url, time, deleted, body, replaced) "
                  "SELECT url, time, deleted, body, $2 FROM packages WHERE url = $1",
                  {Param::blob(url), Param::integer(std::int64_t(std::time(nullptr)))});
            query("DELETE FROM versions WHERE url = $1 AND id NOT IN "
                  "(SELECT id FROM versions WHERE url = $1 ORDER BY id DESC LIMIT $2)",
                  {Param::blob(url), Param::integer(std::int64_t(kept_versions_))});
        }
        query("INSERT INTO packages (url, time, deleted, body) VALUES ($1, $2, $3, $4) "
              "ON CONFLICT (url) DO UPDATE SET time = $2, deleted = $3, body = $4",
              {Param::blob(url), Param::integer(time), Param::boolean(deleted), Param::blob(bytes)});
    }
    std::vector<PackageVersion> versions(const std::string& url) override
    {
        Result r = query("SELECT id, time, replaced, deleted, length(body)::BIGINT FROM versions WHERE url = $1 "
                         "ORDER BY id DESC",
                         {Param::blob(url)});
        std::vector<PackageVersion> out;
        for (int i = 0; i < r.rows(); ++i)
            out.push_back({r.integer(i, 0), r.integer(i, 1), r.integer(i, 2), r.boolean(i, 3),
                           std::size_t(r.integer(i, 4))});
        return out;
    }
    std::optional<std::string> version_bytes(const std::string& url, std::int64_t number) override
    {
        Result r = query("SELECT body FROM versions WHERE url = $1 AND id = $2",
                         {Param::blob(url), Param::integer(number)});
        if (r.rows() == 0)
            return std::nullopt;
        return r.blob(0, 0);
    }
    std::vector<SiteEntry> sites_between(memo::Time64 from, memo::Time64 to) override
    {
        return sites(query("SELECT url, time FROM packages WHERE NOT deleted AND time >= $1 AND time < $2 "
                           "ORDER BY time DESC, url LIMIT $3",
                           {Param::integer(from), Param::integer(to), Param::integer(std::int64_t(kMaxSites))}));
    }
    std::vector<SiteEntry> sites_matching(const std::string& text) override
    {
        return sites(query("SELECT url, time FROM packages WHERE NOT deleted AND position($1 IN url) > 0 "
                           "ORDER BY time DESC, url LIMIT $2",
                           {Param::blob(text), Param::integer(std::int64_t(kMaxSites))}));
    }
    void add_message(const StoredMessage& message, memo::Time64 now) override
    {
        query("INSERT INTO messages (recipient, sender, text, posted) VALUES ($1, $2, $3, $4)",
              {Param::blob(message.recipient), Param::blob(message.sender), Param::blob(message.text),
               Param::integer(now)});
    }
    std::vector<StoredMessage> claim_messages(const std::string& user, memo::Time64 now, memo::Time64 hold_until,
                                              std::size_t count) override
    {
        // Rows another server's poll is claiming are skipped, not waited for: every message
        // goes to one poll at a time, also with several server processes.
        Result r = query("WITH taken AS (SELECT id FROM messages WHERE recipient = $1 AND claimed <= $2 "
                         "ORDER BY id LIMIT $4 FOR UPDATE SKIP LOCKED) "
                         "UPDATE messages SET claimed = $3 FROM taken WHERE messages.id = taken.id "
                         "RETURNING messages.sender, messages.recipient, messages.text, messages.id",
                         {Param::blob(user), Param::integer(now), Param::integer(hold_until),
                          Param::integer(std::int64_t(count))});
        std::vector<StoredMessage> out;
        for (int i = 0; i < r.rows(); ++i)
            out.push_back({r.blob(i, 0), r.blob(i, 1), r.blob(i, 2), r.integer(i, 3)});
        std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
        return out;
    }
    void drop_messages(const std::vector<std::int64_t>& ids) override
    {
        for (const std::int64_t id : ids)
            query("DELETE FROM messages WHERE id = $1", {Param::integer(id)});
    }
    void release_messages(const std::vector<std::int64_t>& ids) override
    {
        for (const std::int64_t id : ids)
            query("UPDATE messages SET claimed = 0 WHERE id = $1", {Param::integer(id)});
    }
    void touch_user(const std::string& name, memo::Time64 now) override
    {
        query("INSERT INTO users (name, seen) VALUES ($1, $2) "
              "ON CONFLICT (name) DO UPDATE SET seen = GREATEST(users.seen, $2)",
              {Param::blob(name), Param::integer(now)});
    }
    std::vector<std::string> users_since(memo::Time64 since) override
    {
        Result r = query("SELECT name FROM users WHERE seen >= $1 ORDER BY name", {Param::integer(since)});
        std::vector<std::string> out;
        for (int i = 0; i < r.rows(); ++i)
            out.push_back(r.blob(i, 0));
        return out;
    }
    void expire(memo::Time64 before) override
    {
        const std::vector<Param> limit{Param::integer(before)};
        query("DELETE FROM packages WHERE deleted AND time < $1", limit);
        query("DELETE FROM messages WHERE posted < $1", limit);
        query("DELETE FROM users WHERE seen < $1", limit);
    }

private:
    // A restarted database drops every connection: the server keeps running and reconnects,
    // pausing between attempts so that a database that stays away is not hammered.
    void reconnect_if_lost()
    {
        if (PQstatus(connection_) == CONNECTION_OK)
            return;
        const auto now = Clock::now();
        if (now < next_attempt_)
            throw StoreError("postgresql: connection lost; next attempt to reconnect in " +
                             std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(next_attempt_ - now).count()) +
                             " ms");
        PQreset(connection_);
        if (PQstatus(connection_) != CONNECTION_OK) {
            pause_ = std::clamp(pause_ * 2, kFirstPause, kMaxPause);
            next_attempt_ = Clock::now() + pause_;
            throw StoreError(std::string("postgresql: cannot reconnect: ") + PQerrorMessage(connection_));
        }
        pause_ = {};
        exec("SET client_min_messages TO warning");
    }

    void exec(const char* sql)
    {
        PGresult* result = PQexec(connection_, sql);
        const auto status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const std::string why = PQresultErrorMessage(result);
            PQclear(result);
            throw StoreError("postgresql: " + why);
        }
        PQclear(result);
    }

    Result query(const char* sql, const std::vector<Param>& params)
    {
        std::vector<const char*> values;
        std::vector<int> lengths;
        std::vector<int> formats;
        for (const auto& p : params) {
            values.push_back(p.bytes.data());
            lengths.push_back(int(p.bytes.size()));
            formats.push_back(1);
        }
        PGresult* result = PQexecParams(connection_, sql, int(params.size()), nullptr, values.data(),
                                        lengths.data(), formats.data(), 1);
        const auto status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            const std::string why = PQresultErrorMessage(result);
            PQclear(result);
            throw StoreError("postgresql: " + why);
        }
        return Result(result);
    }

    static std::vector<SiteEntry> sites(const Result& r)
    {
        std::vector<SiteEntry> out;
        for (int i = 0; i < r.rows(); ++i)
            out.push_back({r.blob(i, 0), r.integer(i, 1)});
        return out;
    }

    PGconn* connection_ = nullptr;
    std::chrono::milliseconds pause_{0};
    Clock::time_point next_attempt_;
};

} // namespace

std::unique_ptr<Store> open_postgres_store(const std::string& connection_url)
{
    return std::make_unique<PostgresStore>(connection_url);
}

} // namespace server
