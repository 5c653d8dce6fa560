# Cross-compiles for 32-bit Windows with Debian's mingw-w64 (posix threads),
# and runs what it builds under Wine, so that ctest works as on Linux.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(LUSTRE_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${LUSTRE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUSTRE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${LUSTRE_MINGW_TRIPLE}-windres)
set(LUSTRE_MINGW_OBJDUMP ${LUSTRE_MINGW_TRIPLE}-objdump)

# SSE2 arithmetic, never x87: the x87 unit rounds to 80 bits in between and
# its results differ from the 64-bit builds' in the last bits.
# A 32-bit Windows caller (a host, or a thread the system started) keeps the
# stack 4-byte aligned only: functions that keep SSE values on the stack
# realign it themselves.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off -mincoming-stack-boundary=2")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off -mincoming-stack-boundary=2")
# The runtimes go into every image, so the module and the test programs need
# nothing but the system's own DLLs.
set(LUSTRE_MINGW_STATIC "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT ${LUSTRE_MINGW_STATIC})
set(CMAKE_SHARED_LINKER_FLAGS_INIT ${LUSTRE_MINGW_STATIC})
set(CMAKE_MODULE_LINKER_FLAGS_INIT ${LUSTRE_MINGW_STATIC})

# Libraries and headers come from the mingw tree and from the project's own
# cross-built GoogleTest, never from the build machine's /usr.
set(LUSTRE_MINGW_GTEST_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../build/mingw-gtest" CACHE PATH
    "Where scripts/build-gtest-mingw.sh installed GoogleTest for the cross build")
set(CMAKE_FIND_ROOT_PATH /usr/${LUSTRE_MINGW_TRIPLE} ${LUSTRE_MINGW_GTEST_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Headless Wine in a prefix of the build's own (prepared by the
# wine-prefix test fixture), quiet unless something fails.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_COMMAND} -E env WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
    "WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix" wine)
