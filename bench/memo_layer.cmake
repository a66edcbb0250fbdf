# Memo layer: frames of a page with memos while it scrolls, and a mouse move to its paint.
if(MARVO_GUI)
  marvo_bench(memo_layer LINKS marvo_memo_ui Qt6::Test)
  target_compile_definitions(bench_memo_layer PRIVATE MARVO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
