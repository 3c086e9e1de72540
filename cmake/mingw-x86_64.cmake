# mingw-w64 for x86_64 (64-bit twin).
set(MINGW_PROCESSOR x86_64)
set(MINGW_COMPILER_SUFFIX "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
