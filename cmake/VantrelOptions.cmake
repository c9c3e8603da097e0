include(GNUInstallDirs)
# Warning and sanitizer flags applied to every target of the project.
add_compile_options(-Wall -Wextra -Wno-missing-field-initializers)
if(VANTREL_WERROR)
    add_compile_options(-Werror)
endif()
if(VANTREL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# vantrel_library(NAME SOURCES... [LINKS ...]): one static library per layer.
function(vantrel_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    # Installed libraries find their headers under include/pellar (cmake/PellarPackage.cmake).
    target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
        $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/pellar>)
    target_link_libraries(${name} PUBLIC ${ARG_LINKS})
endfunction()

if(VANTREL_FUZZ)
    # Every library in a fuzzing build carries coverage counters for libFuzzer;
    # undefined behaviour stops the run like a memory error does.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
