# tamsel_core: datagrams, request builders, parsers, encoders, the discovery manager,
# the web command queue, the host-addressing algorithm and their Linux back ends, and
# apply/, the desired state of a repeater and the plan that reaches it.
# Qt code of a subsystem lives in its ui/ or qt/ subfolder and never lands here.
tamsel_glob_sources(TAMSEL_CORE_SOURCES
    resources text discovery web hostnet device wizard apply platform platform/linux)
add_library(tamsel_core STATIC ${TAMSEL_CORE_SOURCES})
target_include_directories(tamsel_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tamsel_core PUBLIC Threads::Threads PkgConfig::MNL nlohmann_json::nlohmann_json)
if(TAMSEL_TIME_SCALE_HOOK)
    target_compile_definitions(tamsel_core PUBLIC TAMSEL_TIME_SCALE_HOOK)
endif()
