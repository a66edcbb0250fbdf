#pragma once

#include <string_view>

// How the program opens a document given on the command line, by a second instance, or
// dropped on a page.
enum class DocumentKind { WebAddress, MemoPackage, HtmlFile, InternetShortcut, Other };

// Classifies a target the way the open-document operation does: web addresses by their
// scheme, then files by their extension, compared exactly (".HTML" is not ".html").
DocumentKind classify_document(std::string_view target);
