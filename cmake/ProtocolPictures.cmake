# The protocols' PNG pictures, prepared as a PDF embeds them when the program
# is built: picpack decodes and deflates them into one block in the build
# tree, which picture_block.S pulls into ks_protocols with .incbin.  A
# protocol then has nothing to decode.
add_executable(picpack ${PROJECT_SOURCE_DIR}/tools/respack/picpack.cpp
               ${PROJECT_SOURCE_DIR}/src/protocols/picture_streams.cpp)
target_link_libraries(picpack PRIVATE PkgConfig::STB ZLIB::ZLIB)

set(KS_PICTURE_BLOCK ${CMAKE_BINARY_DIR}/generated/protocol_pictures.bin)
add_custom_command(OUTPUT ${KS_PICTURE_BLOCK}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND picpack ${KS_RESOURCE_MANIFEST} ${PROJECT_SOURCE_DIR}/assets ${KS_PICTURE_BLOCK}
  DEPENDS picpack ${KS_RESOURCE_MANIFEST} ${KS_RESOURCE_FILES}
  COMMENT "Preparing the protocols' pictures" VERBATIM)

set(KS_PICTURE_ASM ${CMAKE_BINARY_DIR}/generated/picture_block.S)
configure_file(${PROJECT_SOURCE_DIR}/src/protocols/picture_block.S.in ${KS_PICTURE_ASM} @ONLY)
set_source_files_properties(${KS_PICTURE_ASM} PROPERTIES OBJECT_DEPENDS ${KS_PICTURE_BLOCK})
target_sources(ks_protocols PRIVATE ${KS_PICTURE_ASM} ${KS_PICTURE_BLOCK})
