# Memo store: listing the memo folder for the memo pane.
marvo_bench(memo_folder LINKS marvo_memo)
