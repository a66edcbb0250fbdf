#include "platform/Folders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

#ifndef MARVO_RES_DIR
#define MARVO_RES_DIR ""
#endif

namespace platform {

namespace fs = std::filesystem;

namespace {

fs::path home_folder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return fs::temp_directory_path();
}

} // namespace

fs::path data_folder_from_environment()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    // A relative XDG_DATA_HOME is invalid and must be ignored.
    const fs::path base = xdg && *xdg && fs::path(xdg).is_absolute() ? fs::path(xdg)
                                                                      : home_folder() / ".local" / "share";
    return base / "Marvo";
}

fs::path executable_folder()
{
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : self.parent_path();
}

Folders Folders::from_environment()
{
    Folders folders;
    folders.data = data_folder_from_environment();
    folders.temp = folders.data / "TEMP";
    folders.favorites = folders.data / "Favorites";
    folders.module = executable_folder();
    fs::create_directories(folders.data);
    fs::create_directories(folders.temp);
    return folders;
}

std::optional<fs::path> find_support_file(const fs::path& relative)
{
    // Installed, the programs live in <prefix>/bin and their files in <prefix>/share/marvo,
    // whatever the prefix.
    const fs::path installed = executable_folder().parent_path() / "share" / "marvo";
    const fs::path candidates[] = {executable_folder() / relative, installed / relative,
                                   fs::path(MARVO_RES_DIR) / relative};
    for (const fs::path& candidate : candidates) {
        std::error_code error;
        if (!candidate.empty() && candidate.is_absolute() && fs::exists(candidate, error))
            return candidate;
    }
    return std::nullopt;
}

void empty_folder(const fs::path& folder)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        fs::remove_all(entry.path(), error);
}

} // namespace platform
