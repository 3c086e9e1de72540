# mingw-w64 for x86_64 (posix thread model, for GoogleTest).
set(MINGW_PROCESSOR x86_64)
set(MINGW_COMPILER_SUFFIX "-posix")
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
