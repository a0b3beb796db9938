# Shared by the mingw-w64 toolchain files; QUIRELLA_MINGW_TRIPLET names the target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

# The -posix compilers: the win32 thread model has no std::thread, std::mutex or
# std::this_thread::sleep_for.
set(CMAKE_C_COMPILER ${QUIRELLA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUIRELLA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUIRELLA_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUIRELLA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Nothing to ship beside the programs: libgcc, libstdc++ and winpthread are linked in.
# Without this an executable needs their DLLs and, missing them, exits 53 without a word.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine (gtest_discover_tests, try_run).
find_program(QUIRELLA_WINE wine)
if(QUIRELLA_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QUIRELLA_WINE})
endif()
