# Install rules: `cmake --install build --prefix DIR` makes a folder that runs from anywhere.
# The program, the tools and the test harness go to bin/ with the assets beside them (the
# program reads "assets" in its own folder and loads the harness from there); the shared
# libraries go to lib/. Run paths are relative to each binary, so the folder can be moved.
include(GNUInstallDirs)

set(orvella_installed_programs quillomer-lorvane kspack zxml prefsdump hiscoredump
    orvella-lua vexpack tonegen dxdemo mvecgen artgen soundgen)
foreach(t ${orvella_installed_programs})
  if(TARGET ${t})
    set_target_properties(${t} PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
    install(TARGETS ${t} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

foreach(t orvella_platform VexaAPI)
  if(TARGET ${t})
    set_target_properties(${t} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${t} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  endif()
endforeach()
if(TARGET VexaAPI)
  install(FILES ${CMAKE_SOURCE_DIR}/audio_engine/api/vexa_api.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endif()

if(TARGET ksHarness)
  set_target_properties(ksHarness PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  install(TARGETS ksHarness LIBRARY DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The built music project joins them (sound/).
if(TARGET quillomer-lorvane)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/assets/ DESTINATION ${ORVELLA_INSTALL_ASSETS_DIR}
          PATTERN README.md EXCLUDE)
endif()
