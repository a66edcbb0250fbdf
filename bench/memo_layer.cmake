# Memo layer: frames of a page with memos while it scrolls, and a mouse move to its paint.
if(MARVO_GUI)
  marvo_bench(memo_layer LINKS marvo_memo_ui Qt6::Test)
  target_compile_definitions(bench_memo_layer PRIVATE MARVO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()

# The real browser on an X display: the UI thread's time per frame while a page with 1,000
# memos scrolls, beside the same page without. A gtest program for the fixture that starts the
# program; not a test (never registered with ctest).
if(MARVO_GUI)
  add_executable(bench_memo_layer_live memo_layer_live.cpp ${PROJECT_SOURCE_DIR}/tests/app/AppFixture.cpp)
  target_link_libraries(bench_memo_layer_live PRIVATE marvo_app marvo_server Qt6::Test GTest::gtest)
  target_include_directories(bench_memo_layer_live PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set_target_properties(bench_memo_layer_live PROPERTIES AUTOMOC ON)
  target_compile_definitions(bench_memo_layer_live PRIVATE MARVO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
      MARVO_SAMPLES_DIR="${PROJECT_SOURCE_DIR}/tests/samples" MARVO_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_dependencies(bench_memo_layer_live marvo)
endif()
