# mingw-w64 for i686 (win32 product).
set(MINGW_PROCESSOR i686)
set(MINGW_COMPILER_SUFFIX "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
