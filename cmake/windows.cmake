# Windows build (mingw-w64): the module DLL and the Windows test programs,
# which CTest runs under Wine in a private prefix inside the build tree.
enable_language(RC)

set(ORLOFX_WIN_ARCH win32)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(ORLOFX_WIN_ARCH win64)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
  ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix ${ORLOFX_WIN_ARCH})

# Everything links the C and C++ runtimes and winpthread statically, so that the
# module imports system DLLs only.
set(ORLOFX_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)
set(ORLOFX_SYSTEM_LIBS ole32 oleaut32 uuid strmiids user32 gdi32 advapi32 shell32
  comctl32 msvfw32 winmm)

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# Windows-side code shared by the module and the test programs.
file(GLOB_RECURSE ORLOFX_WIN_SOURCES CONFIGURE_DEPENDS
  support/win/*.cpp framework/win/*.cpp effects/*/win/*.cpp ui/*.cpp)
add_library(orlofx_win STATIC ${ORLOFX_WIN_SOURCES})
target_link_libraries(orlofx_win PUBLIC orlofx_core ${ORLOFX_SYSTEM_LIBS})
target_compile_options(orlofx_win PRIVATE ${ORLOFX_WARNINGS})
target_link_libraries(orlofx_core PUBLIC orlofx_win)

file(GLOB ORLOFX_MODULE_SOURCES CONFIGURE_DEPENDS module/*.cpp)
file(GLOB ORLOFX_RESOURCES CONFIGURE_DEPENDS resources/*.rc)
# Dialog layouts that the .rc files include once per language; the resource
# compiler's includes are not scanned for dependencies.
file(GLOB ORLOFX_DIALOG_LAYOUTS CONFIGURE_DEPENDS resources/*.dlg)
set_source_files_properties(${ORLOFX_RESOURCES} PROPERTIES OBJECT_DEPENDS "${ORLOFX_DIALOG_LAYOUTS}")
add_library(orlofx_dll SHARED ${ORLOFX_MODULE_SOURCES} ${ORLOFX_RESOURCES}
  ${CMAKE_SOURCE_DIR}/module/orlofx.def)
set_target_properties(orlofx_dll PROPERTIES OUTPUT_NAME orlofx PREFIX "")
target_link_libraries(orlofx_dll PRIVATE orlofx_win ${ORLOFX_STATIC_RUNTIME})
target_compile_options(orlofx_dll PRIVATE ${ORLOFX_WARNINGS})
target_link_options(orlofx_dll PRIVATE -Wl,--kill-at)
if(ORLOFX_WIN_ARCH STREQUAL win32)
  # The .def names the exports without stdcall decorations for both targets.
  target_link_options(orlofx_dll PRIVATE -Wl,--enable-stdcall-fixup)
endif()
target_include_directories(orlofx_dll PRIVATE ${CMAKE_SOURCE_DIR}/resources)

# The Windows test programs are built where Wine can run them. A kernel with
# IA-32 emulation switched off cannot start 32-bit programs at all; there the
# 32-bit preset builds the module (every product source, warnings as errors)
# and checks its imports, and leaves the test programs to machines that can
# run them.
set(ORLOFX_CAN_RUN_WIN_PROGRAMS ON)
if(ORLOFX_WIN_ARCH STREQUAL "win32")
  execute_process(COMMAND /lib/ld-linux.so.2 --version RESULT_VARIABLE ia32_rc
    OUTPUT_QUIET ERROR_QUIET)
  if(NOT ia32_rc EQUAL 0)
    set(ORLOFX_CAN_RUN_WIN_PROGRAMS OFF)
    message(STATUS "This machine cannot run 32-bit programs: Windows test programs not built")
  endif()
endif()
option(ORLOFX_WIN_TEST_PROGRAMS "Build the Windows test programs" ${ORLOFX_CAN_RUN_WIN_PROGRAMS})

if(BUILD_TESTING)
  # The module's import table names system DLLs only.
  add_test(NAME win.imports COMMAND ${CMAKE_SOURCE_DIR}/cmake/check-imports.sh
    ${CMAKE_OBJDUMP} $<TARGET_FILE:orlofx_dll>)
endif()

if(BUILD_TESTING AND ORLOFX_WIN_TEST_PROGRAMS)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

  # regsvr32 as a user runs it.
  add_test(NAME win.regsvr32 COMMAND ${CMAKE_SOURCE_DIR}/cmake/regsvr32-test.sh
    ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix ${ORLOFX_WIN_ARCH}
    $<TARGET_FILE:orlofx_dll>)
  set_tests_properties(win.regsvr32 PROPERTIES SKIP_RETURN_CODE 77 RESOURCE_LOCK registry)

  # Inputs and the native tool's outputs for the stream tests (needs the
  # native preset built first, as `make test` does).
  set(ORLOFX_NATIVE_BIN ${CMAKE_SOURCE_DIR}/build/native/bin CACHE PATH "native build's bin folder")
  add_test(NAME win.reference COMMAND ${CMAKE_SOURCE_DIR}/cmake/make-reference.sh
    ${ORLOFX_NATIVE_BIN} ${CMAKE_BINARY_DIR}/testdata)
  set_tests_properties(win.reference PROPERTIES FIXTURES_SETUP reference)

  # Helpers shared by the Windows test programs.
  file(GLOB ORLOFX_WIN_TEST_SUPPORT CONFIGURE_DEPENDS tests/win/support/*.cpp)
  add_library(orlofx_win_test_support STATIC ${ORLOFX_WIN_TEST_SUPPORT})
  target_link_libraries(orlofx_win_test_support PUBLIC orlofx_win gtest)
  target_include_directories(orlofx_win_test_support PUBLIC ${CMAKE_SOURCE_DIR})

  # A few programs, each one CTest test run under Wine, each running many
  # test files' cases: every Wine start costs seconds. name: test files.
  set(ORLOFX_WIN_TEST_PROGRAMS
    "graph:filters adapters automation frame_timing"
    "module:module baseclasses support"
    "controls:sliders static_logo envelope meter page_frame"
    "pages:pages"
    "languages:languages")
  file(GLOB ORLOFX_WIN_TEST_FILES CONFIGURE_DEPENDS tests/win/test_*.cpp)
  set(ORLOFX_WIN_TEST_FILES_GROUPED)
  foreach(program ${ORLOFX_WIN_TEST_PROGRAMS})
    string(REPLACE ":" ";" parts ${program})
    list(GET parts 0 short)
    list(GET parts 1 files)
    string(REPLACE " " ";" files ${files})
    set(name test_${short})
    set(sources)
    foreach(file ${files})
      list(APPEND sources ${CMAKE_SOURCE_DIR}/tests/win/test_${file}.cpp)
    endforeach()
    list(APPEND ORLOFX_WIN_TEST_FILES_GROUPED ${sources})
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE orlofx_win_test_support gtest_main ${ORLOFX_STATIC_RUNTIME})
    target_compile_options(${name} PRIVATE ${ORLOFX_WARNINGS})
    target_compile_definitions(${name} PRIVATE ORLOFX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    add_dependencies(${name} orlofx_dll)
    add_test(NAME win.${short} COMMAND ${name})
    set_tests_properties(win.${short} PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  endforeach()
  # A test file left out of every program would never run.
  list(REMOVE_ITEM ORLOFX_WIN_TEST_FILES ${ORLOFX_WIN_TEST_FILES_GROUPED})
  if(ORLOFX_WIN_TEST_FILES)
    message(FATAL_ERROR "Windows test files in no program: ${ORLOFX_WIN_TEST_FILES}")
  endif()
  set_tests_properties(win.module PROPERTIES RESOURCE_LOCK registry)
  set_tests_properties(win.languages PROPERTIES TIMEOUT 900)
  set_tests_properties(win.graph PROPERTIES FIXTURES_REQUIRED reference)
  # Opens all nine pages in four languages and captures each; once more at
  # 144 DPI, in a prefix of its own, for the pages and the dialogs' fit.
  add_test(NAME win.languages_144dpi COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh
    ${CMAKE_BINARY_DIR}/wineprefix-144dpi ${ORLOFX_WIN_ARCH} $<TARGET_FILE:test_languages>
    --gtest_filter=LanguageResources.EveryDialogFitsInEveryLanguage:Languages/EveryPage.*)
  set_tests_properties(win.languages_144dpi PROPERTIES TIMEOUT 900 SKIP_RETURN_CODE 77
    ENVIRONMENT ORLOFX_WINE_DPI=144 WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()
