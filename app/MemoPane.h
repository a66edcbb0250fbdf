#pragma once

class QWidget;
class CMemoBarDlg;

// The memo pane of the explorer bar, wired to the browser: "移動" shows the site in the
// active tab in browse mode, "開く" in a new tab.
CMemoBarDlg* create_memo_pane(QWidget* parent);

// "検索" of the memo pane: asks the server through the search dialog and lists its answer.
void search_server_memos(CMemoBarDlg& pane);
