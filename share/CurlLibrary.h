#pragma once

#include <curl/curl.h>

namespace share {

// libcurl, loaded on first use. Linking it would load it and the dozen libraries it needs (TLS,
// LDAP, SSH, ...) before main() of every program that can download, which costs the browser
// several milliseconds of start-up for a transfer that may never happen.
struct CurlLibrary {
    decltype(&::curl_global_init) global_init = nullptr;
    decltype(&::curl_easy_init) easy_init = nullptr;
    decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&::curl_easy_setopt) easy_setopt = nullptr;
    decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&::curl_easy_perform) easy_perform = nullptr;
    decltype(&::curl_easy_strerror) easy_strerror = nullptr;

    // The library, loaded and globally initialised once (thread-safe); null when it cannot be
    // loaded, which fails every transfer.
    static const CurlLibrary* get();
};

} // namespace share
