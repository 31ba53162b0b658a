# Builds each layer-check target of layers.cmake and compares the outcome with
# the expectation: "ok" targets must compile; every "no" target must fail, and
# fail because its header was not found (not for some other reason).
# Also refuses includes that climb out of a folder ("../"), which would get
# round the include folders.
file(STRINGS ${CASES_FILE} cases)
set(failures "")
set(checked 0)

foreach(case IN LISTS cases)
    string(REPLACE "|" ";" parts "${case}")
    list(GET parts 0 target)
    list(GET parts 1 expect)
    list(GET parts 2 header)
    # Only the object files of this target, not the libraries it names.
    set(build_target ${target})
    if(GENERATOR MATCHES "Makefiles")
        set(build_target ${target}/fast)
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${build_target}
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    string(REGEX REPLACE "^<(.*)>$" "\\1" name "${header}")
    string(REPLACE "." "\\." pattern "${name}")
    if(expect STREQUAL "ok")
        if(NOT result EQUAL 0)
            string(APPEND failures "${target}: an allowed include did not compile:\n${output}\n")
        endif()
    elseif(result EQUAL 0)
        string(APPEND failures "${target}: ${header} compiled, but this layer must not see it\n")
    elseif(NOT output MATCHES "${pattern}: No such file or directory|'${pattern}' file not found")
        string(APPEND failures "${target}: failed, but not for a missing ${header}:\n${output}\n")
    endif()
    math(EXPR checked "${checked} + 1")
endforeach()

file(GLOB_RECURSE sources ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
foreach(source IN LISTS sources)
    file(STRINGS ${source} climbing REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][.][.]/")
    if(climbing)
        string(APPEND failures "${source}: ${climbing}\n")
    endif()
endforeach()

if(checked EQUAL 0)
    message(FATAL_ERROR "no layer checks were listed in ${CASES_FILE}")
endif()
if(failures)
    message(FATAL_ERROR "layering broken:\n${failures}")
endif()
message(STATUS "${checked} layer checks passed")
