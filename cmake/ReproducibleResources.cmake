# Qt's resource compiler stamps each file it embeds with the file's modification time, which is the
# time the checkout wrote it: two clones of one commit would build different programs. rcc takes the
# date from SOURCE_DATE_EPOCH instead, but AUTORCC runs it with the build's own environment, so every
# target runs it through a script that gives it the build's date (cmake/Install.cmake). Included
# after every target is defined.
get_target_property(sorvik_rcc Qt6::rcc LOCATION)
set(SORVIK_RCC ${CMAKE_BINARY_DIR}/rcc-dated)
# Rewritten only when the date changes; AUTORCC runs rcc again when its executable is newer.
file(CONFIGURE OUTPUT ${SORVIK_RCC} @ONLY CONTENT
"#!/bin/sh
SOURCE_DATE_EPOCH=@SORVIK_SOURCE_DATE_EPOCH@ exec '@sorvik_rcc@' \"$@\"
")
file(CHMOD ${SORVIK_RCC} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)

function(sorvik_dated_rcc directory)
    get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(autorcc ${target} AUTORCC)
        if(autorcc)
            set_property(TARGET ${target} PROPERTY AUTORCC_EXECUTABLE ${SORVIK_RCC})
        endif()
    endforeach()
    get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
    foreach(subdirectory IN LISTS subdirectories)
        sorvik_dated_rcc(${subdirectory})
    endforeach()
endfunction()
sorvik_dated_rcc(${CMAKE_SOURCE_DIR})
