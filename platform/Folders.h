#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// Where Marvo keeps and finds its files. Paths are native (UTF-8) file-system paths.
struct Folders {
    std::filesystem::path data;       // $XDG_DATA_HOME/Marvo, default ~/.local/share/Marvo
    std::filesystem::path temp;       // data + "/TEMP", emptied at exit
    std::filesystem::path favorites;  // data + "/Favorites" (links in its "Links" subfolder)
    std::filesystem::path module;     // folder of the running executable

    // Derives the folders from the environment and creates data and temp when missing.
    // Throws std::filesystem::filesystem_error when they cannot be created.
    static Folders from_environment();
};

// The user's data folder without creating it.
std::filesystem::path data_folder_from_environment();

// Folder of the running executable.
std::filesystem::path executable_folder();

// A read-only support file (stamps, print pages): beside the executable first, then in the
// installed share/marvo folder, then in the source tree's res/ folder for uninstalled builds.
std::optional<std::filesystem::path> find_support_file(const std::filesystem::path& relative);

// Removes everything inside a folder but keeps the folder.
void empty_folder(const std::filesystem::path& folder);

} // namespace platform
