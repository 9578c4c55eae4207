# dq_module_resources(<target> <table>)
# Gives a module the resources described in a resource table (see module/resources.table):
# on Windows a generated .rc file compiled by windres, on Linux generated C++ data that the
# module registers with the platform's window manager under its own instance handle.
set(DQ_RESOURCES_GENERATOR ${CMAKE_CURRENT_LIST_DIR}/dq_resources_generate.cmake)

function(dq_module_resources target table)
    get_filename_component(table ${table} ABSOLUTE)
    if(WIN32)
        enable_language(RC)
        set(kind rc)
        set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.rc)
    else()
        set(kind cpp)
        set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
    endif()
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -DKIND=${kind} -DTABLE=${table} -DOUTPUT=${output}
                -P ${DQ_RESOURCES_GENERATOR}
        DEPENDS ${table} ${DQ_RESOURCES_GENERATOR}
        COMMENT "Generating ${target}'s resources from ${table}"
        VERBATIM)
    target_sources(${target} PRIVATE ${output})
endfunction()
