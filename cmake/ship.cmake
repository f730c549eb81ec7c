# What ships: install rules, the manual page, the .deb and the Windows .zip
# (CPack), the Windows version resource and manifest, and the checks of the
# README's examples and of the built .exe's resources.
include(GNUInstallDirs)

set(HEADTRIM_VENDOR "The headtrim developers")
set(HEADTRIM_DESCRIPTION "headtrim - removes the first word from the names of a set of files")
set(HEADTRIM_MAINTAINER "The headtrim developers <headtrim@example.org>"
    CACHE STRING "Maintainer of the Debian package, as \"Name <address>\"")
file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE copyright_line REGEX "^Copyright ")
set(HEADTRIM_COPYRIGHT "${copyright_line}. MIT License.")

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
    enable_language(RC)
    set(HEADTRIM_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/headtrim.manifest)
    configure_file(src/host/win/headtrim.manifest.in ${HEADTRIM_MANIFEST} @ONLY)
    configure_file(src/host/win/headtrim.rc.in ${CMAKE_CURRENT_BINARY_DIR}/headtrim.rc @ONLY)
    target_sources(headtrim PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/headtrim.rc)
    set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/headtrim.rc APPEND PROPERTY OBJECT_DEPENDS
                 ${HEADTRIM_MANIFEST})

    # A portable layout: the program and its documents side by side.
    install(TARGETS headtrim RUNTIME DESTINATION . COMPONENT program)
    install(FILES README.md DESTINATION . COMPONENT docs)
    install(FILES LICENSE DESTINATION . RENAME LICENSE.txt COMPONENT docs)
else()
    install(TARGETS headtrim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
    install(FILES doc/headtrim.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT manual)

    # The Debian package takes the manual page compressed, with the copyright
    # and changelog files that Debian requires; none of them is part of a
    # plain `cmake --install`.
    set(deb_dir ${CMAKE_CURRENT_BINARY_DIR}/deb)
    # copyright in Debian's machine-readable form, made from LICENSE.
    file(READ ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE license_text)
    string(REGEX REPLACE "^.*\n(Permission is hereby)" "\\1" license_text "${license_text}")
    string(STRIP "${license_text}" license_text)
    string(REPLACE "\n\n" "\n.\n" license_text "${license_text}")
    string(REPLACE "\n" "\n " license_text "${license_text}")
    string(REGEX REPLACE "^Copyright \\(c\\) " "" copyright_holder "${copyright_line}")
    file(WRITE ${deb_dir}/copyright
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
        "Upstream-Name: headtrim\n\n"
        "Files: *\n"
        "Copyright: ${copyright_holder}\n"
        "License: Expat\n"
        " ${license_text}\n")
    configure_file(packaging/debian/changelog.in ${deb_dir}/changelog @ONLY)
    add_custom_command(
        OUTPUT ${deb_dir}/headtrim.1.gz ${deb_dir}/changelog.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/doc/headtrim.1 ${deb_dir}/headtrim.1
        COMMAND gzip -9nf ${deb_dir}/headtrim.1
        COMMAND ${CMAKE_COMMAND} -E copy ${deb_dir}/changelog ${deb_dir}/changelog.copy
        COMMAND gzip -9nf ${deb_dir}/changelog.copy
        COMMAND ${CMAKE_COMMAND} -E rename ${deb_dir}/changelog.copy.gz ${deb_dir}/changelog.gz
        DEPENDS doc/headtrim.1 ${deb_dir}/changelog
        COMMENT "Compressing the manual page and changelog for the Debian package"
        VERBATIM)
    add_custom_target(deb_files ALL DEPENDS ${deb_dir}/headtrim.1.gz ${deb_dir}/changelog.gz)
    install(FILES ${deb_dir}/headtrim.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT deb EXCLUDE_FROM_ALL)
    install(FILES ${deb_dir}/copyright ${deb_dir}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/headtrim COMPONENT deb EXCLUDE_FROM_ALL)
endif()

# Packages. `cpack --preset deb` packs the native build; `cpack --preset
# windows-zip` packs the 64-bit build together with the 32-bit one.
set(CPACK_PACKAGE_NAME headtrim)
set(CPACK_PACKAGE_VENDOR "${HEADTRIM_VENDOR}")
set(CPACK_PACKAGE_CONTACT "${HEADTRIM_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remove the first word from the names of a set of files")
# Lines of at most 80 columns, as Debian's control file wants them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "headtrim renames every file that matches a pattern to what follows the\n"
    "first separator (a space, or a character of your choice) in its name, and\n"
    "prints one line per file saying what it did. It gathers every name before\n"
    "it renames anything, never replaces an existing file and reports every\n"
    "rename that failed.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME headtrim-${PROJECT_VERSION}-windows)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        # The 64-bit build packs the 32-bit program beside its own.
        set(HEADTRIM_X86_BUILD ${CMAKE_CURRENT_SOURCE_DIR}/build/windows-x86
            CACHE PATH "The 32-bit Windows build whose program goes into the .zip")
        set(CPACK_INSTALL_CMAKE_PROJECTS
            "${CMAKE_CURRENT_BINARY_DIR};headtrim;program;/x64"
            "${HEADTRIM_X86_BUILD};headtrim;program;/x86")
    else()
        set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_CURRENT_BINARY_DIR};headtrim;program;/x86")
    endif()
    list(APPEND CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_CURRENT_BINARY_DIR};headtrim;docs;/")
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_INSTALL_CMAKE_PROJECTS
        "${CMAKE_CURRENT_BINARY_DIR};headtrim;program;/"
        "${CMAKE_CURRENT_BINARY_DIR};headtrim;deb;/")
endif()
include(CPack)

# The README's and the manual page's example sessions, run against the built
# program (under Wine for the Windows build).
if(BUILD_TESTING AND (NOT CMAKE_CROSSCOMPILING OR CMAKE_CROSSCOMPILING_EMULATOR))
    set(example_runner)
    if(CMAKE_CROSSCOMPILING)
        set(example_runner ${CMAKE_CROSSCOMPILING_EMULATOR})
    endif()
    add_test(NAME readme_examples
             COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/tests/readme/run-examples.sh
                     $<TARGET_FILE:headtrim> ${example_runner} --
                     README.md doc/headtrim.1
             WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
endif()

# The version resource and the manifest inside the built .exe.
if(WIN32 AND (BUILD_TESTING OR HEADTRIM_CHECK_PE))
    add_test(NAME pe_resources
             COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:headtrim>
                     -DOBJDUMP=${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-objdump
                     -DVERSION=${PROJECT_VERSION}
                     -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/check-resources.cmake)
endif()
