# The one release number: project(... VERSION X.Y.Z) in the top CMakeLists.txt. It is
# generated into tollmere_version.h (target tollmere_version) for the programs, the About box
# and the RINEX comment line, and into the manual page, the pkg-config files and the package.
configure_file(${CMAKE_SOURCE_DIR}/cmake/tollmere_version.h.in
               ${CMAKE_BINARY_DIR}/generated/tollmere_version.h @ONLY)
add_library(tollmere_version INTERFACE)
target_include_directories(tollmere_version INTERFACE ${CMAKE_BINARY_DIR}/generated)

# The manual page keeps its source version readable; the installed copy carries this
# release in its title line.
file(READ ${CMAKE_SOURCE_DIR}/doc/tollmere-cli.1 TOLLMERE_MAN_PAGE)
string(REGEX REPLACE "(^|\n)(\\.TH [^\n]*)\"Tollmere [^\"]*\"" "\\1\\2\"Tollmere ${PROJECT_VERSION}\""
       TOLLMERE_MAN_PAGE "${TOLLMERE_MAN_PAGE}")
file(WRITE ${CMAKE_BINARY_DIR}/doc/tollmere-cli.1.new "${TOLLMERE_MAN_PAGE}")
configure_file(${CMAKE_BINARY_DIR}/doc/tollmere-cli.1.new ${CMAKE_BINARY_DIR}/doc/tollmere-cli.1
               COPYONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_SOURCE_DIR}/doc/tollmere-cli.1)
