# Cross build for 64-bit Windows: the same sources as the shipped 32-bit
# program, built so that Wine on this 64-bit-only machine runs the tests
# directly (the 32-bit build's tests need the emulated machine of scripts/vm32).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
