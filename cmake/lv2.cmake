# The LV2 bundle (native builds): the plug-in module, the program that writes
# its Turtle from the effects' tables, and the bundle folder
# <build>/lv2/orlofx.lv2 that `make dist` copies. Needs lv2-dev and
# liblilv-dev (scripts/install-deps.sh native installs them).
pkg_check_modules(LV2 IMPORTED_TARGET lv2)
pkg_check_modules(LILV IMPORTED_TARGET lilv-0)
if(NOT LV2_FOUND OR NOT LILV_FOUND)
  message(STATUS "LV2: lv2 or lilv-0 not found; the LV2 bundle and its tests are left out "
                 "(scripts/install-deps.sh native installs them)")
  if(BUILD_TESTING)
    add_test(NAME lv2.missing COMMAND sh -c "echo 'skipped: lv2-dev and liblilv-dev are not installed'; exit 77")
    set_tests_properties(lv2.missing PROPERTIES SKIP_RETURN_CODE 77)
  endif()
  return()
endif()

# The module takes the core in: build it position-independent.
set_target_properties(orlofx_core orlofx_platform_native orlofx_effect_list
  PROPERTIES POSITION_INDEPENDENT_CODE ON)

# What the plug-in and the Turtle writer share.
add_library(orlofx_lv2_common STATIC lv2/lv2_plugins.cpp)
target_link_libraries(orlofx_lv2_common PUBLIC orlofx_effect_list orlofx_platform_native)
target_compile_options(orlofx_lv2_common PRIVATE ${ORLOFX_WARNINGS})
set_target_properties(orlofx_lv2_common PROPERTIES POSITION_INDEPENDENT_CODE ON)

set(ORLOFX_LV2_BUNDLE ${CMAKE_BINARY_DIR}/lv2/orlofx.lv2)
add_library(orlofx_lv2 MODULE lv2/orlofx_lv2.cpp)
target_link_libraries(orlofx_lv2 PRIVATE orlofx_lv2_common PkgConfig::LV2)
target_compile_options(orlofx_lv2 PRIVATE ${ORLOFX_WARNINGS})
# Only lv2_descriptor leaves the module; the core inside stays private.
set_target_properties(orlofx_lv2 PROPERTIES PREFIX "" OUTPUT_NAME orlofx
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
  LIBRARY_OUTPUT_DIRECTORY ${ORLOFX_LV2_BUNDLE})
file(WRITE ${CMAKE_BINARY_DIR}/orlofx_lv2_exports.map "{ global: lv2_descriptor; local: *; };\n")
target_link_options(orlofx_lv2 PRIVATE -Wl,--exclude-libs,ALL
  -Wl,--version-script=${CMAKE_BINARY_DIR}/orlofx_lv2_exports.map)
if(NOT ORLOFX_SANITIZE)
  target_link_options(orlofx_lv2 PRIVATE -Wl,-z,defs)
endif()

add_executable(orlofx_make_ttl lv2/make_ttl.cpp cli/value_names.cpp)
target_link_libraries(orlofx_make_ttl PRIVATE orlofx_lv2_common)
target_compile_options(orlofx_make_ttl PRIVATE ${ORLOFX_WARNINGS})

add_custom_command(OUTPUT ${ORLOFX_LV2_BUNDLE}/manifest.ttl ${ORLOFX_LV2_BUNDLE}/orlofx.ttl
                          ${ORLOFX_LV2_BUNDLE}/presets.ttl
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ORLOFX_LV2_BUNDLE}
  COMMAND orlofx_make_ttl ${ORLOFX_LV2_BUNDLE} $<TARGET_FILE_NAME:orlofx_lv2>
  DEPENDS orlofx_make_ttl
  COMMENT "Writing the LV2 bundle's Turtle")
add_custom_target(orlofx_lv2_bundle ALL DEPENDS ${ORLOFX_LV2_BUNDLE}/manifest.ttl orlofx_lv2)

# The bundle's tests: a lilv host, the LV2 tools and the tool side by side.
# Each skips, saying why, where an LV2 tool it runs is not installed.
if(BUILD_TESTING)
  # lv2apply is not built with ASan: under ASan its runtime has to come first.
  set(ORLOFX_LV2_APPLY lv2apply)
  if(ORLOFX_SANITIZE MATCHES address)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
      OUTPUT_VARIABLE ORLOFX_LIBASAN OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(ORLOFX_LV2_APPLY "LD_PRELOAD=${ORLOFX_LIBASAN} ASAN_OPTIONS=detect_leaks=0 lv2apply")
  endif()
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/lv2-test)
  add_executable(orlofx_lv2_tests tests/lv2/test_lv2.cpp)
  target_link_libraries(orlofx_lv2_tests PRIVATE PkgConfig::LILV PkgConfig::LV2 PkgConfig::SNDFILE
    GTest::gtest GTest::gtest_main)
  target_compile_options(orlofx_lv2_tests PRIVATE ${ORLOFX_WARNINGS})
  target_compile_definitions(orlofx_lv2_tests PRIVATE
    ORLOFX_CLI_PATH="$<TARGET_FILE:orlofx>"
    MAKE_TEST_WAV="$<TARGET_FILE:make_test_wav>"
    ORLOFX_LV2_APPLY="${ORLOFX_LV2_APPLY}"
    ORLOFX_LV2_DIR="${CMAKE_BINARY_DIR}/lv2"
    ORLOFX_LV2_WORK="${CMAKE_BINARY_DIR}/lv2-test")
  add_dependencies(orlofx_lv2_tests orlofx orlofx_lv2_bundle make_test_wav)
  gtest_discover_tests(orlofx_lv2_tests TEST_PREFIX lv2. DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8")
endif()
