# Run by cpack (CPACK_PRE_BUILD_SCRIPTS) once the files of a package are
# staged: a package without a single file is an error, not a success.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
if(NOT staged)
  message(FATAL_ERROR "no files to pack in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}: refusing to write an empty package")
endif()
