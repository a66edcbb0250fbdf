# Memo store: listing the memo folder for the memo pane, and finding memos in it.
marvo_bench(memo_folder LINKS marvo_memo)
marvo_bench(memo_search LINKS marvo_memo)
