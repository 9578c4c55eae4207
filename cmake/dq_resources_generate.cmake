# Writes a module's resources from its resource table, run as
#   cmake -DKIND=rc|cpp -DTABLE=<table> -DOUTPUT=<file> -P dq_resources_generate.cmake
# rc: a resource script for windres. cpp: C++ data registered with the platform on load.
cmake_minimum_required(VERSION 3.20)

set(dialogs "")
set(strings "")

# Each command records its resource in variables of the including scope.
function(dq_dialog id)
    cmake_parse_arguments(PARSE_ARGV 1 D "" "LANGUAGE;EXSTYLE;CAPTION;WEIGHT;ITALIC;CHARSET"
                          "STYLE;RECT;FONT")
    if(NOT DEFINED D_LANGUAGE OR NOT D_STYLE OR NOT D_RECT)
        message(FATAL_ERROR "dq_dialog(${id}): LANGUAGE, STYLE and RECT are required")
    endif()
    set(dialogs ${dialogs} ${id} PARENT_SCOPE)
    set(dialog_${id}_language ${D_LANGUAGE} PARENT_SCOPE)
    string(JOIN " " style ${D_STYLE})
    set(dialog_${id}_style "${style}" PARENT_SCOPE)
    if(NOT DEFINED D_EXSTYLE)
        set(D_EXSTYLE 0)
    endif()
    set(dialog_${id}_exstyle "${D_EXSTYLE}" PARENT_SCOPE)
    set(dialog_${id}_rect ${D_RECT} PARENT_SCOPE)
    set(dialog_${id}_caption "${D_CAPTION}" PARENT_SCOPE)
    set(dialog_${id}_font "${D_FONT}" PARENT_SCOPE)
    set(defaults WEIGHT 0 ITALIC 0 CHARSET 1)
    foreach(field WEIGHT ITALIC CHARSET)
        if(NOT DEFINED D_${field})
            list(FIND defaults ${field} at)
            math(EXPR at "${at} + 1")
            list(GET defaults ${at} D_${field})
        endif()
        set(dialog_${id}_${field} ${D_${field}} PARENT_SCOPE)
    endforeach()
    set(dialog_${id}_controls "" PARENT_SCOPE)
endfunction()

function(dq_control dialog)
    cmake_parse_arguments(PARSE_ARGV 1 C "" "CLASS;ID;TEXT;EXSTYLE" "STYLE;RECT")
    if(NOT DEFINED dialog_${dialog}_rect)
        message(FATAL_ERROR "dq_control: dialog ${dialog} is not defined above")
    endif()
    list(LENGTH dialog_${dialog}_controls n)
    set(dialog_${dialog}_controls ${dialog_${dialog}_controls} ${n} PARENT_SCOPE)
    set(control_${dialog}_${n}_class "${C_CLASS}" PARENT_SCOPE)
    set(control_${dialog}_${n}_id ${C_ID} PARENT_SCOPE)
    set(control_${dialog}_${n}_text "${C_TEXT}" PARENT_SCOPE)
    string(JOIN " " style ${C_STYLE})
    set(control_${dialog}_${n}_style "${style}" PARENT_SCOPE)
    if(NOT DEFINED C_EXSTYLE)
        set(C_EXSTYLE 0)
    endif()
    set(control_${dialog}_${n}_exstyle "${C_EXSTYLE}" PARENT_SCOPE)
    set(control_${dialog}_${n}_rect ${C_RECT} PARENT_SCOPE)
endfunction()

function(dq_string id)
    cmake_parse_arguments(PARSE_ARGV 1 S "" "LANGUAGE;TEXT" "")
    if(NOT DEFINED S_LANGUAGE OR NOT DEFINED S_TEXT)
        message(FATAL_ERROR "dq_string(${id}): LANGUAGE and TEXT are required")
    endif()
    set(strings ${strings} ${id} PARENT_SCOPE)
    set(string_${id}_language ${S_LANGUAGE} PARENT_SCOPE)
    set(string_${id}_text "${S_TEXT}" PARENT_SCOPE)
endfunction()

include(${TABLE})

# Text as a C++ UTF-16 literal or a resource-script string.
function(quote kind text out)
    if(kind STREQUAL "cpp")
        string(REPLACE "\\" "\\\\" text "${text}")
        string(REPLACE "\"" "\\\"" text "${text}")
        set(${out} "u\"${text}\"" PARENT_SCOPE)
    else()
        string(REPLACE "\\" "\\\\" text "${text}")
        string(REPLACE "\"" "\"\"" text "${text}")
        set(${out} "\"${text}\"" PARENT_SCOPE)
    endif()
endfunction()

function(language_statement langid out)
    math(EXPR primary "${langid} & 0x3FF" OUTPUT_FORMAT HEXADECIMAL)
    math(EXPR sub "${langid} >> 10" OUTPUT_FORMAT HEXADECIMAL)
    set(${out} "LANGUAGE ${primary}, ${sub}" PARENT_SCOPE)
endfunction()

get_filename_component(table_name ${TABLE} NAME)
set(text "")

