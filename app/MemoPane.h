#pragma once

#include <string>

#include "memo/MemoTypes.h"

class QWidget;
class CMemoBarDlg;

// The memo pane of the explorer bar, wired to the browser: "移動" shows the site in the
// active tab in browse mode, "開く" in a new tab.
CMemoBarDlg* create_memo_pane(QWidget* parent);

// "検索" of the memo pane: asks the server through the search dialog and lists its answer.
void search_server_memos(CMemoBarDlg& pane);

// A memo found by the memo pane's search: its page in the active tab (a new tab when there is
// none), scrolled to the memo, which is selected.
void show_found_memo(const std::string& url, const memo::Guid& id);
