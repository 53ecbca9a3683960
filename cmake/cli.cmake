# tamselctl, the command-line companion. Everything but main.cpp needs no Qt and forms
# tamselctl_lib, which the tests link; main.cpp runs it on the Qt event loop.
file(GLOB TAMSELCTL_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/cli/*.cpp)
list(REMOVE_ITEM TAMSELCTL_SOURCES ${PROJECT_SOURCE_DIR}/cli/main.cpp)
add_library(tamselctl_lib STATIC ${TAMSELCTL_SOURCES})
target_link_libraries(tamselctl_lib PUBLIC tamsel_core)

add_executable(tamselctl ${PROJECT_SOURCE_DIR}/cli/main.cpp)
target_link_libraries(tamselctl PRIVATE tamselctl_lib tamsel_qtloop Qt6::Core)