if(KIND STREQUAL "rc")
    string(APPEND text "// Generated from ${table_name} by dq_resources_generate.cmake; do not edit.\n")
    string(APPEND text "#include <windows.h>\n#pragma code_page(65001)\n")
    foreach(id IN LISTS dialogs)
        language_statement(${dialog_${id}_language} lang)
        list(JOIN dialog_${id}_rect ", " rect)
        string(APPEND text "\n${lang}\n${id} DIALOGEX ${rect}\n")
        string(APPEND text "STYLE ${dialog_${id}_style}\nEXSTYLE ${dialog_${id}_exstyle}\n")
        # A CAPTION statement would add WS_CAPTION, so an empty caption is left out.
        if(NOT dialog_${id}_caption STREQUAL "")
            quote(rc "${dialog_${id}_caption}" caption)
            string(APPEND text "CAPTION ${caption}\n")
        endif()
        if(dialog_${id}_font)
            list(GET dialog_${id}_font 0 points)
            list(GET dialog_${id}_font 1 face)
            quote(rc "${face}" face)
            string(APPEND text "FONT ${points}, ${face}, ${dialog_${id}_WEIGHT}, "
                               "${dialog_${id}_ITALIC}, ${dialog_${id}_CHARSET}\n")
        endif()
        string(APPEND text "BEGIN\n")
        foreach(n IN LISTS dialog_${id}_controls)
            quote(rc "${control_${id}_${n}_text}" ctext)
            quote(rc "${control_${id}_${n}_class}" cclass)
            list(JOIN control_${id}_${n}_rect ", " crect)
            string(APPEND text "    CONTROL ${ctext}, ${control_${id}_${n}_id}, ${cclass}, "
                               "${control_${id}_${n}_style}, ${crect}, "
                               "${control_${id}_${n}_exstyle}\n")
        endforeach()
        string(APPEND text "END\n")
    endforeach()
    foreach(id IN LISTS strings)
        language_statement(${string_${id}_language} lang)
        quote(rc "${string_${id}_text}" value)
        string(APPEND text "\n${lang}\nSTRINGTABLE\nBEGIN\n    ${id}, ${value}\nEND\n")
    endforeach()
elseif(KIND STREQUAL "cpp")
    string(APPEND text "// Generated from ${table_name} by dq_resources_generate.cmake; do not edit.\n")
    string(APPEND text "#include \"platform/platform.h\"\n\nnamespace {\n")
    set(dialog_rows "")
    foreach(id IN LISTS dialogs)
        set(items "nullptr, 0")
        if(dialog_${id}_controls)
            string(APPEND text "\nconst DqDialogItem kItems${id}[] = {\n")
            foreach(n IN LISTS dialog_${id}_controls)
                quote(cpp "${control_${id}_${n}_text}" ctext)
                quote(cpp "${control_${id}_${n}_class}" cclass)
                list(JOIN control_${id}_${n}_rect ", " crect)
                string(APPEND text "    {${cclass}, 0, ${control_${id}_${n}_id}, "
                                   "DWORD(WS_CHILD | WS_VISIBLE | ${control_${id}_${n}_style}), "
                                   "DWORD(${control_${id}_${n}_exstyle}), ${crect}, ${ctext}},\n")
            endforeach()
            string(APPEND text "};\n")
            list(LENGTH dialog_${id}_controls count)
            set(items "kItems${id}, ${count}")
        endif()
        quote(cpp "${dialog_${id}_caption}" caption)
        set(points 0)
        set(face nullptr)
        if(dialog_${id}_font)
            list(GET dialog_${id}_font 0 points)
            list(GET dialog_${id}_font 1 face)
            quote(cpp "${face}" face)
        endif()
        list(JOIN dialog_${id}_rect ", " rect)
        string(APPEND dialog_rows
               "    {${id}, ${dialog_${id}_language}, DWORD(${dialog_${id}_style}), "
               "DWORD(${dialog_${id}_exstyle}), ${rect}, ${caption}, ${points}, "
               "${dialog_${id}_WEIGHT}, ${dialog_${id}_ITALIC}, ${dialog_${id}_CHARSET}, ${face}, "
               "${items}},\n")
    endforeach()
    set(dialog_table "nullptr, 0")
    if(dialogs)
        string(APPEND text "\nconst DqDialogTemplate kDialogs[] = {\n${dialog_rows}};\n")
        list(LENGTH dialogs count)
        set(dialog_table "kDialogs, ${count}")
    endif()
    set(string_table "nullptr, 0")
    if(strings)
        string(APPEND text "\nconst DqStringResource kStrings[] = {\n")
        foreach(id IN LISTS strings)
            quote(cpp "${string_${id}_text}" value)
            string(APPEND text "    {${id}, ${string_${id}_language}, ${value}},\n")
        endforeach()
        string(APPEND text "};\n")
        list(LENGTH strings count)
        set(string_table "kStrings, ${count}")
    endif()
    string(APPEND text "
const DqResourceTable kResources = {${dialog_table}, ${string_table}};

// A module's handle is its load address, as DllMain receives it.
HINSTANCE OwnInstance() {
    return reinterpret_cast<HINSTANCE>(DqModuleFromAddress(&kResources));
}

__attribute__((constructor)) void RegisterResources() {
    DqRegisterModuleResources(OwnInstance(), &kResources);
}

__attribute__((destructor)) void UnregisterResources() {
    DqUnregisterModuleResources(OwnInstance());
}

} // namespace
")
else()
    message(FATAL_ERROR "KIND must be rc or cpp")
endif()

# Rewritten only when it changes, so an unchanged table rebuilds nothing.
if(EXISTS ${OUTPUT})
    file(READ ${OUTPUT} old)
    if(old STREQUAL text)
        return()
    endif()
endif()
file(WRITE ${OUTPUT} "${text}")
