# The Windows build, cross-compiled with MinGW-w64 (cmake/toolchain-mingw-w64-x86_64.cmake):
# what the build runs goes through Wine, and every DLL and Qt plugin the programs load
# lies beside them in the build tree, as it does in an install.
if(NOT WIN32)
  return()
endif()

# GCC 12's atomic-wait semaphores can miss a wake-up where there is no futex (libstdc++
# bug 104928), and std::stop_callback waits on one when a stop races its removal: the
# POSIX semaphores of winpthreads instead.
add_compile_definitions(_GLIBCXX_USE_POSIX_SEMAPHORE=1)

if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run)
endif()
# Prefixed to the build-time runs of our own programs (listwright-mkdb).
set(LISTWRIGHT_RUN_BUILT_PROGRAM ${CMAKE_CROSSCOMPILING_EMULATOR})

# The DLLs of the dependency cache (Qt, OpenSSL, curl, SQLCipher, MinGW's runtime) and
# the Qt plugins the programs need: the windows and offscreen platforms, the Windows
# style, the image formats.
set(LISTWRIGHT_WINDOWS_PLUGINS platforms/qwindows.dll platforms/qoffscreen.dll
    styles/qwindowsvistastyle.dll)
file(GLOB LISTWRIGHT_WINDOWS_DLLS ${LISTWRIGHT_WINDOWS_DEPS}/bin/*.dll)
file(GLOB _lw_image_plugins RELATIVE ${LISTWRIGHT_WINDOWS_DEPS}/plugins
     ${LISTWRIGHT_WINDOWS_DEPS}/plugins/imageformats/*.dll)
list(APPEND LISTWRIGHT_WINDOWS_PLUGINS ${_lw_image_plugins})

set(_lw_bin ${CMAKE_BINARY_DIR}/bin)
file(MAKE_DIRECTORY ${_lw_bin})
file(COPY ${LISTWRIGHT_WINDOWS_DLLS} DESTINATION ${_lw_bin})
foreach(plugin ${LISTWRIGHT_WINDOWS_PLUGINS})
  get_filename_component(folder ${plugin} DIRECTORY)
  file(COPY ${LISTWRIGHT_WINDOWS_DEPS}/plugins/${plugin} DESTINATION ${_lw_bin}/${folder})
endforeach()
# Qt looks for its translations and plugins beside the program.
file(WRITE ${_lw_bin}/qt.conf "[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n")

# The CLI tests start the programs by name from one folder; there each name is a
# script that starts the .exe under Wine, and winepath (same Wine prefix) tells the
# scripts the Windows form of a path and that the programs are Windows programs.
set(LISTWRIGHT_CLI_TEST_BIN ${CMAKE_BINARY_DIR}/wine-bin)
foreach(program listwright-cli listwright-relay relay-sim gateway-sim listwright-mkdb listwright winepath)
  set(target "${_lw_bin}/${program}.exe")
  if(program STREQUAL "winepath")
    set(target winepath)
  endif()
  file(CONFIGURE OUTPUT ${LISTWRIGHT_CLI_TEST_BIN}/${program} @ONLY CONTENT
"#!/usr/bin/env bash
# Starts ${program} of this build under Wine.
exec \"${CMAKE_CROSSCOMPILING_EMULATOR}\" \"${target}\" \"$@\"
")
  file(CHMOD ${LISTWRIGHT_CLI_TEST_BIN}/${program} PERMISSIONS OWNER_READ OWNER_WRITE
       OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
