# kestrum_add_test(NAME name SOURCES a.cpp ... [LIBS lib ...] [GUI] [TIMEOUT s])
#
# Window tests (GUI, or linking the UI library) time out after 60 s at most;
# the others after 120 s unless they ask for more.
#
# Builds one Qt Test executable and registers it with CTest. Every test runs
# with HOME pointing at a fresh folder below the build tree and in a working
# folder of its own, so the catalogues and the undo/redo state files never
# touch the user's real home or the source tree.
#
# Tests that link only the core library and need no display carry the label
# "core" and build with the target kestrum_core_tests (the thread-sanitizer
# run builds and runs just those).
add_custom_target(kestrum_core_tests)
function(kestrum_add_test)
  cmake_parse_arguments(KT "GUI" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  # A window test that needs more than a minute is split: CI runs every
  # window test three times, and a hung one must fail quickly.
  set(window_test OFF)
  if(KT_GUI OR "kestrum_ui" IN_LIST KT_LIBS)
    set(window_test ON)
  endif()
  if(NOT KT_TIMEOUT)
    if(window_test)
      set(KT_TIMEOUT 60)
    else()
      set(KT_TIMEOUT 120)
    endif()
  endif()
  if(window_test AND KT_TIMEOUT GREATER 60)
    message(FATAL_ERROR "${KT_NAME}: window tests get at most 60 s (asked for ${KT_TIMEOUT})")
  endif()
  set(extra_sources)
  if(KESTRUM_SANITIZE MATCHES "address")
    list(APPEND extra_sources "${PROJECT_SOURCE_DIR}/tests/SanitizerSupport.cpp")
  endif()
  add_executable(${KT_NAME} ${KT_SOURCES} ${extra_sources})
  target_link_libraries(${KT_NAME} PRIVATE Qt5::Test ${KT_LIBS} ${CMAKE_DL_LIBS})
  # Shared test helpers are included from the tests/ root ("Core/TestOperations.h").
  target_include_directories(${KT_NAME} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
  target_compile_definitions(${KT_NAME} PRIVATE
    KESTRUM_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    KESTRUM_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set(home "${PROJECT_BINARY_DIR}/test-home/${KT_NAME}")
  set(work "${PROJECT_BINARY_DIR}/test-work/${KT_NAME}")
  file(MAKE_DIRECTORY "${home}" "${work}")
  add_test(NAME ${KT_NAME} COMMAND ${KT_NAME} WORKING_DIRECTORY "${work}")
  set(env "HOME=${home}")
  if(NOT KT_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  set_tests_properties(${KT_NAME} PROPERTIES TIMEOUT ${KT_TIMEOUT} ENVIRONMENT "${env}")
  if(KT_GUI)
    # GUI tests share one virtual display without a window manager: two at a
    # time would steal each other's window activation and keyboard focus.
    set_tests_properties(${KT_NAME} PROPERTIES RUN_SERIAL TRUE)
    if(KESTRUM_SANITIZE MATCHES "address")
      # The leak checker stops every thread to scan their stacks; at the exit
      # of a window test Mesa's and Xlib's threads are being torn down, and
      # its tracer then dies now and then (a fault inside the sanitizer, not
      # a leak). Window tests keep every memory-error check; leaks are
      # checked by the tests without windows, which run all of the model.
      set_property(TEST ${KT_NAME} APPEND PROPERTY ENVIRONMENT
        "ASAN_OPTIONS=detect_leaks=0:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=0")
    endif()
  endif()
  if(NOT window_test)
    set_tests_properties(${KT_NAME} PROPERTIES LABELS core)
    add_dependencies(kestrum_core_tests ${KT_NAME})
  endif()
endfunction()
