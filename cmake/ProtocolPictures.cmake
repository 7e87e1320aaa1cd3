# The protocols' PNG pictures, prepared as a PDF embeds them when the program
# is built: picpack decodes and deflates them into one block in the build
# tree, which picture_block.S pulls into ks_protocols with .incbin.  A
# protocol then has nothing to decode.
add_executable(picpack ${PROJECT_SOURCE_DIR}/tools/respack/picpack.cpp
               ${PROJECT_SOURCE_DIR}/src/protocols/picture_streams.cpp)
target_link_libraries(picpack PRIVATE PkgConfig::STB ZLIB::ZLIB)

ks_packed_block(picpack ${CMAKE_BINARY_DIR}/generated/protocol_pictures.bin
                ${PROJECT_SOURCE_DIR}/src/protocols/picture_block.S.in ks_protocols
                "Preparing the protocols' pictures")
