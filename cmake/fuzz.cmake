# The libFuzzer harnesses of tests/fuzz (configure with -DTAMSEL_FUZZ=ON and clang:
# CC=clang CXX=clang++). Only the harnesses and the sources they test are built, all with
# AddressSanitizer and UndefinedBehaviorSanitizer; scripts/fuzz.sh builds and runs them.

if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TAMSEL_FUZZ needs clang (libFuzzer): configure with CC=clang CXX=clang++")
endif()

add_compile_options(-Wall -Wextra)

set(TAMSEL_FUZZ_DIR ${PROJECT_SOURCE_DIR}/tests/fuzz)
set(TAMSEL_FUZZ_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all
                         -fno-omit-frame-pointer -g)

# The code under test: instrumented for coverage, no libFuzzer main.
add_library(tamsel_fuzz_core STATIC
    ${PROJECT_SOURCE_DIR}/platform/ansi_text.cpp
    ${PROJECT_SOURCE_DIR}/platform/wide_int.cpp
    ${PROJECT_SOURCE_DIR}/resources/string_table.cpp
    ${PROJECT_SOURCE_DIR}/platform/ipv4.cpp
    ${PROJECT_SOURCE_DIR}/platform/json_text.cpp
    ${PROJECT_SOURCE_DIR}/platform/utf8_text.cpp
    ${PROJECT_SOURCE_DIR}/platform/xdg_paths.cpp
    ${PROJECT_SOURCE_DIR}/discovery/datagram.cpp
    ${PROJECT_SOURCE_DIR}/discovery/search_target.cpp
    ${PROJECT_SOURCE_DIR}/discovery/last_repeater.cpp
    ${PROJECT_SOURCE_DIR}/discovery/device_export.cpp
    ${PROJECT_SOURCE_DIR}/web/encoders.cpp
    ${PROJECT_SOURCE_DIR}/web/response_parsers.cpp
    ${PROJECT_SOURCE_DIR}/web/survey_parser.cpp
    ${PROJECT_SOURCE_DIR}/web/web_result.cpp
    ${PROJECT_SOURCE_DIR}/text/markup_parser.cpp
    ${PROJECT_SOURCE_DIR}/platform/ipv4.cpp
    ${PROJECT_SOURCE_DIR}/platform/host_network.cpp
    ${PROJECT_SOURCE_DIR}/hostnet/host_setup_failure.cpp
    ${PROJECT_SOURCE_DIR}/hostnet/temp_address_rules.cpp
    ${PROJECT_SOURCE_DIR}/hostnet/temp_address_guard.cpp
    ${PROJECT_SOURCE_DIR}/platform/cancel_signal.cpp
    ${PROJECT_SOURCE_DIR}/platform/linux/netadmin_protocol.cpp
    ${PROJECT_SOURCE_DIR}/netadmin/netadmin_service.cpp
    ${PROJECT_SOURCE_DIR}/web/input_rules.cpp
    ${PROJECT_SOURCE_DIR}/apply/desired_state.cpp)
target_include_directories(tamsel_fuzz_core PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(tamsel_fuzz_core PUBLIC ${TAMSEL_FUZZ_SANITIZE}
                       PRIVATE -fsanitize=fuzzer-no-link)
target_link_options(tamsel_fuzz_core PUBLIC -fsanitize=address,undefined)

# tamsel_fuzz_add(<name> [LIBRARIES ...]): the harness tests/fuzz/fuzz_<name>.cpp.
function(tamsel_fuzz_add name)
    cmake_parse_arguments(ARG "" "" "LIBRARIES" ${ARGN})
    add_executable(fuzz_${name} ${TAMSEL_FUZZ_DIR}/fuzz_${name}.cpp)
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${name} PRIVATE ${ARG_LIBRARIES} tamsel_fuzz_core)
endfunction()

tamsel_fuzz_add(datagram)
tamsel_fuzz_add(pages)
tamsel_fuzz_add(survey)
tamsel_fuzz_add(encoders)
tamsel_fuzz_add(ansi_text)
tamsel_fuzz_add(markup_parser)
tamsel_fuzz_add(search_target)
tamsel_fuzz_add(remembered_mac)
tamsel_fuzz_add(device_export)
# The desired state of tamselctl apply (JSON through nlohmann-json).
tamsel_fuzz_add(desired_state)
# The network helper's decisions against a fake kernel (tests/support/fakes).
tamsel_fuzz_add(netadmin)
target_include_directories(fuzz_netadmin PRIVATE ${PROJECT_SOURCE_DIR}/tests)

# The layout needs Qt's font machinery; Qt itself is Debian's, built with gcc, and links
# with clang's objects as any C++ library does.
find_package(Qt6 6.2 COMPONENTS Gui)
if(Qt6_FOUND)
    add_library(tamsel_fuzz_controls STATIC
        ${PROJECT_SOURCE_DIR}/controls/markup_layout.cpp
        ${PROJECT_SOURCE_DIR}/controls/color_names.cpp
        ${PROJECT_SOURCE_DIR}/controls/pixel_font.cpp)
    target_compile_options(tamsel_fuzz_controls PRIVATE -fsanitize=fuzzer-no-link)
    target_link_libraries(tamsel_fuzz_controls PUBLIC tamsel_fuzz_core Qt6::Gui)
    tamsel_fuzz_add(markup_layout LIBRARIES tamsel_fuzz_controls)
else()
    message(WARNING "Qt 6 not found: the markup layout harness is not built")
endif()

# Seeds from the simulator's pages and replies (plain C++, no instrumentation needed).
file(GLOB TAMSEL_FUZZ_SIM_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/sim/*.cpp)
list(REMOVE_ITEM TAMSEL_FUZZ_SIM_SOURCES ${PROJECT_SOURCE_DIR}/sim/main.cpp)
add_executable(tamsel_fuzz_seeds ${TAMSEL_FUZZ_DIR}/seed_pages.cpp ${TAMSEL_FUZZ_SIM_SOURCES})
target_include_directories(tamsel_fuzz_seeds PRIVATE ${PROJECT_SOURCE_DIR})
