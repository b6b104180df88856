# Every third-party library comes from Debian's packages (scripts/setup installs them).
# Their headers are SYSTEM includes so that our -Wall -Wextra stays about our code.

find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)

set(OpenGL_GL_PREFERENCE GLVND)
find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL GLX)
find_package(X11 REQUIRED)

find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(TIFF REQUIRED)
find_package(GIF 5 REQUIRED)
find_package(XercesC 3.2 REQUIRED)
find_package(Freetype REQUIRED)
find_package(Fontconfig REQUIRED)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)

# CMake 3.25 has no imported target for wxWidgets: wrap the finder's variables in one.
find_package(wxWidgets 3.2 REQUIRED COMPONENTS gl core base)
add_library(zph_wx INTERFACE)
target_include_directories(zph_wx SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(zph_wx INTERFACE ${wxWidgets_DEFINITIONS})
target_compile_options(zph_wx INTERFACE ${wxWidgets_CXX_FLAGS})
target_link_libraries(zph_wx INTERFACE ${wxWidgets_LIBRARIES})

if(ZPH_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(ZPH_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
