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
  # and keeping it even though no object of ours calls it (so even where the
  # rest links --as-needed), puts it first in symbol lookup.
  set(CMAKE_LINK_LIBRARY_USING_NO_AS_NEEDED LINKER:--push-state,--no-as-needed <LINK_ITEM> LINKER:--pop-state)
  set(CMAKE_LINK_LIBRARY_USING_NO_AS_NEEDED_SUPPORTED TRUE)
  target_include_directories(gsl_with_cblas INTERFACE ${GSL_INCLUDE_DIRS})
  target_link_libraries(gsl_with_cblas INTERFACE ${GSL_LIBRARY} $<LINK_LIBRARY:NO_AS_NEEDED,${BLAS_LIBRARIES}>)
  target_compile_definitions(gsl_with_cblas INTERFACE VIBSTRING_OPENBLAS)
else()
  set(cblas_used gsl)
  target_link_libraries(gsl_with_cblas INTERFACE GSL::gsl)
endif()
message(STATUS "CBLAS under GSL: ${cblas_used}")
