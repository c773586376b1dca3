# The Debian package of sonorix-repair, made with the program:
# sonorix-repair_<version>_<architecture>.deb in the build folder, holding the
# program in /usr/bin and its manual page. Where there is no dpkg (macOS)
# there is no package.
# A package carries the program as it ships, so a sanitized build makes none.
find_program(SONORIX_DPKG dpkg)
if(NOT SONORIX_DPKG OR SONORIX_SANITIZE)
  return()
endif()
execute_process(COMMAND ${SONORIX_DPKG} --print-architecture
  OUTPUT_VARIABLE sonorix_deb_architecture OUTPUT_STRIP_TRAILING_WHITESPACE)

set(sonorix_manual ${CMAKE_CURRENT_BINARY_DIR}/sonorix-repair.1.gz)
add_custom_command(
  OUTPUT ${sonorix_manual}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/sonorix-repair.1 ${CMAKE_CURRENT_BINARY_DIR}
  COMMAND gzip -9nf ${CMAKE_CURRENT_BINARY_DIR}/sonorix-repair.1
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/sonorix-repair.1
  VERBATIM)
install(FILES ${sonorix_manual} DESTINATION share/man/man1)

# cpack packs a folder that the install rules fill, and installs no project
# itself: that would build the whole tree, this target included, over again.
set(sonorix_deb_root ${CMAKE_CURRENT_BINARY_DIR}/deb-root)
set(CPACK_GENERATOR DEB)
set(CPACK_INSTALL_CMAKE_PROJECTS "")
set(CPACK_INSTALLED_DIRECTORIES "${sonorix_deb_root};/")
set(CPACK_OUTPUT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/CPackDebConfig.cmake)
set(CPACK_PACKAGE_NAME sonorix-repair)
set(CPACK_PACKAGE_VENDOR Halvane)
set(CPACK_PACKAGE_VERSION ${SONORIX_REPAIR_VERSION})
# What the package says of itself has one source each: its summary is the
# manual's NAME line, its description package-description.txt (which the
# README's first screen repeats, as tests/cli/test_debian_package.py checks).
file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/sonorix-repair.1 sonorix_name REGEX "^sonorix-repair \\\\- ")
string(REGEX REPLACE "^sonorix-repair \\\\- " "" sonorix_summary "${sonorix_name}")
if(NOT sonorix_summary)
  message(FATAL_ERROR "sonorix-repair.1 has no NAME line 'sonorix-repair \\- SUMMARY'")
endif()
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${sonorix_summary}")
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/package-description.txt CPACK_PACKAGE_DESCRIPTION)
string(STRIP "${CPACK_PACKAGE_DESCRIPTION}" CPACK_PACKAGE_DESCRIPTION)
# A change of either makes the package again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS sonorix-repair.1 package-description.txt)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER Halvane)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${sonorix_deb_architecture})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)

set(sonorix_deb ${CMAKE_BINARY_DIR}/sonorix-repair_${SONORIX_REPAIR_VERSION}_${sonorix_deb_architecture}.deb)
add_custom_command(
  OUTPUT ${sonorix_deb}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${sonorix_deb_root}
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${sonorix_deb_root}/usr --strip
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${CPACK_OUTPUT_CONFIG_FILE} -B ${CMAKE_BINARY_DIR}
  DEPENDS sonorix-repair ${sonorix_manual} ${CPACK_OUTPUT_CONFIG_FILE}
  VERBATIM)
add_custom_target(sonorix-repair-deb ALL DEPENDS ${sonorix_deb})
set_target_properties(sonorix-repair-deb PROPERTIES PACKAGE_FILE ${sonorix_deb})
