# A Release build is hardened as Debian builds its packages: the flags of dpkg-buildflags
# with every hardening feature (fortified string and memory functions, stack protection,
# format checks, a read-only relocation table bound at start). The build type keeps its
# own optimisation and debugging information. Where dpkg-buildflags is missing (not
# Debian), nothing is added. Other build types stay without: the sanitizer builds
# (RelWithDebInfo) must see every memory access themselves.
option(PAGEWARDEN_HARDENING "Build Release with the hardening flags of dpkg-buildflags" ON)
find_program(PAGEWARDEN_DPKG_BUILDFLAGS dpkg-buildflags)
if(PAGEWARDEN_HARDENING AND PAGEWARDEN_DPKG_BUILDFLAGS AND CMAKE_BUILD_TYPE STREQUAL "Release")
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
              ${PAGEWARDEN_DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^-(g.*|O.*|ffile-prefix-map=.*)$")
    if(kind STREQUAL "LDFLAGS")
      add_link_options(${flags})
    else()
      add_compile_options(${flags})
    endif()
  endforeach()
endif()
