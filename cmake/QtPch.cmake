# One precompiled header of the common Qt includes, reused by every Qt target so that the
# heavy Qt headers are parsed once per build.
add_library(marvo_qt_pch STATIC ${CMAKE_SOURCE_DIR}/cmake/qt_pch.cpp)
target_link_libraries(marvo_qt_pch PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets)
target_precompile_headers(marvo_qt_pch PUBLIC
    <QtCore/QtCore> <QtGui/QtGui> <QtWidgets/QtWidgets>)

function(marvo_use_qt_pch target)
  target_precompile_headers(${target} REUSE_FROM marvo_qt_pch)
endfunction()
