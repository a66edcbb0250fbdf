# Readers of the memo store: the memo pane's partial package reader.
marvo_fuzz(package_summary LINKS marvo_memo)
