# Cross-compiles plenvor for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build/windows --toolchain cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
# The executable is linked statically, so it needs no DLL beside it on the Windows machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PLENVOR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PLENVOR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PLENVOR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PLENVOR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PLENVOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ run-time, the compiler's support library and the threads library linked in, rather than
# libstdc++-6.dll, libgcc_s_seh-1.dll and libwinpthread-1.dll beside the executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
