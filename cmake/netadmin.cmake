# tamsel-netadmin: the network helper. It alone carries CAP_NET_ADMIN and CAP_NET_RAW (file
# capabilities set when the package is installed) and does only the privileged steps of
# the host address set-up, by the rules of the core (hostnet/temp_address_guard.h).
# tamsel_netadmin_lib holds its request handling, so that tests link it.
include(GNUInstallDirs)
set(TAMSEL_NETADMIN_DIR ${CMAKE_INSTALL_LIBEXECDIR}/tamsel)

file(GLOB TAMSEL_NETADMIN_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/netadmin/*.cpp)
list(REMOVE_ITEM TAMSEL_NETADMIN_SOURCES ${PROJECT_SOURCE_DIR}/netadmin/main.cpp)
add_library(tamsel_netadmin_lib STATIC ${TAMSEL_NETADMIN_SOURCES})
target_link_libraries(tamsel_netadmin_lib PUBLIC tamsel_core)

add_executable(tamsel-netadmin ${PROJECT_SOURCE_DIR}/netadmin/main.cpp)
target_link_libraries(tamsel-netadmin PRIVATE tamsel_netadmin_lib)

# Where the programs look for the helper (TAMSEL_NETADMIN overrides it at run time).
set_property(SOURCE ${PROJECT_SOURCE_DIR}/platform/linux/netadmin_host_network.cpp
             APPEND PROPERTY COMPILE_DEFINITIONS
             TAMSEL_NETADMIN_PATH="${CMAKE_INSTALL_PREFIX}/${TAMSEL_NETADMIN_DIR}/tamsel-netadmin")
