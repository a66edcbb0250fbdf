# Memo library: package bytes (core) and drawing through the Qt canvas.
marvo_bench(memo_package LINKS marvo_memo)
if(MARVO_GUI)
  marvo_bench(memo_draw LINKS marvo_memo_ui)
endif()
