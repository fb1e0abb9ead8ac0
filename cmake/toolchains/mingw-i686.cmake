set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ORLOFX_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${ORLOFX_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORLOFX_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORLOFX_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${ORLOFX_TRIPLE}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${ORLOFX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The 32-bit module computes in SSE2 registers, as the 64-bit module and the
# native tool do, instead of the x87 unit's 80-bit intermediates, so that the
# three give the same samples for the same input; SSE2 is the oldest processor
# the module supports. Hosts may call in with only 4-byte stack alignment,
# which spills of doubles and vectors must not trust, so every function
# realigns its own stack.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
