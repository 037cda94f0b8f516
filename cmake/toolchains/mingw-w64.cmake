# Shared by the two Windows toolchain files: Debian's mingw-w64 compilers with the
# posix thread model, whose libstdc++ has std::mutex and std::thread. Programs and
# DLLs link libgcc, libstdc++ and winpthreads statically, so they need no runtime
# DLL beyond the system's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TILVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TILVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TILVANE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TILVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
