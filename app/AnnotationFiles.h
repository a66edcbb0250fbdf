#pragma once

class QWidget;
class CTabBrowserWnd;

// The memo menu's exchange with other annotation tools: the memos of a page out to a W3C Web
// Annotation file, and such a file in as memos.
namespace annotation_files {

// Asks where to save, then writes the memos of the tab's page and its frames.
void export_page(QWidget* parent, CTabBrowserWnd& tab);
// Asks for a file, names what cannot be made a memo, then takes the memos as a memo file is
// taken (merge or replace where a page already has memos) and shows their first page.
void import_file(QWidget* parent);

} // namespace annotation_files
