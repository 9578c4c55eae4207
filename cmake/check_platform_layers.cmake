# Fails when a file of a platform component includes a component it may not use.
#   ROOT   the platform/linux folder
#   RULES  "component:used,used ..." for each component, space-separated
#   STAMP  written when every include is allowed
cmake_minimum_required(VERSION 3.20)

separate_arguments(rules UNIX_COMMAND "${RULES}")
set(components "")
foreach(rule ${rules})
    string(REGEX REPLACE ":.*" "" component "${rule}")
    list(APPEND components ${component})
endforeach()

set(wrong "")
foreach(rule ${rules})
    string(REGEX REPLACE ":.*" "" component "${rule}")
    string(REGEX REPLACE "^[^:]*:" "" allowed "${rule}")
    string(REPLACE "," ";" allowed "${allowed}")
    list(APPEND allowed ${component})
    file(GLOB files ${ROOT}/${component}/*.h ${ROOT}/${component}/*.cpp)
    foreach(file ${files})
        file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"platform/linux/[^/\"]+/")
        foreach(line ${includes})
            string(REGEX REPLACE ".*\"platform/linux/([^/\"]+)/.*" "\\1" used "${line}")
            if(NOT used IN_LIST allowed)
                file(RELATIVE_PATH name ${ROOT} ${file})
                list(APPEND wrong "  ${name}: ${line} (${component} may use: ${allowed})")
            endif()
        endforeach()
    endforeach()
endforeach()

if(wrong)
    string(REPLACE ";" "\n" wrong "${wrong}")
    message(FATAL_ERROR "platform component includes a component above it:\n${wrong}")
endif()
file(WRITE ${STAMP} "")
