include(GNUInstallDirs)
# The static libraries also go into the shared library (embed/).
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
# Warning and sanitizer flags applied to every target of the project.
add_compile_options(-Wall -Wextra -Wno-missing-field-initializers)
if(VANTREL_WERROR)
    add_compile_options(-Werror)
endif()
if(VANTREL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# An executable exports every function of its own that a shared library it
# links also names, and the dynamic linker then binds that library to our copy.
# libstdc++'s template instantiations are such functions: WebKit's script
# engine released its shared pointers through our copy of
# _Sp_counted_base::_M_release_last_use_cold, which on a sanitized build is
# instrumented and stops the program inside WebKit. With every symbol local,
# each library keeps its own. (libFuzzer builds need their exports.)
if(NOT VANTREL_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_link_options("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:LINKER:--version-script=${PROJECT_SOURCE_DIR}/cmake/PrivateSymbols.map>")
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
