# The program reads its assets beside itself (its working folder is its own folder): the build
# tree's bin/assets mirrors the source tree's assets by links, at every build, with built content
# (the music project) added to it. See program_assets.cmake.
set(ORVELLA_PROGRAM_ASSETS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/assets)
# Where an installed program finds its assets (beside itself), relative to the install prefix.
set(ORVELLA_INSTALL_ASSETS_DIR bin/assets CACHE STRING "Install folder of the program's assets")
add_custom_target(program_assets ALL
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR}/assets -DTARGET=${ORVELLA_PROGRAM_ASSETS}
          -P ${CMAKE_SOURCE_DIR}/cmake/program_assets.cmake
  COMMENT "Linking the program's assets"
  VERBATIM)
