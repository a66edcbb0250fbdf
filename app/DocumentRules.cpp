#include "app/DocumentRules.h"

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
