# Script mode (cmake -DSORVIK=... -DOUTPUT_DIR=... -P ManualPage.cmake): prepares what help2man
# makes the manual page from, all out of the program's own help texts:
#   OUTPUT_DIR/sorvik           answers --help and --version for help2man: the program's help
#                               without its exit statuses, and its version
#   OUTPUT_DIR/commands.h2m     one section per command ("sorvik scan --help" with its options)
#                               and the exit statuses, given once
# The program runs without a display.
cmake_minimum_required(VERSION 3.25)

function(roff_escape text out)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    # A line that starts with a dot or an apostrophe would be read as a request, one that starts
    # with a bracket or a slash by help2man as a section or a pattern.
    string(REGEX REPLACE "(^|\n)([.'/]|@OPEN@)" "\\1\\\\&\\2" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(run_sorvik out)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
                            ${SORVIK} ${ARGN}
                    OUTPUT_VARIABLE text RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "sorvik ${ARGN} failed: ${status}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The lines of a help text's block (e.g. "Options:") as roff entries: "  NAMES   description" with
# indented continuation lines becomes .TP, NAMES in bold. Lines that are not indented, a paragraph
# after the entries, go to <out>_after as text.
function(entries_to_roff lines out)
    set(roff "")
    set(after "")
    foreach(line IN LISTS lines)
        if(line MATCHES "^[^ ]")
            roff_escape("${line}" text)
            string(APPEND after "${text}\n")
            continue()
        endif()
        # The names: an option (or a status) and its value, e.g. "--primary SERVER" or "-h, --help".
        set(names "")
        if(line MATCHES "^  ([^ ]+,? ?[^ ]*)  +([^ ].*)$")
            set(names "${CMAKE_MATCH_1}")
            set(description "${CMAKE_MATCH_2}")
        elseif(line MATCHES "^  ([^ ]+)$")
            set(names "${CMAKE_MATCH_1}")
            set(description "")
        endif()
        if(names)
            string(STRIP "${names}" names)
            roff_escape("${names}" names)
            roff_escape("${description}" description)
            string(APPEND roff ".TP\n.B ${names}\n${description}\n")
        elseif(line MATCHES "^ +([^ ].*)$")
            roff_escape("${CMAKE_MATCH_1}" more)
            string(APPEND roff "${more}\n")
        endif()
    endforeach()
    set(${out} "${roff}" PARENT_SCOPE)
    set(${out}_after "${after}" PARENT_SCOPE)
endfunction()

# A help text split into blocks at its headings ("Options:", "Exit status:"): sets
# <prefix>_TEXT (before the first heading) and <prefix>_<HEADING> with the block's lines.
function(split_help text prefix)
    # List separators and brackets inside the text stand for themselves.
    string(REPLACE ";" "@SEMICOLON@" text "${text}")
    string(REPLACE "[" "@OPEN@" text "${text}")
    string(REPLACE "]" "@CLOSE@" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    set(block TEXT)
    set(TEXT "")
    foreach(line IN LISTS lines)
        if(line MATCHES "^([A-Z][a-z ]+):$")
            string(TOUPPER "${CMAKE_MATCH_1}" block)
            string(REPLACE " " "_" block "${block}")
            set(${block} "")
        else()
            list(APPEND ${block} "${line}")
        endif()
    endforeach()
    foreach(name TEXT OPTIONS EXIT_STATUS COMMANDS ENVIRONMENT)
        set(${prefix}_${name} "${${name}}" PARENT_SCOPE)
    endforeach()
endfunction()

run_sorvik(help --help)
run_sorvik(version --version)
string(FIND "${help}" "\nExit status:\n" exit_at)
string(SUBSTRING "${help}" 0 ${exit_at} help_without_exit)
file(WRITE ${OUTPUT_DIR}/help.txt "${help_without_exit}\n")
file(WRITE ${OUTPUT_DIR}/version.txt "${version}")
file(WRITE ${OUTPUT_DIR}/sorvik
     "#!/bin/sh\ncase \"$1\" in\n--version) cat '${OUTPUT_DIR}/version.txt' ;;\n*) cat '${OUTPUT_DIR}/help.txt' ;;\nesac\n")
file(CHMOD ${OUTPUT_DIR}/sorvik PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                            WORLD_READ WORLD_EXECUTE)

split_help("${help}" program)
set(include "")
foreach(line IN LISTS program_COMMANDS)
    if(NOT line MATCHES "^  ([a-z]+)( |$)")
        continue()
    endif()
    set(command "${CMAKE_MATCH_1}")
    run_sorvik(details ${command} --help)
    split_help("${details}" cmd)
    # The usage line, then the paragraphs, then the options.
    list(POP_FRONT cmd_TEXT usage)
    # A long usage goes on in indented lines.
    list(GET cmd_TEXT 0 more)
    while(more MATCHES "^ +([^ ].*)$")
        string(APPEND usage " ${CMAKE_MATCH_1}")
        list(POP_FRONT cmd_TEXT)
        list(GET cmd_TEXT 0 more)
    endwhile()
    string(REGEX REPLACE "^Usage: sorvik [a-z]+ ?" "" synopsis "${usage}")
    roff_escape("${synopsis}" synopsis)
    list(JOIN cmd_TEXT "\n" paragraphs)
    string(STRIP "${paragraphs}" paragraphs)
    roff_escape("${paragraphs}" paragraphs)
    string(REGEX REPLACE "\n\n+" "\n.PP\n" paragraphs "${paragraphs}")
    entries_to_roff("${cmd_OPTIONS}" options)
    entries_to_roff("${cmd_EXIT_STATUS}" statuses)
    string(TOUPPER "${command}" upper)
    string(APPEND include "[COMMAND ${upper}]\n.B sorvik ${command}\n${synopsis}\n.PP\n${paragraphs}\n"
                          ".PP\nOptions:\n.RS\n${options}.RE\n")
    if(options_after)
        string(APPEND include ".PP\n${options_after}")
    endif()
    string(APPEND include ".PP\nExit status:\n.RS\n${statuses}.RE\n\n")
endforeach()
entries_to_roff("${program_EXIT_STATUS}" exit_statuses)
string(APPEND include "[EXIT STATUS]\n${exit_statuses}\n")
string(REPLACE "@SEMICOLON@" ";" include "${include}")
string(REPLACE "@OPEN@" "[" include "${include}")
string(REPLACE "@CLOSE@" "]" include "${include}")
file(WRITE ${OUTPUT_DIR}/commands.h2m "${include}")
