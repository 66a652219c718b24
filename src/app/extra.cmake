# The program's icon (built into the program for its windows) and its desktop entry, installed
# where desktops look for them.
if(TARGET qb_app)
  target_sources(qb_app PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/resources/quillbox2.qrc)
endif()
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/resources/quillbox2.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/resources/quillbox2.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 256)
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/resources/quillbox2-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME quillbox2.png)
endforeach()
