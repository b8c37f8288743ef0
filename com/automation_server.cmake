# vantrel_automation_server(NAME <dll> IDL <file.idl> CONTRACT <target> [INTERFACE_ID <interface>]
#                           SOURCES <sources, .def and NAME.rc> LIBRARIES <libraries>)
# Builds an in-process automation server NAME.dll: widl compiles the IDL into the type library
# NAME.tlb (which NAME.rc embeds), the header NAME_h.h and the identifiers NAME_i.c; CONTRACT is a
# library of those identifiers and declarations for the DLL and its early-bound clients. With
# INTERFACE_ID, NAME_iid.rc holds the resource `1 _IID<interface>` for NAME.rc to include.
function(vantrel_automation_server)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;IDL;CONTRACT;INTERFACE_ID" "SOURCES;LIBRARIES")
  set(name ${arg_NAME})
  set(generated ${CMAKE_CURRENT_BINARY_DIR})
  add_custom_command(
    OUTPUT ${generated}/${name}.tlb ${generated}/${name}_h.h ${generated}/${name}_i.c
    COMMAND ${VANTREL_WIDL}
            -I /usr/include/wine/wine/windows
            -t -T ${generated}/${name}.tlb
            -h -H ${generated}/${name}_h.h
            -u -U ${generated}/${name}_i.c
            ${CMAKE_CURRENT_SOURCE_DIR}/${arg_IDL}
    DEPENDS ${arg_IDL}
    COMMENT "Compiling the ${name} type library")

  add_library(${arg_CONTRACT} STATIC ${generated}/${name}_i.c)
  target_include_directories(${arg_CONTRACT} PUBLIC ${generated})
  target_link_libraries(${arg_CONTRACT} PUBLIC uuid ole32 oleaut32)

  set(resource_inputs ${generated}/${name}.tlb)
  if(arg_INTERFACE_ID)
    # From the identifier widl compiled: it cannot drift from the type library.
    add_custom_command(
      OUTPUT ${generated}/${name}_iid.rc
      COMMAND ${CMAKE_COMMAND} -DINPUT=${generated}/${name}_i.c -DOUTPUT=${generated}/${name}_iid.rc
              -DINTERFACE=${arg_INTERFACE_ID} -P ${PROJECT_SOURCE_DIR}/com/interface_id.cmake
      DEPENDS ${generated}/${name}_i.c ${PROJECT_SOURCE_DIR}/com/interface_id.cmake
      COMMENT "Writing the _IID${arg_INTERFACE_ID} resource from the compiled contract")
    list(APPEND resource_inputs ${generated}/${name}_iid.rc)
    # NAME.rc includes it; it is not compiled on its own.
    set_source_files_properties(${generated}/${name}_iid.rc PROPERTIES HEADER_FILE_ONLY ON)
  endif()
  set_source_files_properties(${name}.rc PROPERTIES OBJECT_DEPENDS "${resource_inputs}")

  add_library(${name} SHARED ${arg_SOURCES} $<TARGET_OBJECTS:vantrel_com_exports>)
  if(arg_INTERFACE_ID)
    target_sources(${name} PRIVATE ${generated}/${name}_iid.rc)
  endif()
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  target_include_directories(${name} PRIVATE ${generated})
  target_link_libraries(${name} PRIVATE vantrel_com ${arg_CONTRACT} ${arg_LIBRARIES} ole32 oleaut32 uuid advapi32)
  # The .def file names the entry points undecorated, with their ordinals.
  target_link_options(${name} PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
  target_compile_options(${name} PRIVATE ${VANTREL_WARNINGS})
endfunction()
