# Cross-compiles the Qt-free core for 64-bit Windows with Debian's MinGW-w64
# (package g++-mingw-w64-x86-64-posix). The posix-thread variant is the one whose
# libstdc++ has std::thread and std::this_thread::sleep_for.
#
#   cmake -S . -B build-win -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DDURUZ_BUILD_GUI=OFF -DDURUZ_BUILD_BENCH=OFF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DURUZ_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DURUZ_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DURUZ_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${DURUZ_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DURUZ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything static, so an .exe runs under Wine or on a bare Windows without the
# compiler's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CTest runs the test executables through Wine.
find_program(DURUZ_WINE wine)
if(DURUZ_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${DURUZ_WINE})
endif()
