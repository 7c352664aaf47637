# SPDX-License-Identifier: GPL-3.0-or-later
# GSL for the browser build, made from Debian's source by cmake/build-gsl once
# per build directory and choice of SIMD. Defines gsl_with_cblas, as the
# native build does.
option(VIBSTRING_SIMD "Compile for WebAssembly SIMD (-msimd128)" ON)
if(VIBSTRING_SIMD)
  set(gsl_prefix ${CMAKE_BINARY_DIR}/gsl-simd128)
  set(gsl_flags -msimd128)
else()
  set(gsl_prefix ${CMAKE_BINARY_DIR}/gsl)
  set(gsl_flags)
endif()
add_custom_command(OUTPUT ${gsl_prefix}/lib/libgsl.a
                   COMMAND ${PROJECT_SOURCE_DIR}/cmake/build-gsl ${gsl_prefix} ${gsl_flags}
                   DEPENDS ${PROJECT_SOURCE_DIR}/cmake/build-gsl
                   COMMENT "Building GSL for the browser" VERBATIM)
add_custom_target(gsl_for_the_browser DEPENDS ${gsl_prefix}/lib/libgsl.a)
file(MAKE_DIRECTORY ${gsl_prefix}/include)
add_library(gsl STATIC IMPORTED)
set_target_properties(gsl PROPERTIES IMPORTED_LOCATION ${gsl_prefix}/lib/libgsl.a
                                     INTERFACE_INCLUDE_DIRECTORIES ${gsl_prefix}/include)
add_dependencies(gsl gsl_for_the_browser)
# The code that calls GSL is compiled for the same SIMD as GSL itself.
add_library(gsl_with_cblas INTERFACE)
target_link_libraries(gsl_with_cblas INTERFACE gsl)
target_compile_options(gsl_with_cblas INTERFACE ${gsl_flags})
