#include "app/DocumentRules.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

// The extension of the last path component, with its dot; empty when there is none.
std::string_view extension_of(std::string_view path)
{
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return path.substr(dot);
}

std::string upper(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::toupper(c); });
    return out;
}

} // namespace

DocumentKind classify_document(std::string_view target)
{
    for (std::string_view scheme : {"http:", "https:", "ftp:", "file:"})
        if (target.substr(0, scheme.size()) == scheme)
            return DocumentKind::WebAddress;
    const std::string_view extension = extension_of(target);
    if (extension == ".ame")
        return DocumentKind::MemoPackage;
    if (extension == ".html" || extension == ".htm")
        return DocumentKind::HtmlFile;
    if (extension == ".url")
        return DocumentKind::InternetShortcut;
    return DocumentKind::Other;
}

bool is_dropped_picture(std::string_view path)
{
    const std::string extension = upper(extension_of(path));
    for (const char* picture : {".JPG", ".JPEG", ".PNG", ".BMP", ".PPM", ".TGA"})
        if (extension == picture)
            return true;
    return false;
}

bool is_dropped_html(std::string_view path)
{
    const std::string extension = upper(extension_of(path));
    return extension == ".HTML" || extension == ".HTM";
}
