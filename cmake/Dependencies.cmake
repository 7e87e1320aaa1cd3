# Third-party libraries, all from Debian packages (installed by scripts/setup).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(IMGUI   REQUIRED IMPORTED_TARGET imgui)
pkg_check_modules(STB     REQUIRED IMPORTED_TARGET stb)
pkg_check_modules(LIBUSB1 REQUIRED IMPORTED_TARGET libusb-1.0)
pkg_check_modules(LIBUSB0 REQUIRED IMPORTED_TARGET libusb)
find_package(glfw3 3.3 REQUIRED)
set(OpenGL_GL_PREFERENCE GLVND)
find_package(OpenGL REQUIRED)
find_package(fmt 9 REQUIRED)
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)
find_package(ZLIB REQUIRED)

# libhpdf-dev ships neither a .pc nor a CMake config.
find_path(HPDF_INCLUDE_DIR hpdf.h REQUIRED)
find_library(HPDF_LIBRARY hpdf REQUIRED)
add_library(hpdf::hpdf UNKNOWN IMPORTED)
set_target_properties(hpdf::hpdf PROPERTIES IMPORTED_LOCATION "${HPDF_LIBRARY}"
                      INTERFACE_INCLUDE_DIRECTORIES "${HPDF_INCLUDE_DIR}")

# Dear ImGui core and backends all live in libimgui.a; the backend headers are
# not on the pkg-config include path.
add_library(imgui_all INTERFACE)
target_link_libraries(imgui_all INTERFACE PkgConfig::IMGUI PkgConfig::STB)
target_include_directories(imgui_all INTERFACE /usr/include/imgui/backends)
add_library(imgui_gl INTERFACE)
target_link_libraries(imgui_gl INTERFACE imgui_all glfw OpenGL::GL)

# LZMA SDK C sources shipped by lzma-dev.  Include its headers as <lzma/LzmaEnc.h>;
# never put /usr/include/lzma itself on the include path.
set(LZMA_SDK_DIR /usr/include/lzma)
add_library(lzmasdk STATIC ${LZMA_SDK_DIR}/LzmaEnc.c ${LZMA_SDK_DIR}/LzmaDec.c ${LZMA_SDK_DIR}/LzFind.c)
target_compile_definitions(lzmasdk PUBLIC _7ZIP_ST)
target_compile_options(lzmasdk PRIVATE -w)
set_target_properties(lzmasdk PROPERTIES POSITION_INDEPENDENT_CODE ON)
