# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 POSIX-threads compilers
# (std::jthread and std::stop_token need the POSIX thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VALTYP_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VALTYP_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VALTYP_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VALTYP_MINGW_TRIPLET}-windres)

# Libraries cross-built for this target (Qt, GMP, PCRE2) live in a cache folder outside the tree;
# it is searched before the compiler's own root.
set(CMAKE_FIND_ROOT_PATH ${VALTYP_MINGW_PREFIX} /usr/${VALTYP_MINGW_TRIPLET})
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VALTYP_MINGW_PREFIX)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and tools built here run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# pkg-config finds the libraries cross-built for Windows only, never the build machine's own.
if(VALTYP_MINGW_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR} "${VALTYP_MINGW_PREFIX}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
endif()
