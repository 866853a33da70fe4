# The same sources built for 64-bit Windows. Used only to run the tests where the machine's
# kernel cannot execute 32-bit code (and so 32-bit Wine cannot start); never shipped.
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
if(NOT WINE_LOADER)
  set(WINE_LOADER /usr/lib/wine/wine64)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
