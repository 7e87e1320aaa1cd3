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

add_custom_command(OUTPUT ${KS_RESOURCE_BLOCK}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND respack ${KS_RESOURCE_MANIFEST} ${PROJECT_SOURCE_DIR}/assets ${KS_RESOURCE_BLOCK}
  DEPENDS respack ${KS_RESOURCE_MANIFEST} ${KS_RESOURCE_FILES}
  COMMENT "Packing the resource store" VERBATIM)

set(KS_RESOURCE_ASM ${CMAKE_BINARY_DIR}/generated/resource_block.S)
configure_file(${PROJECT_SOURCE_DIR}/src/resources/resource_block.S.in ${KS_RESOURCE_ASM} @ONLY)
set_source_files_properties(${KS_RESOURCE_ASM} PROPERTIES OBJECT_DEPENDS ${KS_RESOURCE_BLOCK})
target_sources(ks_resources PRIVATE ${KS_RESOURCE_ASM} ${KS_RESOURCE_BLOCK})
