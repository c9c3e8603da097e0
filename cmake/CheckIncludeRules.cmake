# The layer rules, checked on the #include lines of the sources:
#   cmake -DROOT=<checkout> -P cmake/CheckIncludeRules.cmake
# Each library links the layers below it, but every target sees the whole
# checkout as its include path, so a header-only type included the wrong way
# passes the linker; this check catches it. Fails naming each offending file
# and include.
#
#   base/      includes nothing outside base/ (every layer may include it)
#   json/      nothing outside json/ and base/
#   platform/  nothing of ads/, app/ or server/
#   server/    nothing of ads/ or app/
#   ads/       nothing of app/ or server/
#   ads/core/  reaches ads/banners, ads/flex and ads/clickthrough only through
#              the banner factory and the click-action table
#   app/       anything below it
cmake_minimum_required(VERSION 3.25)
if(NOT ROOT)
    message(FATAL_ERROR "usage: cmake -DROOT=<checkout> -P CheckIncludeRules.cmake")
endif()

get_filename_component(ROOT "${ROOT}" ABSOLUTE)
set(core_gateways "ads/banners/PellarBannerFactory.h" "ads/clickthrough/PellarClickActions.h")

# Sets `out` to the rule that `source` including `include` breaks, or "".
function(broken_rule source include out)
    set(rule "")
    if(source MATCHES "^base/")
        if(NOT include MATCHES "^base/")
            set(rule "base/ includes nothing outside base/")
        endif()
    elseif(source MATCHES "^json/")
        if(NOT include MATCHES "^(json|base)/")
            set(rule "the JSON codec includes nothing outside json/ and base/")
        endif()
    elseif(source MATCHES "^platform/")
        if(include MATCHES "^(ads|app|server)/")
            set(rule "the platform knows nothing of the ad library, the app or the demo server")
        endif()
    elseif(source MATCHES "^server/")
        if(include MATCHES "^(ads|app)/")
            set(rule "the demo server shares nothing of the ad library or the app")
        endif()
    elseif(source MATCHES "^ads/")
        if(include MATCHES "^(app|server)/")
            set(rule "the ad library knows nothing of the app or the demo server")
        elseif(source MATCHES "^ads/core/" AND include MATCHES "^ads/(banners|flex|clickthrough)/"
               AND NOT include IN_LIST core_gateways)
            set(rule "ads/core reaches banners, flexible ads and screens only through PellarBannerFactory and PellarClickActions")
        endif()
    endif()
    set(${out} "${rule}" PARENT_SCOPE)
endfunction()

set(violations 0)
set(checked 0)
foreach(layer base json platform server ads app)
    file(GLOB_RECURSE sources RELATIVE "${ROOT}" "${ROOT}/${layer}/*.h" "${ROOT}/${layer}/*.cpp")
    list(SORT sources)
    foreach(source IN LISTS sources)
        math(EXPR checked "${checked} + 1")
        file(STRINGS "${ROOT}/${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        get_filename_component(folder "${source}" DIRECTORY)
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" include "${line}")
            # A bare name is a neighbour in the same folder.
            if(NOT include MATCHES "/")
                set(include "${folder}/${include}")
            endif()
            broken_rule("${source}" "${include}" rule)
            if(rule)
                message("${source}: #include \"${include}\": ${rule}")
                math(EXPR violations "${violations} + 1")
            endif()
        endforeach()
    endforeach()
endforeach()

if(checked EQUAL 0)
    message(FATAL_ERROR "no sources found under ${ROOT}")
endif()
if(violations GREATER 0)
    message(FATAL_ERROR "${violations} include(s) break the layer rules (docs/ARCHITECTURE.md)")
endif()
message(STATUS "include rules hold for ${checked} files")
