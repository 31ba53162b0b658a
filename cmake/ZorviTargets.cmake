# Helpers for the program's library targets, one per layer of the code.
#
# A layer is a static library over some of the files under src/. No target
# gets src/ itself as an include folder: each layer gets a generated folder,
# build/layers/<layer>/, that mirrors src/ but holds links to that layer's own
# headers only, and passes it on to the targets that link the layer. A header
# of a layer that is not linked is therefore not found, and an include that
# reaches up (engine/ including "ui/MainWindow.h") fails to compile.

set(ZORVI_LAYER_ROOT ${CMAKE_BINARY_DIR}/layers)

# zorvi_warnings(<target>): the project's warnings for a target of our own
# code, errors with ZORVI_WERROR. Qt, TagLib and the engine's headers come in
# as system headers and stay quiet.
function(zorvi_warnings target)
    if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        target_compile_options(${target} PRIVATE
            -Wall -Wextra -Wshadow $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>
            $<$<BOOL:${ZORVI_WERROR}>:-Werror>)
    elseif(MSVC)
        target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${ZORVI_WERROR}>:/WX>)
    endif()
endfunction()

# zorvi_export_headers(<layer> <files...>): (re)creates the layer's include
# folder with a link to each header among the files, at its path under src/.
function(zorvi_export_headers layer)
    set(root ${ZORVI_LAYER_ROOT}/${layer})
    # Start empty, so a header that moved to another layer leaves no link behind.
    file(REMOVE_RECURSE ${root})
    file(MAKE_DIRECTORY ${root})
    foreach(file IN LISTS ARGN)
        if(file MATCHES "\\.h$")
            file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR}/src ${file})
            get_filename_component(folder ${root}/${relative} DIRECTORY)
            file(MAKE_DIRECTORY ${folder})
            file(CREATE_LINK ${file} ${root}/${relative} SYMBOLIC COPY_ON_ERROR)
        endif()
    endforeach()
endfunction()

# zorvi_layer(<layer> SOURCES <files...> [LAYERS <layers it may use...>]
#             [PUBLIC <libraries...>] [PRIVATE <libraries...>] [PCH <headers...>])
# defines the static library zorvi_<layer>. LAYERS are the lower layers whose
# headers this one includes; PUBLIC libraries are those its headers need,
# PRIVATE ones only its sources (their headers stay hidden from the layers
# above, so a Widgets header is not found in a QtCore-only layer).
function(zorvi_layer layer)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LAYERS;PUBLIC;PRIVATE;PCH")
    set(target zorvi_${layer})
    add_library(${target} STATIC ${arg_SOURCES})
    zorvi_export_headers(${layer} ${arg_SOURCES})
    target_include_directories(${target} PUBLIC ${ZORVI_LAYER_ROOT}/${layer})
    list(TRANSFORM arg_LAYERS PREPEND zorvi_)
    target_link_libraries(${target} PUBLIC ${arg_LAYERS} ${arg_PUBLIC} PRIVATE ${arg_PRIVATE})
    zorvi_warnings(${target})
    if(arg_PCH)
        target_precompile_headers(${target} PRIVATE ${arg_PCH})
    endif()
endfunction()
