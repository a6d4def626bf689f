# Run by CPack between staging the files and packing them (CPACK_PRE_BUILD_SCRIPTS). For the Debian
# package only, packaging/debian-docs adds what Debian expects beside the program: the manual page
# compressed, the changelog, and, for dpkg-shlibdeps (which CPack runs next in the staging folder),
# the oldest libcurl the program works with.
if(CPACK_GENERATOR STREQUAL "DEB")
  execute_process(
    COMMAND sh "${CPACK_TARNWICK_PACKAGING_DIR}/debian-docs" "${CPACK_TEMPORARY_DIRECTORY}"
            "${CPACK_PACKAGING_INSTALL_PREFIX}" "${CPACK_PACKAGE_NAME}" "${CPACK_PACKAGE_CONTACT}"
            "${CPACK_TARNWICK_CHANGELOG}" "${CPACK_TARNWICK_CURL_MINIMUM}"
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "packaging/debian-docs failed (${status})")
  endif()
endif()
