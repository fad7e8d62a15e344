# The 64-bit twin of the Windows program; its tests and smoke runs go through wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VOSTREL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
