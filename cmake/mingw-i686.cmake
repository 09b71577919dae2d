# The 32-bit Windows build: the product, which loads the panel PC's 32-bit
# driver library.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
