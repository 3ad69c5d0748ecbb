# Collect the C++ sources of the given folders (not recursive: every folder is
# listed on its own, so a layer never swallows a sub-layer by accident).
function(dayscrib_glob out)
    set(files)
    foreach(dir IN LISTS ARGN)
        file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
        list(APPEND files ${found})
    endforeach()
    list(SORT files)
    set(${out} ${files} PARENT_SCOPE)
endfunction()
