# The 64-bit Windows build: the same sources, tested under 64-bit Wine on
# hosts that run no 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
