# Fails when the layers lean the wrong way:
# - a headless program (the core's test, the command line) links Qt Gui or
#   Widgets;
# - protocol includes Qt or anything of ours above it; core or cli includes the
#   window, or a widget header; cli and the window include each other;
# - a view (gui/dialogs, gui/boardlist) includes the application;
# - within the core, a folder includes one above it in the flow: messages,
#   then net, host, exchange, and monitor and firmware on top.
# cmake -DSOURCE_DIR=... -DHEADLESS_PROGRAMS="a;b" -P LayeringCheck.cmake
find_program(READELF readelf REQUIRED)
foreach(program ${HEADLESS_PROGRAMS})
    execute_process(COMMAND ${READELF} -d ${program} OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "readelf failed on ${program}")
    endif()
    if(NOT dynamic MATCHES "libQt6Core")
        message(FATAL_ERROR "${program} does not link Qt Core: the check looks at the wrong program")
    endif()
    string(REGEX MATCHALL "libQt6(Gui|Widgets|OpenGL|Svg)[^]]*" gui "${dynamic}")
    if(gui)
        message(FATAL_ERROR "${program} links ${gui}; the core and the command line stay on Qt Core")
    endif()
endforeach()

set(bad "")
# check(<folders> <regex>): every file under the folders, each include line
# matching the regex.
function(check folders regex)
    set(files "")
    foreach(folder ${folders})
        file(GLOB_RECURSE found ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
        list(APPEND files ${found})
    endforeach()
    foreach(file ${files})
        file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](${regex})")
        foreach(line ${lines})
            list(APPEND bad "${file}: ${line}")
        endforeach()
    endforeach()
    set(bad "${bad}" PARENT_SCOPE)
endfunction()

set(widgets "Q[A-Za-z]*Widget|QApplication|QGuiApplication|QtGui|QtWidgets|QDialog|QPainter")
check("src/protocol" "Q|core/|cli/|gui/")
check("src/core" "cli/|gui/|${widgets}")
check("src/core/messages" "core/(net|host|exchange|monitor|firmware)/")
check("src/core/net" "core/(host|exchange|monitor|firmware)/")
check("src/core/host" "core/(exchange|monitor|firmware)/")
check("src/core/exchange" "core/(monitor|firmware)/")
check("src/core/monitor" "core/firmware/")
check("src/core/firmware" "core/monitor/")
check("src/cli" "gui/|${widgets}")
check("src/gui" "cli/")
check("tools/board_simulator" "core/|cli/|gui/")
check("src/gui/dialogs;src/gui/boardlist" "gui/app/")
# The README's Layout table names every folder of the sources and tools.
file(READ ${SOURCE_DIR}/README.md readme)
file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/src/* ${SOURCE_DIR}/src/core/* ${SOURCE_DIR}/src/gui/* ${SOURCE_DIR}/tools/*)
foreach(folder ${folders})
    if(IS_DIRECTORY ${SOURCE_DIR}/${folder} AND NOT readme MATCHES "\\| `${folder}` \\|")
        list(APPEND bad "README.md: the Layout table has no row for ${folder}")
    endif()
endforeach()

if(bad)
    list(JOIN bad "\n" report)
    message(FATAL_ERROR "the layers lean the wrong way:\n${report}")
endif()
message(STATUS "layering holds")
