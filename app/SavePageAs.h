#pragma once

#include <QString>

class CTabBrowserWnd;

// Save As: the page as a complete web page (the document and a folder of its resources),
// a single file (MHTML), the document alone, or its text.
namespace save_page_as {

enum class Format { CompletePage, SingleFile, HtmlOnly, Text };

// The format a file name asks for when no filter was chosen: ".mht"/".mhtml" a single file,
// ".txt" text, anything else the complete page.
Format format_for(const QString& path);

// Asks for the file (page_output::save_dialog replaces the dialog in tests) and saves.
void run(CTabBrowserWnd& tab);
// Saves without asking. The engine's formats arrive as a download of the download manager;
// text is written here, beside and renamed; a failure to write it is told in a message box.
void save(CTabBrowserWnd& tab, const QString& path, Format format);

} // namespace save_page_as
