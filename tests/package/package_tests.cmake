# The Debian package, the AppStream data and the manual pages (tests/package):
# included from tests/CMakeLists.txt, which defines dayscrib_test.
dayscrib_test(test_package DIRS package)
if(TARGET test_package)
    add_dependencies(test_package dayscrib dayscrib-rtf-text dayscrib_docs dayscrib-screenshot)
    target_compile_definitions(test_package PRIVATE
        DAYSCRIB_BUILD_DIR="${CMAKE_BINARY_DIR}" DAYSCRIB_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        DAYSCRIB_CPACK="${CMAKE_CPACK_COMMAND}" DAYSCRIB_VERSION="${PROJECT_VERSION}"
        DAYSCRIB_SCREENSHOT_TOOL="$<TARGET_FILE:dayscrib-screenshot>")
endif()
