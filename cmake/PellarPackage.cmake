# Pellar as an installed library other programs build against: the static
# libraries of the ad library and the platform beneath it, the headers an
# embedding program needs under include/pellar (the checkout's layout kept, so
# the headers' own includes resolve), a CMake package (find_package(Pellar) →
# Pellar::pellar) and pellar.pc. Dependencies are found through pkg-config,
# both by the package's configuration file and by pellar.pc.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(pellar_installed_libraries
    pellar_ads platform_contacts platform_location platform_net platform_ui pellar_json platform_foundation)
set(pellar_include_dir ${CMAKE_INSTALL_INCLUDEDIR}/pellar)
set(pellar_library_dir ${CMAKE_INSTALL_LIBDIR}/pellar)

# What an embedding program includes; everything these include is installed too.
set(pellar_public_headers
    ads/core/PellarDelegate.h
    ads/core/PellarEndpoints.h
    ads/core/PellarView.h
    platform/foundation/Paths.h
    platform/foundation/RunLoop.h
    platform/ui/views/Application.h
    platform/ui/views/Screen.h
    platform/ui/views/Window.h)

# Sets `out` to `headers` and every checkout header they include, transitively.
function(pellar_header_closure out)
    set(pending ${ARGN})
    set(seen "")
    while(pending)
        list(POP_FRONT pending header)
        if(header IN_LIST seen)
            continue()
        endif()
        if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${header})
            message(FATAL_ERROR "installed header ${header} does not exist")
        endif()
        list(APPEND seen ${header})
        file(STRINGS ${PROJECT_SOURCE_DIR}/${header} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        get_filename_component(folder ${header} DIRECTORY)
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" include "${line}")
            if(NOT include MATCHES "/")
                set(include "${folder}/${include}")
            endif()
            list(APPEND pending ${include})
        endforeach()
    endwhile()
    list(SORT seen)
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

pellar_header_closure(pellar_installed_headers ${pellar_public_headers})
# Reconfigure when a header changes what it includes.
foreach(header IN LISTS pellar_installed_headers)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${header})
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${pellar_include_dir}/${folder} COMPONENT Pellar)
endforeach()

# The one target embedding programs link.
add_library(pellar INTERFACE)
target_link_libraries(pellar INTERFACE pellar_ads)
target_compile_features(pellar INTERFACE cxx_std_20)

install(TARGETS pellar ${pellar_installed_libraries} EXPORT PellarTargets
    ARCHIVE DESTINATION ${pellar_library_dir} COMPONENT Pellar
    INCLUDES DESTINATION ${pellar_include_dir})
set(pellar_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Pellar)
install(EXPORT PellarTargets NAMESPACE Pellar:: DESTINATION ${pellar_cmake_dir} COMPONENT Pellar)

# The pkg-config modules behind the imported targets the libraries link,
# written into the configuration file and into pellar.pc.
set(pellar_pkg_modules
    "GLIB glib-2.0 gobject-2.0 gio-2.0"
    "SOUP libsoup-3.0"
    "CAIRO cairo"
    "PANGO pango pangocairo pangoft2 fontconfig"
    "PLIST libplist-2.0"
    "PIXBUF gdk-pixbuf-2.0")
get_target_property(pellar_contacts_links platform_contacts INTERFACE_LINK_LIBRARIES)
if("PkgConfig::EBOOK" IN_LIST pellar_contacts_links)
    list(APPEND pellar_pkg_modules "EBOOK libebook-1.2")
endif()
set(PELLAR_FIND_MODULES "")
set(PELLAR_PC_REQUIRES "")
foreach(entry IN LISTS pellar_pkg_modules)
    string(REPLACE " " ";" words "${entry}")
    list(POP_FRONT words prefix)
    string(APPEND PELLAR_FIND_MODULES "pkg_check_modules(${prefix} REQUIRED IMPORTED_TARGET ${words})\n")
    list(APPEND PELLAR_PC_REQUIRES ${words})
endforeach()
list(JOIN PELLAR_PC_REQUIRES " " PELLAR_PC_REQUIRES)
set(PELLAR_PC_LIBS "")
foreach(library IN LISTS pellar_installed_libraries)
    string(APPEND PELLAR_PC_LIBS " -l${library}")
endforeach()
# The prefix relative to pellar.pc's own folder, so an install with --prefix works.
file(RELATIVE_PATH PELLAR_PC_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" PELLAR_PC_PREFIX "${PELLAR_PC_PREFIX}")

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PellarConfig.cmake.in
    ${PROJECT_BINARY_DIR}/PellarConfig.cmake INSTALL_DESTINATION ${pellar_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/PellarConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/PellarConfig.cmake ${PROJECT_BINARY_DIR}/PellarConfigVersion.cmake
    DESTINATION ${pellar_cmake_dir} COMPONENT Pellar)

configure_file(${PROJECT_SOURCE_DIR}/cmake/pellar.pc.in ${PROJECT_BINARY_DIR}/pellar.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/pellar.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT Pellar)
