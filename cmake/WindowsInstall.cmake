# Install layout on Windows, as the installer and the portable zip deliver it: one
# folder with the programs, every DLL and Qt plugin they load, the delivered database,
# the configuration example, Qt's Chinese translations and the user guide.
install(TARGETS listwright-cli RUNTIME DESTINATION .)
foreach(program listwright relay-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION .)
  endif()
endforeach()

# Beside the program, not in TBData (which would make the install portable); the first
# start copies it into the user's data folder.
install(FILES ${LISTWRIGHT_DELIVERED_DB} data/listwright.conf.example data/icons/listwright.ico
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

# The DLLs the programs and plugins import, found in the dependency cache; the system's
# own DLLs stay unresolved and are not copied.
install(CODE "
  set(LISTWRIGHT_WINDOWS_DEPS_BIN \"${LISTWRIGHT_WINDOWS_DEPS}/bin\")
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
  set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND \"${CMAKE_OBJDUMP}\")
")
install(CODE [[
  file(GLOB plugins "${CMAKE_INSTALL_PREFIX}/*/*.dll")
  file(GLOB programs "${CMAKE_INSTALL_PREFIX}/*.exe")
  file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES ${programs}
    MODULES ${plugins}
    DIRECTORIES "${LISTWRIGHT_WINDOWS_DEPS_BIN}"
    RESOLVED_DEPENDENCIES_VAR found
    UNRESOLVED_DEPENDENCIES_VAR system
    PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
    POST_EXCLUDE_REGEXES ".*[Ss]ystem32.*")
  file(INSTALL ${found} DESTINATION "${CMAKE_INSTALL_PREFIX}")
]])
