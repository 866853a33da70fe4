# The shipped modules: 32-bit Windows, win32 thread model (no winpthreads, so they load on NT 4.0).
set(MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
if(NOT WINE_LOADER)
  set(WINE_LOADER wine)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
