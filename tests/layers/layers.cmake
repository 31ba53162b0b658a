# Checks the layering itself. For every case one tiny source file is compiled
# exactly as a file of that layer would be (its include folders and libraries);
# an include the layer may use must compile, one from a layer above it or from
# a toolkit module it does not link must fail with "not found".
set(ZORVI_LAYER_CASES
    "base|ok|app/AppSettings.h"
    "base|no|engine/PlayerCore.h"
    "base|no|app/Startup.h"
    "base|no|<QGuiApplication>"
    "engine|ok|engine/PlayerCore.h"
    "engine|ok|app/Logging.h"
    "engine|no|ui/MainWindow.h"
    "engine|no|library/Database.h"
    "library|ok|library/Database.h"
    "library|ok|engine/MediaPaths.h"
    "library|ok|platform/FileSystemCalls.h"
    "library|no|ui/Theme.h"
    "library|no|playlists/PlaylistFiles.h"
    "library|no|<QWidget>"
    "playlists|ok|playlists/PlaylistFiles.h"
    "playlists|no|ui/Theme.h"
    "platform|ok|MediaControls.h"
    "platform|ok|platform/ShowInFolder.h"
    "platform|no|ui/Host.h"
    "platform|no|library/Database.h"
    "ui|ok|ui/MainWindow.h"
    "ui|ok|MediaControls.h"
    "ui|no|harness/HarnessSupport.h"
    "ui|no|app/Startup.h"
    "harness|ok|harness/HarnessSupport.h"
    "harness|no|app/Startup.h")

set(layer_check_dir ${CMAKE_CURRENT_BINARY_DIR}/layers)
set(layer_check_targets "")
set(index 0)
foreach(case IN LISTS ZORVI_LAYER_CASES)
    string(REPLACE "|" ";" parts "${case}")
    list(GET parts 0 layer)
    list(GET parts 1 expect)
    list(GET parts 2 header)
    set(line "${header}")
    if(NOT header MATCHES "^<")
        set(line "\"${header}\"")
    endif()
    math(EXPR index "${index} + 1")
    # The allowed includes of a layer share one target; each refused one has
    # its own, since each must fail on its own.
    if(expect STREQUAL "ok")
        set(target layercheck_${layer}_ok)
    else()
        set(target layercheck_${index}_${layer}_refused)
    endif()
    set(source ${layer_check_dir}/case${index}.cpp)
    file(CONFIGURE OUTPUT ${source} CONTENT "#include ${line}\nint layerCheck${index}() { return ${index}; }\n")
    if(NOT TARGET ${target})
        add_library(${target} OBJECT EXCLUDE_FROM_ALL)
        get_target_property(libraries zorvi_${layer} LINK_LIBRARIES)
        get_target_property(folders zorvi_${layer} INCLUDE_DIRECTORIES)
        target_link_libraries(${target} PRIVATE ${libraries})
        target_include_directories(${target} PRIVATE ${folders})
        set_target_properties(${target} PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
        list(APPEND layer_check_targets "${target}|${expect}|${header}")
    endif()
    target_sources(${target} PRIVATE ${source})
endforeach()

# One "target|expectation|header" line per target, read by check.cmake.
list(JOIN layer_check_targets "\n" lines)
file(WRITE ${layer_check_dir}/cases.txt "${lines}\n")
add_test(NAME layers
         COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DGENERATOR=${CMAKE_GENERATOR}
                 -DCASES_FILE=${layer_check_dir}/cases.txt -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/layers/check.cmake)
set_tests_properties(layers PROPERTIES LABELS quick TIMEOUT 300)
