# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix).
# The posix flavour is used because Qt and our code rely on std::thread and friends, which the
# win32 flavour of Debian's MinGW lacks.
#
# Libraries built for Windows elsewhere (Qt, libjpeg-turbo, GoogleTest, the picture libraries)
# are found through LANXI_WINDOWS_ROOTS, a list of install prefixes; they are searched like the
# MinGW sysroot so that nothing built for Linux is picked up by mistake.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(_lanxi_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_lanxi_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_lanxi_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_lanxi_triple}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

# try_compile() projects see the toolchain file again but not the cache; pass the roots on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LANXI_WINDOWS_ROOTS)

set(CMAKE_FIND_ROOT_PATH /usr/${_lanxi_triple} ${LANXI_WINDOWS_ROOTS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
