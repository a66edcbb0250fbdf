#include "share/Downloader.h"

#include <cstdio>
#include <memory>

#include "rs2/DebugStream.h"
#include "rs2/FileStream.h"
#include "rs2/IOException.h"
#include "share/CurlLibrary.h"

namespace share {

namespace {

struct CurlHandle {
    const CurlLibrary* curl = CurlLibrary::get();
    CURL* handle = curl ? curl->easy_init() : nullptr;
    ~CurlHandle()
    {
        if (handle)
            curl->easy_cleanup(handle);
    }
};

} // namespace

// What one transfer keeps between libcurl's callbacks.
struct Downloader::Transfer {
    Downloader* owner = nullptr;
    const CurlLibrary* library = nullptr;
    CURL* curl = nullptr;
    long status = 0;
    std::int64_t length = 0;   // Content-Length, 0 when not sent
    std::int64_t received = 0;
    std::unique_ptr<rs2::FileStream> file; // writes part_path until the answer is whole
    std::string part_path;
    bool file_failed = false;  // the local file could not be created or written
    bool complete = false;     // the announced length has arrived
    bool cancelled = false;
    bool too_large = false;

    // Called when the first bytes of a 200 answer arrive (or a 200 answer ends empty).
    bool open_file()
    {
        if (file)
            return true;
        curl_off_t announced = -1;
        library->easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        length = announced > 0 ? announced : 0;
        if (length > owner->max_bytes_) {
            too_large = true;
            return false;
        }
        try {
            file = std::make_unique<rs2::FileStream>(part_path, rs2::FileStream::open_write | 2);
        } catch (const rs2::IOException&) {
            file_failed = true;
            return false;
        }
        return true;
    }

