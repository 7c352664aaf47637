# SPDX-License-Identifier: GPL-3.0-or-later
# Debian's hardening flags in Release builds, as dpkg-buildflags gives them
# for this release and architecture with hardening=+all (Debian 13 adds
# stack-clash and control-flow protection on amd64, for example); bookworm's
# list where dpkg-buildflags is missing. Debian's compiler makes
# position-independent executables already. The interface target
# project_hardening carries them (nothing in the browser build);
# VIBSTRING_HARDENING_FLAGS lists them.
option(VIBSTRING_HARDENING "Debian's hardening flags in Release builds" ON)
add_library(project_hardening INTERFACE)
set(VIBSTRING_HARDENING_FLAGS "")
if(NOT VIBSTRING_HARDENING OR EMSCRIPTEN)
  return()
endif()

set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()

find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(DPKG_BUILDFLAGS)
  set(flags)
  foreach(kind IN ITEMS CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${DPKG_BUILDFLAGS} --get ${kind}
                    OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(value UNIX_COMMAND "${value}")
    list(APPEND flags ${value})
  endforeach()
  # Only the hardening: optimisation, debug information and path maps are the
  # build type's business.
  list(FILTER flags INCLUDE REGEX
       "^(-fstack-protector|-fstack-clash-protection|-fcf-protection|-mbranch-protection|-Wformat|-Werror=format-security|-D_FORTIFY_SOURCE|-Wl,-z,)")
else()
  set(flags -fstack-protector-strong -Wformat -Werror=format-security -D_FORTIFY_SOURCE=2 -Wl,-z,relro -Wl,-z,now)
endif()
list(REMOVE_DUPLICATES flags)
set(VIBSTRING_HARDENING_FLAGS ${flags})
message(STATUS "Hardening flags (Release): ${flags}")

set(release $<CONFIG:Release>)
foreach(flag IN LISTS flags)
  if(flag MATCHES "^-Wl,")
    target_link_options(project_hardening INTERFACE $<${release}:${flag}>)
  else()
    target_compile_options(project_hardening INTERFACE $<${release}:${flag}>)
  endif()
endforeach()
