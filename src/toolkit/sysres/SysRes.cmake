# The toolkit's system resources (default skins, edit menu, message box
# layout): .rc resources of every Windows executable that links the toolkit,
# a table compiled into the library on Linux. Both are read through
# ReadModuleResource.
set(KB_SYSRES_DIR "${CMAKE_CURRENT_LIST_DIR}")
set(KB_SYSRES_ENTRIES
  "SYS_XML_SKIN=sys_xml_skin.xml"
  "SYS_XML_EDITMENU=sys_xml_editmenu.xml"
  "SYS_XML_MSGBOX=sys_xml_msgbox.xml")
set(KB_SYSRES_FILES "")
foreach(entry ${KB_SYSRES_ENTRIES})
  string(REPLACE "=" ";" pair "${entry}")
  list(GET pair 1 file)
  list(APPEND KB_SYSRES_FILES "${KB_SYSRES_DIR}/${file}")
endforeach()

target_link_libraries(kb_toolkit PUBLIC pugixml::pugixml)

if(WIN32)
  enable_language(RC)
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/kb_sysres.rc")
  set(rc_text "// Generated from src/toolkit/sysres/SysRes.cmake\n")
  foreach(entry ${KB_SYSRES_ENTRIES})
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 name)
    list(GET pair 1 file)
    string(APPEND rc_text "${name} XML \"${KB_SYSRES_DIR}/${file}\"\n")
  endforeach()
  file(CONFIGURE OUTPUT "${rc}" CONTENT "${rc_text}")
  # An interface source: resources of a static library never reach the
  # executable, so each executable compiles them itself.
  target_sources(kb_toolkit INTERFACE "${rc}")
  set_property(SOURCE "${rc}" APPEND PROPERTY OBJECT_DEPENDS ${KB_SYSRES_FILES})
  target_sources(kb_toolkit PRIVATE "${CMAKE_CURRENT_LIST_DIR}/../res/windows/ModuleResourceWin.cpp"
                 "${CMAKE_CURRENT_LIST_DIR}/../backend/windows/ClipboardWin.cpp"
                 "${CMAKE_CURRENT_LIST_DIR}/../backend/windows/HostAccessibilityWin.cpp")
  # Screen readers: LresultFromObject, AccessibleObjectFromWindow, BSTRs.
  target_link_libraries(kb_toolkit PUBLIC oleacc oleaut32 uuid)
else()
  set(embedded "${CMAKE_CURRENT_BINARY_DIR}/KbSysResEmbedded.cpp")
  add_custom_command(
    OUTPUT "${embedded}"
    COMMAND ${CMAKE_COMMAND} "-DOUT=${embedded}" "-DDIR=${KB_SYSRES_DIR}" "-DENTRIES=${KB_SYSRES_ENTRIES}"
            -P "${KB_SYSRES_DIR}/EmbedFiles.cmake"
    DEPENDS ${KB_SYSRES_FILES} "${KB_SYSRES_DIR}/EmbedFiles.cmake"
    COMMENT "Embedding the toolkit's system resources"
    VERBATIM)
  target_sources(kb_toolkit PRIVATE "${embedded}"
                 "${CMAKE_CURRENT_LIST_DIR}/../res/linux/ModuleResourceEmbedded.cpp"
                 "${CMAKE_CURRENT_LIST_DIR}/../backend/linux/ClipboardLocal.cpp"
                 "${CMAKE_CURRENT_LIST_DIR}/../backend/linux/HostAccessibilityLocal.cpp")
endif()
