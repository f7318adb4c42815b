# The core's layers, one object library per folder, each linking only the layers
# below it (ARCHITECTURE.md; tests/layers_test.sh checks the includes):
#
#   platform   interfaces (surface, clock, text files) and file and number helpers
#   sim        the flight model                                     on platform
#   bird       the wire model of the bird                           on sim
#   record     flight history, CSV, KML                             on sim
#   optim      the loop optimiser                                   on sim
#   view       camera, projection, scene, drawing                   on bird, sim
#   app        session, command line, clock adapters                on view, record, optim
#   raster     the picture as a plain pixel buffer (no toolkit)     on platform
#
# Included by the program's build (CMakeLists.txt), which gathers them into
# libsoarcore, and by the fuzz targets' (tests/fuzz/CMakeLists.txt), which
# compile the same sources with their own flags: a source, a folder or a
# library the core gains here reaches both. SOAR_CORE_LAYERS names them all.
get_filename_component(SOAR_CORE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(IPOPT REQUIRED IMPORTED_TARGET ipopt)
find_package(Eigen3 REQUIRED NO_MODULE)
# Geodesy for the KML track (Debian ships the library without a CMake package).
find_library(GEOGRAPHICLIB_LIBRARY GeographicLib REQUIRED)
find_path(GEOGRAPHICLIB_INCLUDE_DIR GeographicLib/LocalCartesian.hpp REQUIRED)

# Each folder's sources, compiled once as position-independent code. Calls
# inside the library they are gathered into bind to its own functions (no
# interposition), as in a program.
function(soar_layer name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${SOAR_CORE_ROOT}/${folder}/*.cpp)
  add_library(${name} OBJECT ${sources})
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${SOAR_CORE_ROOT}>)
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_compile_options(${name} PRIVATE -fno-semantic-interposition)
endfunction()

soar_layer(soar_platform platform)
if(DEFINED SOAR_BIN_TO_MODULES)
  set_source_files_properties(${SOAR_CORE_ROOT}/platform/module_path.cpp PROPERTIES
    COMPILE_DEFINITIONS SOAR_INSTALLED_MODULE_DIR="${SOAR_BIN_TO_MODULES}")
endif()
soar_layer(soar_sim sim)
target_link_libraries(soar_sim PUBLIC soar_platform)
soar_layer(soar_bird bird)
target_link_libraries(soar_bird PUBLIC soar_sim)
soar_layer(soar_record record)
target_link_libraries(soar_record PUBLIC soar_sim)
target_include_directories(soar_record SYSTEM PRIVATE ${GEOGRAPHICLIB_INCLUDE_DIR})
# The loop optimiser: Ipopt for the nonlinear program, ceres::Jet (header only,
# on Eigen) for its exact first derivatives.
soar_layer(soar_optim optim)
target_link_libraries(soar_optim PUBLIC soar_sim Eigen3::Eigen PRIVATE PkgConfig::IPOPT)
target_include_directories(soar_optim SYSTEM PRIVATE ${IPOPT_INCLUDE_DIRS})
soar_layer(soar_view view)
target_link_libraries(soar_view PUBLIC soar_bird)
soar_layer(soar_raster raster)
target_link_libraries(soar_raster PUBLIC soar_platform)
soar_layer(soar_app app)
target_link_libraries(soar_app PUBLIC soar_view soar_record soar_optim)
if(PROJECT_VERSION)
  target_compile_definitions(soar_app PRIVATE SOAR_VERSION="${PROJECT_VERSION}")
endif()

set(SOAR_CORE_LAYERS soar_platform soar_sim soar_bird soar_record soar_optim soar_view soar_raster
  soar_app)
# What a program linking the layers' objects links besides them.
set(SOAR_CORE_LINK_LIBRARIES Threads::Threads ${GEOGRAPHICLIB_LIBRARY} PkgConfig::IPOPT)
