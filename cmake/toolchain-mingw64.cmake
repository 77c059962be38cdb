# Cross build for 64-bit Windows with mingw-w64; the runtime libraries are
# linked statically so the program needs nothing but Windows itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PELKO_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PELKO_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELKO_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${PELKO_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PELKO_MINGW})
# Where the build finds what it borrows from the host: the header-only JSON
# library and the GoogleTest sources it compiles for the target.
set(PELKO_HOST_INCLUDE_DIR /usr/include)
set(PELKO_HOST_SOURCE_DIR /usr/src)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
