# Test registration shared by every layer's test executable.

set(ZENTROVA_MEDIA_DIR ${CMAKE_BINARY_DIR}/test-media)

# zentrova_add_test(NAME <name> COMMAND <cmd...> [LABELS l...] [X11] [MEDIA])
#   X11   runs the test under xvfb-run with a real X server (SDL windows, screenshots)
#   MEDIA makes the test depend on the generated test media
function(zentrova_add_test)
  cmake_parse_arguments(T "X11;MEDIA" "NAME" "COMMAND;LABELS" ${ARGN})
  set(cmd ${T_COMMAND})
  if(T_X11)
    set(cmd xvfb-run -a -s "-screen 0 1280x1024x24" ${cmd})
  endif()
  add_test(NAME ${T_NAME} COMMAND ${cmd})
  set(env
    QT_QPA_PLATFORM=offscreen
    SDL_AUDIODRIVER=dummy
    ZENTROVA_TEST_MEDIA=${ZENTROVA_MEDIA_DIR}
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)
  if(T_X11)
    list(TRANSFORM env REPLACE "^QT_QPA_PLATFORM=offscreen$" "QT_QPA_PLATFORM=xcb")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" LABELS "${T_LABELS}")
  if(T_MEDIA)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED test_media)
  endif()
endfunction()
