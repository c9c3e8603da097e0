# Introspection data of libpellar-1.so: Pellar-1.gir (share/gir-1.0), compiled
# to Pellar-1.typelib (lib/girepository-1.0), so that language bindings can
# load the banner. The scanner reads the public headers, and the sources only
# for their doc comments; a bad or missing annotation fails the build
# (--warn-error).
option(PELLAR_INTROSPECTION "Build the GObject introspection data of the shared library" ON)
# The scanner runs a program it links against the library: in a sanitizer or
# fuzzing build that program would need the same runtime, so those builds
# leave introspection out.
if(NOT PELLAR_INTROSPECTION OR NOT TARGET pellar_shared OR VANTREL_SANITIZE OR VANTREL_FUZZ)
    return()
endif()
find_program(G_IR_SCANNER g-ir-scanner)
find_program(G_IR_COMPILER g-ir-compiler)
if(NOT G_IR_SCANNER OR NOT G_IR_COMPILER)
    message(STATUS "g-ir-scanner not found: no introspection data (scripts/install-deps installs it)")
    return()
endif()

file(GLOB pellar_gir_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/embed/include/pellar/*.h)
file(GLOB pellar_gir_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/embed/*.cpp)
set(pellar_gir ${CMAKE_CURRENT_BINARY_DIR}/Pellar-1.gir)
set(pellar_typelib ${CMAKE_CURRENT_BINARY_DIR}/Pellar-1.typelib)
# The scanner compiles and runs a small program against the library to read
# the types' properties and signals; without a session bus GTK's
# accessibility would abort it.
add_custom_command(OUTPUT ${pellar_gir}
    COMMAND ${CMAKE_COMMAND} -E env CC=${CMAKE_C_COMPILER} GTK_A11Y=none
        ${G_IR_SCANNER} --quiet --warn-all --warn-error
        --namespace=Pellar --nsversion=1 --identifier-prefix=Pellar --symbol-prefix=pellar
        --include=Gtk-4.0 --pkg=gtk4 --pkg-export=pellar-1 --c-include=pellar/pellar.h
        --library=pellar-1 --library-path=$<TARGET_FILE_DIR:pellar_shared>
        -DPELLAR_COMPILATION -I${PROJECT_SOURCE_DIR}/embed/include
        --output=${pellar_gir} ${pellar_gir_headers} ${pellar_gir_sources}
    DEPENDS pellar_shared ${pellar_gir_headers} ${pellar_gir_sources}
    COMMENT "Scanning libpellar-1.so for Pellar-1.gir" VERBATIM)
add_custom_command(OUTPUT ${pellar_typelib}
    COMMAND ${G_IR_COMPILER} --output=${pellar_typelib} ${pellar_gir}
    DEPENDS ${pellar_gir} VERBATIM)
add_custom_target(pellar_gir ALL DEPENDS ${pellar_typelib})

install(FILES ${pellar_gir} DESTINATION ${CMAKE_INSTALL_DATADIR}/gir-1.0 COMPONENT Pellar)
install(FILES ${pellar_typelib} DESTINATION ${CMAKE_INSTALL_LIBDIR}/girepository-1.0 COMPONENT Pellar)

# The API reference from the same doc comments: not part of the default build.
find_program(GI_DOCGEN gi-docgen)
if(GI_DOCGEN)
    set(pellar_docs_dir ${PROJECT_BINARY_DIR}/docs/reference/Pellar-1)
    add_custom_target(pellar_docs
        COMMAND ${GI_DOCGEN} generate --quiet --no-namespace-dir
            --config ${PROJECT_SOURCE_DIR}/docs/reference/pellar.toml
            --content-dir ${PROJECT_SOURCE_DIR}/docs/reference
            --output-dir ${pellar_docs_dir} ${pellar_gir}
        DEPENDS ${pellar_gir}
        COMMENT "Writing the API reference to ${pellar_docs_dir}" VERBATIM)
    install(DIRECTORY ${pellar_docs_dir}/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/pellar-1 COMPONENT Pellar OPTIONAL)
endif()
