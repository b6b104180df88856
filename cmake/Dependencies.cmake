# Every third-party library comes from Debian's packages (scripts/setup installs them).
# Their headers are SYSTEM includes so that our -Wall -Wextra stays about our code.

find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)

set(OpenGL_GL_PREFERENCE GLVND)
find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL GLX)
if(NOT TARGET OpenGL::GLU)
  message(FATAL_ERROR "GLU was not found: install libglu1-mesa-dev (scripts/setup does).")
endif()

# FindX11 finds whatever X libraries are installed and reports none of the missing ones,
# so a missing one would only show up later as an unknown X11::<name> target. Each X
# library the build links is checked here, with the package that brings it.
find_package(X11 REQUIRED)
set(zph_x11_libraries "X11 libx11-dev")
if(ZPH_BUILD_TESTS)
  list(APPEND zph_x11_libraries "Xfixes libxfixes-dev")  # the window tests read the shown cursor
endif()
foreach(entry IN LISTS zph_x11_libraries)
  separate_arguments(entry)
  list(GET entry 0 library)
  list(GET entry 1 package)
  if(NOT TARGET X11::${library})
    message(FATAL_ERROR "The X library lib${library} was not found: install ${package} (scripts/setup does).")
  endif()
endforeach()

find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(TIFF REQUIRED)
find_package(GIF 5 REQUIRED)
find_package(XercesC 3.2 REQUIRED)
find_package(Freetype REQUIRED)
find_package(Fontconfig REQUIRED)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
# Windows metafiles are rendered by libwmf.
pkg_check_modules(WMF QUIET IMPORTED_TARGET libwmf)
if(NOT WMF_FOUND)
  message(FATAL_ERROR "libwmf was not found: install libwmf-dev (scripts/setup does).")
endif()

# CMake 3.25 has no imported target for wxWidgets: wrap the finder's variables in one.
find_package(wxWidgets 3.2 REQUIRED COMPONENTS gl core base)
add_library(zph_wx INTERFACE)
target_include_directories(zph_wx SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
target_compile_definitions(zph_wx INTERFACE ${wxWidgets_DEFINITIONS})
target_compile_options(zph_wx INTERFACE ${wxWidgets_CXX_FLAGS})
target_link_libraries(zph_wx INTERFACE ${wxWidgets_LIBRARIES})

if(ZPH_BUILD_TESTS)
  find_package(GTest REQUIRED)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)  # the layer check
endif()
if(ZPH_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
