# Read by cpack for each generator. Without dpkg-shlibdeps cpack would leave out the
# libraries of the Depends field, and the package would install without Qt.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(PIVORA_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(NOT PIVORA_DPKG_SHLIBDEPS)
    message(FATAL_ERROR "The Debian package needs dpkg-shlibdeps: apt-get install dpkg-dev")
  endif()
endif()
