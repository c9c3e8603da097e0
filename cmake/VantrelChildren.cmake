# vantrel_add_children(): add every direct sub-folder that has a CMakeLists.txt,
# so that each feature can add its own folder without touching a shared file.
macro(vantrel_add_children)
    file(GLOB _vantrel_children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
    foreach(_child ${_vantrel_children})
        get_filename_component(_leaf ${_child} NAME)
        if(IS_DIRECTORY ${_child} AND NOT _leaf STREQUAL "support" AND EXISTS ${_child}/CMakeLists.txt)
            add_subdirectory(${_leaf})
        endif()
    endforeach()
endmacro()
