# tamsel_glob_sources(<out-var> <dir>...)
# Collects the .cpp files directly inside each directory (relative to the project root).
# Sources are picked up by folder so that a new file needs no build edit; the folder
# decides which library a file belongs to.
function(tamsel_glob_sources out_var)
    set(result)
    foreach(dir IN LISTS ARGN)
        file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
        list(APPEND result ${found})
    endforeach()
    set(${out_var} ${result} PARENT_SCOPE)
endfunction()
