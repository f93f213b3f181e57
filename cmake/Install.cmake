# What `cmake --install` puts on the system: the program, its desktop entry, metainfo, icons,
# manual page, bash completion and documentation.

option(SORVIK_MANPAGE "Generate the manual page from --help with help2man" ON)

install(TARGETS sorvik RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${CMAKE_SOURCE_DIR}/data/${SORVIK_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/${SORVIK_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

install(FILES ${CMAKE_SOURCE_DIR}/data/icons/${SORVIK_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The PNG sizes are rendered from the SVG by scripts/render-icons.sh and kept in the tree.
set(SORVIK_ICON_SIZES 16 22 24 32 48 64 128 256)
foreach(size IN LISTS SORVIK_ICON_SIZES)
    install(FILES ${CMAKE_SOURCE_DIR}/data/icons/${size}/${SORVIK_APP_ID}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/data/sorvik.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME sorvik)

install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The manual page is made from the built program's --help and --version, so it cannot fall out of
# step with them; docs/sorvik.h2m adds what --help does not say. Both run without a display.
if(SORVIK_MANPAGE)
    find_program(HELP2MAN_EXECUTABLE help2man)
    if(NOT HELP2MAN_EXECUTABLE)
        message(FATAL_ERROR "help2man not found: install it (scripts/setup.sh build) or configure with -DSORVIK_MANPAGE=OFF")
    endif()
    set(SORVIK_MANPAGE_FILE ${CMAKE_BINARY_DIR}/sorvik.1)
    # cmake/ManualPage.cmake gives each command its own section from 'sorvik COMMAND --help'.
    set(SORVIK_MANPAGE_DIR ${CMAKE_BINARY_DIR}/manpage)
    add_custom_command(OUTPUT ${SORVIK_MANPAGE_FILE}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${SORVIK_MANPAGE_DIR}
        COMMAND ${CMAKE_COMMAND} -DSORVIK=$<TARGET_FILE:sorvik> -DOUTPUT_DIR=${SORVIK_MANPAGE_DIR}
                -P ${CMAKE_SOURCE_DIR}/cmake/ManualPage.cmake
        COMMAND ${HELP2MAN_EXECUTABLE} --no-info --section=1
                --include=${SORVIK_MANPAGE_DIR}/commands.h2m --include=${CMAKE_SOURCE_DIR}/docs/sorvik.h2m
                --output=${SORVIK_MANPAGE_FILE} ${SORVIK_MANPAGE_DIR}/sorvik
        DEPENDS sorvik ${CMAKE_SOURCE_DIR}/docs/sorvik.h2m ${CMAKE_SOURCE_DIR}/cmake/ManualPage.cmake
        COMMENT "Manual page sorvik(1) from sorvik --help"
        VERBATIM)
    add_custom_target(manpage ALL DEPENDS ${SORVIK_MANPAGE_FILE})
    install(FILES ${SORVIK_MANPAGE_FILE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
