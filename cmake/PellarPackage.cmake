# Pellar as an installed library other programs build against: libpellar-1.so,
# its public C headers under include/pellar-1/pellar/, pellar-1.pc and the CMake
# package Pellar (find_package(Pellar) → Pellar::pellar). The core and the
# platform layer stay inside the shared library: no static library and no
# private header is installed.
if(NOT TARGET pellar_shared)
    return()
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

file(GLOB pellar_public_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/embed/include/pellar/*.h)
install(FILES ${pellar_public_headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/pellar-1/pellar COMPONENT Pellar)
install(TARGETS pellar_shared
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Pellar NAMELINK_COMPONENT Pellar)

# Both files find the prefix from where they are installed, so that an install
# with --prefix (or a copied tree) works without a rebuild.
set(pellar_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Pellar)
file(RELATIVE_PATH PELLAR_CONFIG_TO_PREFIX /${pellar_cmake_dir} /)
file(RELATIVE_PATH PELLAR_PC_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" PELLAR_PC_PREFIX "${PELLAR_PC_PREFIX}")
get_target_property(PELLAR_LIBRARY_VERSION pellar_shared VERSION)
get_target_property(PELLAR_LIBRARY_SOVERSION pellar_shared SOVERSION)

configure_file(${PROJECT_SOURCE_DIR}/cmake/PellarConfig.cmake.in ${PROJECT_BINARY_DIR}/PellarConfig.cmake @ONLY)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/PellarConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/PellarConfig.cmake ${PROJECT_BINARY_DIR}/PellarConfigVersion.cmake
    DESTINATION ${pellar_cmake_dir} COMPONENT Pellar)

configure_file(${PROJECT_SOURCE_DIR}/cmake/pellar-1.pc.in ${PROJECT_BINARY_DIR}/pellar-1.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/pellar-1.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT Pellar)

include(PellarIntrospection)
