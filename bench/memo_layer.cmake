# Memo layer: frames of a page with memos while it scrolls, and a mouse move to its paint.
if(MARVO_GUI)
  marvo_bench(memo_layer LINKS marvo_memo_ui Qt6::Test)
endif()
