# tamsel-sim: the simulated KV-Q3150Tx repeater that the network tests and the demo talk
# to. Plain C++20 and POSIX, deliberately apart from tamsel_core: the client and its test
# double share no code, so a fault in one cannot hide the same fault in the other.
file(GLOB TAMSEL_SIM_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/sim/*.cpp)
list(REMOVE_ITEM TAMSEL_SIM_SOURCES ${PROJECT_SOURCE_DIR}/sim/main.cpp)
add_library(tamsel_sim_lib STATIC ${TAMSEL_SIM_SOURCES})
target_include_directories(tamsel_sim_lib PUBLIC ${PROJECT_SOURCE_DIR})

add_executable(tamsel-sim ${PROJECT_SOURCE_DIR}/sim/main.cpp)
target_link_libraries(tamsel-sim PRIVATE tamsel_sim_lib)
