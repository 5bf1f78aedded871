# Test registration shared by every layer's test executable.

set(ZENTROVA_MEDIA_DIR ${CMAKE_BINARY_DIR}/test-media)

# zentrova_add_test(NAME <name> COMMAND <cmd...> [LABELS l...] [X11] [MEDIA] [PROGRAM_FOLDER])
#   X11            runs the test under xvfb-run with a real X server (SDL windows, screenshots)
#   MEDIA          makes the test depend on the generated test media
#   PROGRAM_FOLDER the test starts a program from the build's bin/ folder, so it shares the
#                  output folder remembered there with every other such test
# Every test runs through run-test.sh: a program that skipped tests (GTEST_SKIP) is reported as
# skipped, and fails under CI. Each test has a folder of its own in the build tree,
# test-scratch/<name>, for its scratch folders (files/), temporary files (tmp/, TMPDIR), HOME and
# XDG_RUNTIME_DIR, so tests run in parallel (ctest -j) and write nothing outside the build tree.
function(zentrova_add_test)
  cmake_parse_arguments(T "X11;MEDIA;PROGRAM_FOLDER" "NAME" "COMMAND;LABELS" ${ARGN})
  set(cmd ${T_COMMAND})
  # The command starts with run-test.sh, so a target name in first place is no longer resolved.
  list(GET cmd 0 program)
  if(TARGET ${program})
    list(POP_FRONT cmd)
    list(PREPEND cmd $<TARGET_FILE:${program}>)
  endif()
  if(T_X11)
    # -noreset: a test that closes the last connection would otherwise reset the server, and the
    # next test's connection could be refused while it does.
    set(cmd xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ${cmd})
  endif()
  if(ZENTROVA_SANITIZE_THREAD)
    # ThreadSanitizer's shadow memory needs the address layout unrandomised on kernels that
    # randomise more of it than it expects.
    set(cmd setarch ${CMAKE_HOST_SYSTEM_PROCESSOR} -R ${cmd})
  endif()
  set(scratch ${CMAKE_BINARY_DIR}/test-scratch/${T_NAME})
  add_test(NAME ${T_NAME} COMMAND bash ${PROJECT_SOURCE_DIR}/tests/support/run-test.sh ${scratch} ${cmd})
  set(env
    QT_QPA_PLATFORM=offscreen
    SDL_AUDIODRIVER=dummy
    ZENTROVA_TEST_MEDIA=${ZENTROVA_MEDIA_DIR}
    ZENTROVA_TEST_SCRATCH=${scratch}/files
    TMPDIR=${scratch}/tmp
    HOME=${scratch}/home
    XDG_RUNTIME_DIR=${scratch}/runtime
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    TSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/tsan.supp:halt_on_error=1:second_deadlock_stack=1)
  if(T_X11)
    list(TRANSFORM env REPLACE "^QT_QPA_PLATFORM=offscreen$" "QT_QPA_PLATFORM=xcb")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" LABELS "${T_LABELS}" SKIP_RETURN_CODE 77)
  if(T_MEDIA)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED test_media)
  endif()
  set(locks)
  if(T_X11)
    # One X server at a time: two xvfb-run -a starting together can pick the same display.
    list(APPEND locks x_server)
  endif()
  if(T_PROGRAM_FOLDER)
    list(APPEND locks program_folder)
  endif()
  if(locks)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK "${locks}")
  endif()
endfunction()
