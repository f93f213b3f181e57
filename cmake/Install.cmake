# What `cmake --install` puts on the system: the program, its desktop entry, metainfo, icons,
# manual page, bash completion and documentation (with the copyright file and the changelogs).

option(SORVIK_MANPAGE "Generate the manual page from --help with help2man" ON)

# The date of the last commit stands for the build's date: the manual page and the package's
# files take it, so that two builds of one commit are the same. SOURCE_DATE_EPOCH set in the
# environment when CMake runs wins; a commit re-runs CMake so that the date follows it.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(SORVIK_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
    execute_process(COMMAND git log -1 --format=%ct
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        OUTPUT_VARIABLE SORVIK_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND git rev-parse --path-format=absolute --git-path logs/HEAD
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        OUTPUT_VARIABLE git_head_log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(git_head_log AND EXISTS "${git_head_log}")
        set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${git_head_log}")
    endif()
endif()
if(NOT SORVIK_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    string(TIMESTAMP SORVIK_SOURCE_DATE_EPOCH "%s" UTC)
endif()
# Rewritten only when the date changes, so that only then the manual page is made anew.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/source-date-epoch CONTENT "${SORVIK_SOURCE_DATE_EPOCH}\n")

install(TARGETS sorvik RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped program (the package's) also loses the compiler's .comment and .note sections, as
# Debian's own packages do.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/sorvik\" COMMAND_ERROR_IS_FATAL ANY)
endif()")

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

# Documentation: the machine-readable copyright file, the release history and its Debian
# counterpart, compressed as Debian wants them (gzip -9n: no name, no date, so the same bytes).
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(SORVIK_DOC_GZ)
foreach(log IN ITEMS changelog debian/changelog)
    string(REPLACE "debian/changelog" "changelog.Debian" name ${log})
    set(out ${CMAKE_BINARY_DIR}/doc/${name})
    add_custom_command(OUTPUT ${out}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/data/${log} ${out}
        COMMAND ${GZIP_EXECUTABLE} -9nf ${out}
        DEPENDS ${CMAKE_SOURCE_DIR}/data/${log}
        VERBATIM)
    list(APPEND SORVIK_DOC_GZ ${out}.gz)
endforeach()
add_custom_target(changelogs ALL DEPENDS ${SORVIK_DOC_GZ})
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/data/debian/copyright ${SORVIK_DOC_GZ}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/data/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME sorvik)

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
        COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
                ${CMAKE_COMMAND} -DSORVIK=$<TARGET_FILE:sorvik> -DOUTPUT_DIR=${SORVIK_MANPAGE_DIR}
                -P ${CMAKE_SOURCE_DIR}/cmake/ManualPage.cmake
        COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
                SOURCE_DATE_EPOCH=${SORVIK_SOURCE_DATE_EPOCH}
                ${HELP2MAN_EXECUTABLE} --no-info --section=1
                --include=${SORVIK_MANPAGE_DIR}/commands.h2m --include=${CMAKE_SOURCE_DIR}/docs/sorvik.h2m
                --output=${SORVIK_MANPAGE_FILE} ${SORVIK_MANPAGE_DIR}/sorvik
        COMMAND ${GZIP_EXECUTABLE} -9nkf ${SORVIK_MANPAGE_FILE}
        DEPENDS sorvik ${CMAKE_SOURCE_DIR}/docs/sorvik.h2m ${CMAKE_SOURCE_DIR}/cmake/ManualPage.cmake
                ${CMAKE_BINARY_DIR}/source-date-epoch
        BYPRODUCTS ${SORVIK_MANPAGE_FILE}.gz
        COMMENT "Manual page sorvik(1) from sorvik --help"
        VERBATIM)
    add_custom_target(manpage ALL DEPENDS ${SORVIK_MANPAGE_FILE})
    install(FILES ${SORVIK_MANPAGE_FILE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
