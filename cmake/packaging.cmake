# SPDX-License-Identifier: GPL-3.0-or-later
# Installation and the Debian package. The version comes from project() and
# the release date and time from VIBSTRING_SOURCE_DATE_EPOCH, into every file
# that names them and every time stamp in the package.
include(GNUInstallDirs)
# What the package says of itself (maintainer, homepage, section, summary
# and description) is debian/control's, so that this package and the one
# that dpkg-buildpackage makes from the source package say the same.
file(READ debian/control control)
foreach(field IN ITEMS Maintainer Homepage Section Description)
  if(NOT control MATCHES "\n${field}: ([^\n]*(\n [^\n]*)*)")
    message(FATAL_ERROR "debian/control has no ${field} field")
  endif()
  set(control_${field} "${CMAKE_MATCH_1}")
endforeach()
set(VIBSTRING_MAINTAINER "${control_Maintainer}"
    CACHE STRING "Maintainer named in the Debian package and its changelog")
set(VIBSTRING_HOMEPAGE "${control_Homepage}"
    CACHE STRING "Homepage named in the package and the AppStream metadata")
set(VIBSTRING_APPSTREAM_ID io.github.vibrating_string)
# The AppStream developer is the maintainer's name without the address, in
# the form of the AppStream on this machine: <developer> since 1.0, which
# asks for it, <developer_name> before (Debian 12 has 0.16).
string(REGEX REPLACE " *<.*>$" "" developer "${VIBSTRING_MAINTAINER}")
set(VIBSTRING_APPSTREAM_DEVELOPER "<developer id=\"${VIBSTRING_APPSTREAM_ID}\"><name>${developer}</name></developer>")
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND ${APPSTREAMCLI} --version OUTPUT_VARIABLE appstream_version)
  string(REGEX MATCH "[0-9]+\\.[0-9.]+" appstream_version "${appstream_version}")
  if(appstream_version VERSION_LESS 1.0)
    set(VIBSTRING_APPSTREAM_DEVELOPER "<developer_name>${developer}</developer_name>")
  endif()
endif()
# The changelog wants the date as in RFC 2822.
execute_process(COMMAND date -u -R -d @${VIBSTRING_SOURCE_DATE_EPOCH}
                OUTPUT_VARIABLE VIBSTRING_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)

# The desktop entry's and the AppStream metadata's words in every language
# of the page's catalogs (messages/*.json, English first, without a locale),
# under the locale names these files use (pt_BR, not pt-BR). The manual page
# stays English.
file(GLOB catalogs CONFIGURE_DEPENDS messages/*.json)
list(REMOVE_ITEM catalogs ${PROJECT_SOURCE_DIR}/messages/en.json)
list(PREPEND catalogs ${PROJECT_SOURCE_DIR}/messages/en.json)
set(VIBSTRING_TRANSLATIONS)
set(desktop_fields Name GenericName Comment Keywords)
set(desktop_keys name genericName comment keywords)
set(appstream_fields NAMES SUMMARIES DESCRIPTIONS)
set(appstream_keys name summary description)
foreach(field IN LISTS desktop_fields appstream_fields)
  set(${field} "")
endforeach()
foreach(catalog IN LISTS catalogs)
  get_filename_component(language ${catalog} NAME_WE)
  string(REPLACE "-" "_" locale ${language})
  set(desktop_locale "")
  set(xml_lang "")
  if(NOT language STREQUAL "en")
    list(APPEND VIBSTRING_TRANSLATIONS ${locale})
    set(desktop_locale "[${locale}]")
    set(xml_lang " xml:lang=\"${locale}\"")
  endif()
  file(READ ${catalog} json)
  foreach(field key IN ZIP_LISTS desktop_fields desktop_keys)
    string(JSON text GET "${json}" desktop.${key})
    string(APPEND ${field} "${field}${desktop_locale}=${text}\n")
  endforeach()
  foreach(field key IN ZIP_LISTS appstream_fields appstream_keys)
    string(JSON text GET "${json}" desktop.${key})
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    if(key STREQUAL "description")
      string(APPEND ${field} "    <p${xml_lang}>${text}</p>\n")
    else()
      string(APPEND ${field} "  <${key}${xml_lang}>${text}</${key}>\n")
    endif()
  endforeach()
endforeach()
# Keywords are lists themselves: quoted, their semicolons stay.
string(CONCAT VIBSTRING_DESKTOP_TEXTS "${Name}" "${GenericName}" "${Comment}" "${Keywords}")
string(REGEX REPLACE "\n$" "" VIBSTRING_DESKTOP_TEXTS "${VIBSTRING_DESKTOP_TEXTS}")
foreach(field IN LISTS appstream_fields)
  string(REGEX REPLACE "\n$" "" VIBSTRING_APPSTREAM_${field} "${${field}}")
endforeach()

configure_file(share/vibrating-string.desktop.in vibrating-string.desktop @ONLY)
configure_file(share/changelog.in changelog @ONLY)
configure_file(share/vibrating-string.1.in vibrating-string.1 @ONLY)
configure_file(share/${VIBSTRING_APPSTREAM_ID}.metainfo.xml.in ${VIBSTRING_APPSTREAM_ID}.metainfo.xml @ONLY)

# The manual page and the changelog go in compressed, as Debian installs them;
# gzip -n keeps the archives free of time stamps.
find_program(GZIP_COMMAND gzip REQUIRED)
set(gzipped)
foreach(name IN ITEMS vibrating-string.1 changelog)
  add_custom_command(OUTPUT ${name}.gz COMMAND ${GZIP_COMMAND} -9n -c ${name} > ${name}.gz
                     DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${name} VERBATIM)
  list(APPEND gzipped ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${gzipped})

install(TARGETS vibrating-string RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# As Debian's dh_strip does: when stripping, drop the compiler's notes too.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vibrating-string\"
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vibrating-string.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vibrating-string.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES share/vibrating-string.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${VIBSTRING_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vibrating-string)
set(CPACK_PACKAGE_CONTACT "${VIBSTRING_MAINTAINER}")
# The description's first line is the summary, the rest (each line indented
# by one space) the long description, which CPack indents again.
string(FIND "${control_Description}" "\n " summary_end)
string(SUBSTRING "${control_Description}" 0 ${summary_end} CPACK_PACKAGE_DESCRIPTION_SUMMARY)
math(EXPR long_start "${summary_end} + 2")
string(SUBSTRING "${control_Description}" ${long_start} -1 CPACK_DEBIAN_PACKAGE_DESCRIPTION)
string(REPLACE "\n " "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_SECTION ${control_Section})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VIBSTRING_HOMEPAGE}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The runtime dependencies (GSL, its CBLAS, freeglut, GL) come from the
# binary itself, through dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# The same bytes from any build of the same source: every member dated the
# release, whatever the clock when CPack runs (it reads SOURCE_DATE_EPOCH).
# CPack takes the modes of directories and of the package's own members from
# the umask, so scripts/package and scripts/release set 022 first, as
# dpkg-buildpackage does.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/CPackSourceDate.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE} "set(ENV{SOURCE_DATE_EPOCH} ${VIBSTRING_SOURCE_DATE_EPOCH})\n")
include(CPack)
