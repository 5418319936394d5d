# The help file aggregation.chm, compiled from the HTML sources in docs/help with chmcmd and
# placed next to the library (bin/). The Windows builds make it by default; natively it is made
# when chmcmd is installed and something asks for it (the host tests do).
find_program(AGG_CHMCMD chmcmd)
file(GLOB AGG_HELP_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/help/*)
set(AGG_HELP_FILE ${CMAKE_BINARY_DIR}/bin/aggregation.chm)

if(AGG_CHMCMD)
  add_custom_command(
    OUTPUT ${AGG_HELP_FILE}
    COMMAND ${CMAKE_SOURCE_DIR}/cmake/build-chm.sh ${CMAKE_SOURCE_DIR}/docs/help
            ${CMAKE_BINARY_DIR}/help ${AGG_HELP_FILE} ${AGG_CHMCMD}
    DEPENDS ${AGG_HELP_SOURCES} ${CMAKE_SOURCE_DIR}/cmake/build-chm.sh
    COMMENT "Compiling the help file aggregation.chm"
    VERBATIM)
  if(WIN32)
    add_custom_target(help_file ALL DEPENDS ${AGG_HELP_FILE})
  else()
    add_custom_target(help_file DEPENDS ${AGG_HELP_FILE})
  endif()
elseif(WIN32)
  message(FATAL_ERROR "chmcmd (package fp-utils) is needed for the help file: run scripts/setup.sh")
endif()

# The shipped set carries the help file beside the library.
if(TARGET dist AND TARGET help_file)
  add_dependencies(dist help_file)
endif()
