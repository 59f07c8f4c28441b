# Cross-compiling the Windows x86-64 program with mingw-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SERPLOW_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SERPLOW_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SERPLOW_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SERPLOW_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SERPLOW_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything of ours links statically: the program and its tests need no
# runtime DLL beside them (OpenSSL is loaded at run time by file name).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
