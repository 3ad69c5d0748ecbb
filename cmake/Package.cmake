# What an installed Dayscrib carries beside its programs, and the Debian
# package made from it (`cpack -G DEB` in the build folder):
#
#   share/metainfo/<id>.metainfo.xml   AppStream data for software centres
#   share/man/man1/*.1.gz              dayscrib(1), dayscrib-zip(1)
#   share/doc/dayscrib/html/           the help pages, for a browser
#   share/doc/dayscrib/copyright, changelog.gz, share/doc-base/dayscrib,
#   share/lintian/overrides/dayscrib   only in the package (component "deb")
#
# The reverse-DNS id names the desktop file and the AppStream data alike.
# Included from the top-level CMakeLists.txt after the programs' install rules.

set(DAYSCRIB_APP_ID io.github.dayscrib.Dayscrib)
set(DAYSCRIB_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/dayscrib)

# Both programs say the project's version (--version).
set_property(SOURCE src/app/command_line.cpp tools/dayscrib-zip/main.cpp APPEND
             PROPERTY COMPILE_DEFINITIONS DAYSCRIB_VERSION="${PROJECT_VERSION}")

# --- manual pages: roff in docs/man, installed compressed as Debian wants ---
find_program(DAYSCRIB_GZIP gzip REQUIRED)
set(man_outputs)
foreach(page dayscrib.1 dayscrib-zip.1)
    set(gz ${CMAKE_BINARY_DIR}/man/${page}.gz)
    # -n: no name or time stamp inside, so the same page gives the same bytes.
    add_custom_command(OUTPUT ${gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND sh -c "${DAYSCRIB_GZIP} -9n < \"$0\" > \"$1\""
                ${CMAKE_SOURCE_DIR}/docs/man/${page} ${gz}
        DEPENDS ${CMAKE_SOURCE_DIR}/docs/man/${page}
        COMMENT "Compressing the manual page ${page}" VERBATIM)
    list(APPEND man_outputs ${gz})
endforeach()

# --- the package's own documents: copyright from License.txt, the changelog ---
file(READ ${CMAKE_SOURCE_DIR}/License.txt license_text)
string(STRIP "${license_text}" license_text)
string(REGEX REPLACE "\n\n" "\n.\n" license_text "${license_text}") # empty line: " ."
string(REPLACE "\n" "\n " license_text " ${license_text}")
configure_file(${CMAKE_SOURCE_DIR}/packaging/copyright.in ${CMAKE_BINARY_DIR}/deb/copyright @ONLY)
set(changelog_gz ${CMAKE_BINARY_DIR}/deb/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
    COMMAND sh -c "${DAYSCRIB_GZIP} -9n < \"$0\" > \"$1\""
            ${CMAKE_SOURCE_DIR}/packaging/changelog ${changelog_gz}
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog VERBATIM)
add_custom_target(dayscrib_docs ALL DEPENDS ${man_outputs} ${changelog_gz})

install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES resources/${DAYSCRIB_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
file(GLOB help_pages CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/help/*.html)
install(FILES ${help_pages} DESTINATION ${DAYSCRIB_DOCDIR}/html)
install(FILES ${CMAKE_BINARY_DIR}/deb/copyright ${changelog_gz}
        DESTINATION ${DAYSCRIB_DOCDIR} COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES packaging/doc-base RENAME dayscrib
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc-base COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES packaging/lintian-overrides RENAME dayscrib
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides COMPONENT deb EXCLUDE_FROM_ALL)

# --- the AppStream screenshot: the real main window under the offscreen
# platform, over a diary of a few sample entries (`cmake --build build
# --target screenshot` makes resources/screenshots/main-window.png anew) ---
if(DAYSCRIB_GUI)
    add_executable(dayscrib-screenshot tools/dayscrib-screenshot/main.cpp)
    target_link_libraries(dayscrib-screenshot PRIVATE dayscrib_app)
    add_custom_target(screenshot
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                $<TARGET_FILE:dayscrib-screenshot>
                ${CMAKE_SOURCE_DIR}/resources/screenshots/main-window.png
        DEPENDS dayscrib-screenshot VERBATIM)
endif()

# --- the Debian package ---
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dayscrib)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Dayscrib authors")
set(CPACK_PACKAGE_CONTACT "The Dayscrib authors <dayscrib@users.noreply.github.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Everything the plain install puts in place, then the package's own documents.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${CMAKE_BINARY_DIR};Dayscrib;ALL;/" "${CMAKE_BINARY_DIR};Dayscrib;deb;/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # dayscrib_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/dayscrib/dayscrib)
# Libraries from what the programs link (dpkg-shlibdeps); Qt's SVG plugin is
# loaded at run time for the tool bar's icons, and libcrypto when the first
# AES member is met, so no link names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, libssl3 (>= 3.0.0)")
# Spelling needs a dictionary; without one it is simply off.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hunspell-en-us | hunspell-dictionary")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "diary with one rich-text entry a day
Dayscrib keeps a diary on the desktop: one entry a day, written with fonts,
colours, bullets and indents, and a summary for each week, month and year.
Entries are found in a month calendar and a date tree, searched for a word
across years, and locked one by one with a password. Up to five diaries are
kept side by side.
.
Every diary is one ordinary zip archive of RTF documents, rewritten so that a
save never leaves it half-written, with a daily copy kept. The package also
holds dayscrib-zip, which lists, tests, extracts and adds entries from
scripts.")
include(CPack)
