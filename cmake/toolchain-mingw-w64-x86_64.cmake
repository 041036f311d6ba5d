# Cross-builds for Windows x64 with Debian's MinGW-w64 (posix thread model, so
# std::thread and std::mutex work). The libraries come from the dependency cache that
# scripts/build-windows-deps fills; its prefix is LISTWRIGHT_WINDOWS_DEPS (cache
# variable or environment), otherwise the script is asked where it is.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_lw_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_lw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_lw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${_lw_triplet}-windres)
set(CMAKE_AR ${_lw_triplet}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${_lw_triplet}-ranlib CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${_lw_triplet}-objdump CACHE FILEPATH "")
set(CMAKE_STRIP ${_lw_triplet}-strip CACHE FILEPATH "")

if(NOT LISTWRIGHT_WINDOWS_DEPS AND DEFINED ENV{LISTWRIGHT_WINDOWS_DEPS})
  set(LISTWRIGHT_WINDOWS_DEPS "$ENV{LISTWRIGHT_WINDOWS_DEPS}")
endif()
if(NOT LISTWRIGHT_WINDOWS_DEPS)
  execute_process(
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/../scripts/build-windows-deps --print-prefix
    OUTPUT_VARIABLE LISTWRIGHT_WINDOWS_DEPS OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _lw_rc)
  if(NOT _lw_rc EQUAL 0)
    message(FATAL_ERROR "No Windows dependency cache: run scripts/build-windows-deps")
  endif()
endif()
set(LISTWRIGHT_WINDOWS_DEPS "${LISTWRIGHT_WINDOWS_DEPS}" CACHE PATH
    "Prefix of the Windows dependency cache")
# try_compile projects read this file again and need the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LISTWRIGHT_WINDOWS_DEPS)
set(ENV{LISTWRIGHT_WINDOWS_DEPS} "${LISTWRIGHT_WINDOWS_DEPS}")

set(CMAKE_FIND_ROOT_PATH ${LISTWRIGHT_WINDOWS_DEPS} /usr/${_lw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must see only the Windows libraries.
set(ENV{PKG_CONFIG_LIBDIR} "${LISTWRIGHT_WINDOWS_DEPS}/lib/pkgconfig:/usr/${_lw_triplet}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
