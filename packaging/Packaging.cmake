# What the Linux release of tessmark-cli installs, and its packages (.deb and .tar.gz) through
# CPack: the program, the udev rule that lets the seat's user open the unit, a manual page made
# from --help, and bash completion. scripts/package.sh builds them.
if(WIN32 OR CMAKE_CROSSCOMPILING OR NOT TARGET tessmark-cli)
  return()
endif()

set(tm_pkg ${CMAKE_CURRENT_LIST_DIR}/linux)
install(TARGETS tessmark-cli RUNTIME DESTINATION bin)
install(FILES ${tm_pkg}/60-tessmark.rules DESTINATION lib/udev/rules.d)
install(FILES ${tm_pkg}/tessmark-cli.bash DESTINATION share/bash-completion/completions RENAME tessmark-cli)

# The manual page is --help and --version as help2man sets them out.
find_program(TM_HELP2MAN help2man)
if(TM_HELP2MAN)
  set(tm_man ${CMAKE_BINARY_DIR}/man/tessmark-cli.1)
  add_custom_command(
    OUTPUT ${tm_man}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND sh ${tm_pkg}/man-commands.sh $<TARGET_FILE:tessmark-cli> ${CMAKE_BINARY_DIR}/man/commands.h2m
    COMMAND ${TM_HELP2MAN} --no-info --section=1 --source=Tessmark --include=${CMAKE_BINARY_DIR}/man/commands.h2m
            "--name=convert, check and move images for the Tessmark flash-programming unit"
            --output=${tm_man} $<TARGET_FILE:tessmark-cli>
    COMMAND gzip -9nf ${tm_man}
    DEPENDS tessmark-cli ${tm_pkg}/man-commands.sh
    VERBATIM)
  add_custom_target(tm_manpage ALL DEPENDS ${tm_man}.gz)
  install(FILES ${tm_man}.gz DESTINATION share/man/man1)
else()
  message(STATUS "help2man not found: the packages carry no manual page")
endif()

set(CPACK_PACKAGE_NAME tessmark-cli)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Tessmark)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Converts HEX and S-record files to HXW images, checks them and moves them to the Tessmark unit")
set(CPACK_PACKAGE_CONTACT "Tessmark developers <tessmark@localhost>")
set(CPACK_GENERATOR DEB TGZ)
set(CPACK_PACKAGE_FILE_NAME tessmark-cli-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Converts Intel HEX and Motorola S-record files into HXW images, computes their checksums,\ninspects them, and downloads, verifies and uploads files on the Tessmark flash-programming unit\nover USB.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
# The .deb installs under /usr; the archive unpacks as bin/, lib/, share/ for any prefix.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackPerGenerator.cmake)
include(CPack)
