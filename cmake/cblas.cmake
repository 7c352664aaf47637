# SPDX-License-Identifier: GPL-3.0-or-later
# The CBLAS under GSL: OpenBLAS's where it is found, GSL's reference one
# otherwise. Defines the interface target gsl_with_cblas.
set(VIBSTRING_CBLAS "" CACHE STRING "CBLAS for GSL: openblas or gsl (empty: openblas where found)")
set_property(CACHE VIBSTRING_CBLAS PROPERTY STRINGS "" openblas gsl)
if(VIBSTRING_CBLAS STREQUAL "" OR VIBSTRING_CBLAS STREQUAL "openblas")
  set(BLA_VENDOR OpenBLAS)
  if(VIBSTRING_CBLAS STREQUAL "openblas")
    find_package(BLAS REQUIRED)
  else()
    find_package(BLAS)
  endif()
endif()
add_library(gsl_with_cblas INTERFACE)
if(BLAS_FOUND)
  set(cblas_used openblas)
  # libgsl itself names GSL's CBLAS as a dependency; naming OpenBLAS directly,
  # and keeping it even though no object of ours calls it, puts it first in
  # symbol lookup.
  target_include_directories(gsl_with_cblas INTERFACE ${GSL_INCLUDE_DIRS})
  target_link_libraries(gsl_with_cblas INTERFACE ${GSL_LIBRARY} BLAS::BLAS)
  target_link_options(gsl_with_cblas INTERFACE LINKER:--no-as-needed)
  target_compile_definitions(gsl_with_cblas INTERFACE VIBSTRING_OPENBLAS)
else()
  set(cblas_used gsl)
  target_link_libraries(gsl_with_cblas INTERFACE GSL::gsl)
endif()
message(STATUS "CBLAS under GSL: ${cblas_used}")
