# The resource store: respack packs the files of assets/resources.txt into one
# block in the build tree, which resource_block.S pulls into ks_resources with
# .incbin.  A changed manifest or asset re-packs and re-assembles.
add_executable(respack ${PROJECT_SOURCE_DIR}/tools/respack/respack.cpp)

set(KS_RESOURCE_MANIFEST ${PROJECT_SOURCE_DIR}/assets/resources.txt)
set(KS_RESOURCE_BLOCK ${CMAKE_BINARY_DIR}/generated/resources.bin)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KS_RESOURCE_MANIFEST})

file(STRINGS ${KS_RESOURCE_MANIFEST} _res_lines REGEX "^[ \t]*0[xX]")
set(KS_RESOURCE_FILES)
foreach(_line ${_res_lines})
  string(REGEX REPLACE "^[ \t]*[^ \t]+[ \t]+([^ \t#]+).*$" "\\1" _file "${_line}")
  list(APPEND KS_RESOURCE_FILES ${PROJECT_SOURCE_DIR}/assets/${_file})
endforeach()

# Packs the manifest's files with TOOL into BLOCK in the build tree and links
# the block into LIBRARY through ASM_IN, an .incbin of @BLOCK@.  A changed
# manifest, asset or tool re-packs and re-assembles.
function(ks_packed_block tool block asm_in library comment)
  add_custom_command(OUTPUT ${block}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
    COMMAND ${tool} ${KS_RESOURCE_MANIFEST} ${PROJECT_SOURCE_DIR}/assets ${block}
    DEPENDS ${tool} ${KS_RESOURCE_MANIFEST} ${KS_RESOURCE_FILES}
    COMMENT "${comment}" VERBATIM)
  get_filename_component(_name ${asm_in} NAME_WE)
  set(_asm ${CMAKE_BINARY_DIR}/generated/${_name}.S)
  set(BLOCK ${block})
  configure_file(${asm_in} ${_asm} @ONLY)
  set_source_files_properties(${_asm} PROPERTIES OBJECT_DEPENDS ${block})
  target_sources(${library} PRIVATE ${_asm} ${block})
endfunction()

ks_packed_block(respack ${KS_RESOURCE_BLOCK} ${PROJECT_SOURCE_DIR}/src/resources/resource_block.S.in
                ks_resources "Packing the resource store")
