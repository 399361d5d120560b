# One folder, one library, and the build enforces the arrows between them.
#
# A library's headers are reached as "<folder>/Name.h" from the source root,
# but the source root itself is on no include path: each library gets a
# private include root in the build tree holding only a link to its own
# folder, made public to whatever links it. So a file that includes a header
# of a library its target does not link fails to build.

# tavlo_expose(target folder): "<folder>/..." reaches target and its users.
function(tavlo_expose target folder)
    set(root ${CMAKE_BINARY_DIR}/include/${target})
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT EXISTS ${root}/${folder})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
        target_include_directories(${target} PRIVATE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()

# tavlo_library(target SOURCES ... [PUBLIC libs...] [PRIVATE libs...]):
# a static library of the current folder.
function(tavlo_library target)
    cmake_parse_arguments(L "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    add_library(${target} STATIC ${L_SOURCES})
    file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    tavlo_expose(${target} ${folder})
    target_link_libraries(${target} PUBLIC ${L_PUBLIC} PRIVATE ${L_PRIVATE})
endfunction()