    static std::size_t on_data(char* data, std::size_t size, std::size_t count, void* transfer);
    static int on_progress(void* transfer, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
};

Downloader::Downloader(const std::string& url, const std::string& local_path)
{
    set_target(url, local_path);
}

Downloader::~Downloader()
{
    cancel_ = true;
    while (is_running())
        wait(1.0);
}

void Downloader::set_target(const std::string& url, const std::string& local_path)
{
    url_ = url;
    local_path_ = local_path;
    progress_ = 0;
}

void Downloader::cancel_and_wait()
{
    if (!is_running())
        return;
    cancel_ = true;
    wait(5.0);
}

std::string Downloader::local_cache_path(const std::string& folder, const std::string& url)
{
    if (url.empty())
        return {};
    std::string name;
    for (char c : url)
        if (std::string_view("\\/:?*<>|").find(c) == std::string_view::npos)
            name.push_back(c);
    return folder + "/" + name;
}

std::size_t Downloader::Transfer::on_data(char* data, std::size_t size, std::size_t count, void* opaque)
{
    auto& transfer = *static_cast<Transfer*>(opaque);
    Downloader& self = *transfer.owner;
    const std::size_t n = size * count;
    if (self.cancel_ || self.stop_requested()) {
        transfer.cancelled = true;
        return 0;
    }
    if (!transfer.file) {
        transfer.library->easy_getinfo(transfer.curl, CURLINFO_RESPONSE_CODE, &transfer.status);
        // The body of an error answer is not wanted: stop at its first bytes.
        if (transfer.status != 200 || !transfer.open_file())
            return 0;
    }
    if (transfer.received + std::int64_t(n) > self.max_bytes_) {
        transfer.too_large = true;
        return 0;
    }
    // libcurl hands over blocks of its own size; the file sees them in pieces of at most
    // one read block, as a reader loop would deliver them.
    for (std::size_t done = 0; done < n;) {
        const std::size_t piece = std::min(kBlockSize, n - done);
        try {
            transfer.file->write(data + done, piece);
        } catch (const rs2::IOException&) {
            transfer.file_failed = true;
            return 0;
        }
        done += piece;
        if (transfer.length > 0 && transfer.received + std::int64_t(piece) >= transfer.length) {
            transfer.received += std::int64_t(piece);
            self.progress_ = 100;
            transfer.complete = true;
            continue;
        }
        transfer.received += std::int64_t(piece);
        if (transfer.length > 0)
            self.progress_ = int(double(transfer.received) * 100.0 / double(transfer.length));
    }
    return n;
}

int Downloader::Transfer::on_progress(void* opaque, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto& transfer = *static_cast<Transfer*>(opaque);
    // A retired downloader (rs2::retire) stops like a cancelled one.
    if (transfer.owner->cancel_ || transfer.owner->stop_requested()) {
        transfer.cancelled = true;
        return 1;
    }
    return 0;
}

int Downloader::run()
{
    progress_ = 0;
    cancel_ = false;
    exit_code_ = -1;

    auto fail = [this](int code) {
        if (listener_)
            listener_->download_failed();
        exit_code_ = code;
        return code;
    };

    if (network_.offline)
        return fail(1);
    CurlHandle curl;
    if (!curl.handle)
        return fail(1);
    Transfer transfer;
    transfer.part_path = local_path_ + ".part";
    transfer.owner = this;
    transfer.library = curl.curl;
    transfer.curl = curl.handle;
    char error_text[CURL_ERROR_SIZE] = {};
    curl.curl->easy_setopt(curl.handle, CURLOPT_URL, url_.c_str());
    curl.curl->easy_setopt(curl.handle, CURLOPT_USERAGENT, agent_.c_str());
    curl.curl->easy_setopt(curl.handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl.curl->easy_setopt(curl.handle, CURLOPT_MAXREDIRS, 10L);
    curl.curl->easy_setopt(curl.handle, CURLOPT_NOSIGNAL, 1L);
    curl.curl->easy_setopt(curl.handle, CURLOPT_CONNECTTIMEOUT, 30L);
    // A stalled transfer is given up after 60 seconds without a byte.
    curl.curl->easy_setopt(curl.handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl.curl->easy_setopt(curl.handle, CURLOPT_LOW_SPEED_TIME, 60L);
    curl.curl->easy_setopt(curl.handle, CURLOPT_ERRORBUFFER, error_text);
    curl.curl->easy_setopt(curl.handle, CURLOPT_WRITEFUNCTION, &Transfer::on_data);
    curl.curl->easy_setopt(curl.handle, CURLOPT_WRITEDATA, &transfer);
    curl.curl->easy_setopt(curl.handle, CURLOPT_NOPROGRESS, 0L);
    curl.curl->easy_setopt(curl.handle, CURLOPT_XFERINFOFUNCTION, &Transfer::on_progress);
    curl.curl->easy_setopt(curl.handle, CURLOPT_XFERINFODATA, &transfer);
    curl.curl->easy_setopt(curl.handle, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(max_bytes_));
    if (network_.proxy == DownloadNetwork::Proxy::none) {
        curl.curl->easy_setopt(curl.handle, CURLOPT_PROXY, "");
    } else if (network_.proxy == DownloadNetwork::Proxy::http) {
        curl.curl->easy_setopt(curl.handle, CURLOPT_PROXY, network_.proxy_address.c_str());
        curl.curl->easy_setopt(curl.handle, CURLOPT_PROXYTYPE, long(CURLPROXY_HTTP));
        if (!network_.proxy_user.empty() || !network_.proxy_password.empty()) {
            curl.curl->easy_setopt(curl.handle, CURLOPT_PROXYUSERNAME, network_.proxy_user.c_str());
            curl.curl->easy_setopt(curl.handle, CURLOPT_PROXYPASSWORD, network_.proxy_password.c_str());
        }
    }

    const CURLcode result = curl.curl->easy_perform(curl.handle);
    if (!transfer.file)
        curl.curl->easy_getinfo(curl.handle, CURLINFO_RESPONSE_CODE, &transfer.status);

    if (!transfer.file && !transfer.cancelled) {
        if (transfer.status == 0) // no answer at all: the URL could not be opened
            return fail(1);
        if (transfer.status == 404)
            rs2::trace() << "File Not Find\n";
        else if (transfer.status != 200)
            rs2::trace() << "Unknown error\n";
        // A 200 answer without a body still gives an (empty) file.
        const bool ended = result == CURLE_OK || result == CURLE_PARTIAL_FILE;
        if (transfer.status != 200 || !ended || !transfer.open_file())
            return fail(1);
    }
    // A stream that ends before its announced length is cut short, not whole.
    const bool broken = result != CURLE_OK && !transfer.cancelled;
    if (broken && !transfer.file_failed) {
        char line[CURL_ERROR_SIZE + 64];
        std::snprintf(line, sizeof line, "例外が発生しました。\r\nエラー: %d\r\n%s", int(result),
                      error_text[0] ? error_text : curl.curl->easy_strerror(result));
        rs2::trace() << line << "\n";
    }
    transfer.file.reset();
    // A partial file would pass for a complete one later: only a whole answer takes the name.
    if (broken || transfer.cancelled || transfer.too_large ||
        std::rename(transfer.part_path.c_str(), local_path_.c_str()) != 0) {
        std::remove(transfer.part_path.c_str());
        return fail(1);
    }
    progress_ = 100;
    if (listener_)
        listener_->download_done(local_path_);
    exit_code_ = 0;
    return 0;
}

} // namespace share
