#include "share/CurlLibrary.h"

#include <dlfcn.h>

namespace share {

namespace {

template <typename Function>
bool resolve(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

const CurlLibrary* load()
{
    void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return nullptr;
    static CurlLibrary curl;
    if (!resolve(library, "curl_global_init", curl.global_init) || !resolve(library, "curl_easy_init", curl.easy_init) ||
        !resolve(library, "curl_easy_cleanup", curl.easy_cleanup) ||
        !resolve(library, "curl_easy_setopt", curl.easy_setopt) ||
        !resolve(library, "curl_easy_getinfo", curl.easy_getinfo) ||
        !resolve(library, "curl_easy_perform", curl.easy_perform) ||
        !resolve(library, "curl_easy_strerror", curl.easy_strerror))
        return nullptr;  // the library stays loaded: unloading TLS libraries is not safe
    if (curl.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return nullptr;
    return &curl;
}

} // namespace

const CurlLibrary* CurlLibrary::get()
{
    static const CurlLibrary* const library = load();
    return library;
}

} // namespace share
