# Native build: platform services from the standard library, the command-line
# tool and the unit tests.
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
# The tool's loudness report (EBU R128).
pkg_check_modules(EBUR128 REQUIRED IMPORTED_TARGET libebur128)

file(GLOB ORLOFX_NATIVE_SOURCES CONFIGURE_DEPENDS support/native/*.cpp)
add_library(orlofx_platform_native STATIC ${ORLOFX_NATIVE_SOURCES})
target_link_libraries(orlofx_platform_native PUBLIC orlofx_core Threads::Threads)
target_compile_options(orlofx_platform_native PRIVATE ${ORLOFX_WARNINGS})
# The core calls the platform services; the two static libraries refer to each
# other, which CMake resolves by repeating them on the link line.
target_link_libraries(orlofx_core PUBLIC orlofx_platform_native)

# The tool's list of effects, a library of its own so that the tests, the
# benchmarks and the fuzz targets walk the same list as the tool.
add_library(orlofx_effect_list STATIC cli/effect_registry.cpp)
target_link_libraries(orlofx_effect_list PUBLIC orlofx_platform_native)
target_compile_options(orlofx_effect_list PRIVATE ${ORLOFX_WARNINGS})

file(GLOB ORLOFX_CLI_SOURCES CONFIGURE_DEPENDS cli/*.cpp)
list(REMOVE_ITEM ORLOFX_CLI_SOURCES ${CMAKE_SOURCE_DIR}/cli/effect_registry.cpp)
add_executable(orlofx ${ORLOFX_CLI_SOURCES})
target_link_libraries(orlofx PRIVATE orlofx_effect_list orlofx_platform_native PkgConfig::SNDFILE
  PkgConfig::EBUR128)
target_compile_options(orlofx PRIVATE ${ORLOFX_WARNINGS})

if(BUILD_TESTING)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  # The tests about concurrency (test_*_threads.cpp) form a binary of their
  # own with the label "threads": the thread sanitizer preset runs exactly
  # that, so a new threaded test joins its scope by its file name.
  file(GLOB ORLOFX_NATIVE_TESTS CONFIGURE_DEPENDS tests/native/*.cpp)
  file(GLOB ORLOFX_THREAD_TESTS CONFIGURE_DEPENDS tests/native/*_threads.cpp)
  list(REMOVE_ITEM ORLOFX_NATIVE_TESTS ${ORLOFX_THREAD_TESTS})
  add_executable(orlofx_tests ${ORLOFX_NATIVE_TESTS})
  add_executable(orlofx_thread_tests ${ORLOFX_THREAD_TESTS})
  foreach(target orlofx_tests orlofx_thread_tests)
    target_link_libraries(${target} PRIVATE orlofx_effect_list orlofx_platform_native
      PkgConfig::SNDFILE GTest::gtest GTest::gtest_main)
    target_compile_options(${target} PRIVATE ${ORLOFX_WARNINGS})
    target_compile_definitions(${target} PRIVATE
      ORLOFX_CLI_PATH="$<TARGET_FILE:orlofx>"
      ORLOFX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  endforeach()
  add_dependencies(orlofx_tests orlofx)
  gtest_discover_tests(orlofx_tests DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8")
  gtest_discover_tests(orlofx_thread_tests DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8" LABELS threads)
endif()

# Writes deterministic WAV files for tests that compare builds.
add_executable(make_test_wav tests/tools/make_test_wav.cpp)
target_link_libraries(make_test_wav PRIVATE PkgConfig::SNDFILE m)

# On demand only: benchmarks (make bench) and libFuzzer targets (make fuzz).
if(ORLOFX_BENCH)
  add_subdirectory(bench)
endif()
if(ORLOFX_FUZZ)
  add_subdirectory(fuzz)
endif()
