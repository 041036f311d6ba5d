# Install layout on Windows, as the installer and the portable zip deliver it: one
# folder with the programs, every DLL and Qt plugin they load, the delivered database,
# the configuration example, Qt's Chinese translations and the user guide.
install(TARGETS listwright-cli RUNTIME DESTINATION .)
foreach(program listwright relay-sim listwright-relay)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION .)
  endif()
endforeach()

# Beside the program, not in TBData (which would make the install portable); the first
# start copies it into the user's data folder.
install(FILES ${LISTWRIGHT_DELIVERED_DB} data/listwright.conf.example
        data/listwright-relay.conf.example data/icons/listwright.ico
        DESTINATION .)
install(FILES README.md DESTINATION . RENAME 使用说明.md)
install(FILES ${CMAKE_BINARY_DIR}/bin/qt.conf DESTINATION .)
foreach(plugin ${LISTWRIGHT_WINDOWS_PLUGINS})
  if(NOT plugin MATCHES "qoffscreen")
    get_filename_component(folder ${plugin} DIRECTORY)
    install(FILES ${LISTWRIGHT_WINDOWS_DEPS}/plugins/${plugin} DESTINATION ${folder})
  endif()
endforeach()
foreach(qm qtbase_zh_CN.qm)
  if(EXISTS /usr/share/qt6/translations/${qm})
    install(FILES /usr/share/qt6/translations/${qm} DESTINATION translations)
  endif()
endforeach()

# The DLLs the programs and plugins import, found in the dependency cache by their
# names (Windows names ignore letter case; this file system does not, which is why this
# is not file(GET_RUNTIME_DEPENDENCIES)); the system's own DLLs are not there.
install(CODE "
  set(lw_objdump \"${CMAKE_OBJDUMP}\")
  set(lw_deps_bin \"${LISTWRIGHT_WINDOWS_DEPS}/bin\")
")
install(CODE [[
  cmake_policy(SET CMP0057 NEW)
  file(GLOB lw_available "${lw_deps_bin}/*.dll")
  foreach(dll ${lw_available})
    get_filename_component(name "${dll}" NAME)
    string(TOLOWER "${name}" key)
    set("lw_dll_${key}" "${dll}")
  endforeach()
  file(GLOB lw_queue "${CMAKE_INSTALL_PREFIX}/*.exe" "${CMAKE_INSTALL_PREFIX}/*/*.dll")
  set(lw_done "")
  while(lw_queue)
    list(POP_FRONT lw_queue file)
    execute_process(COMMAND "${lw_objdump}" -p "${file}" OUTPUT_VARIABLE dump)
    string(REGEX MATCHALL "DLL Name: [^
]+" imports "${dump}")
    foreach(line ${imports})
      string(REGEX REPLACE "DLL Name: " "" name "${line}")
      string(TOLOWER "${name}" key)
      if(DEFINED "lw_dll_${key}" AND NOT key IN_LIST lw_done)
        list(APPEND lw_done "${key}")
        file(INSTALL "${lw_dll_${key}}" DESTINATION "${CMAKE_INSTALL_PREFIX}")
        get_filename_component(copied "${lw_dll_${key}}" NAME)
        list(APPEND lw_queue "${CMAKE_INSTALL_PREFIX}/${copied}")
      endif()
    endforeach()
  endwhile()
]])
