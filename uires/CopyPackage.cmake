# cmake -DSOURCE=<uires> -DDEST=<out/uires> -P CopyPackage.cmake
# Copies the package's files, not its build and documentation files, writing
# only those whose content differs.
file(GLOB_RECURSE files RELATIVE "${SOURCE}" "${SOURCE}/*")
foreach(file IN LISTS files)
  if(file MATCHES "(^|/)(CMakeLists\\.txt|README\\.md)$" OR file MATCHES "\\.cmake$")
    continue()
  endif()
  get_filename_component(folder "${DEST}/${file}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${SOURCE}/${file}" "${DEST}/${file}" ONLY_IF_DIFFERENT)
endforeach()
