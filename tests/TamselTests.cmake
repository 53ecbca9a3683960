# What the test folders share: how a Qt Test binary of the program is built, and how a
# test runs inside a virtual LAN of network namespaces around simulated repeaters that
# scripts/vlan.sh builds. A LAN test needs root; without it vlan.sh exits 77 and CTest
# reports the test as skipped. Included by tests/CMakeLists.txt before the folders.

set(TAMSEL_ARTEFACT_DIR ${CMAKE_BINARY_DIR}/artefacts)
set(TAMSEL_VLAN ${PROJECT_SOURCE_DIR}/scripts/vlan.sh)
# The programs remember the repeater last connected to in the user's config folder: every
# run of a GUI or network test gets a new one of its own, never the user's.
set(TAMSEL_FRESH_CONFIG sh ${PROJECT_SOURCE_DIR}/tests/with_fresh_config.sh)

# tamsel_gui_test_executable(<name> <source>)
# A Qt Test binary over the GUI library, with the tests' support headers; it saves its
# screenshots in ${TAMSEL_ARTEFACT_DIR}.
function(tamsel_gui_test_executable name source)
    add_executable(${name} ${source})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE tamsel_gui Qt6::Test)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(${name} PRIVATE TAMSEL_ARTEFACT_DIR="${TAMSEL_ARTEFACT_DIR}")
endfunction()

# tamsel_offscreen_gui_tests(<prefix>)
# Every *_test.cpp of the calling folder but the *_net_test.cpp ones as a Qt Test binary
# and test <prefix>_<name> on the offscreen platform (label gui).
function(tamsel_offscreen_gui_tests prefix)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    list(FILTER sources EXCLUDE REGEX "_net_test\\.cpp$")
    foreach(source IN LISTS sources)
        get_filename_component(name ${source} NAME_WE)
        string(REGEX REPLACE "_test$" "" name ${name})
        tamsel_gui_test_executable(${prefix}_${name} ${source})
        add_test(NAME ${prefix}_${name}
                 COMMAND ${TAMSEL_FRESH_CONFIG} $<TARGET_FILE:${prefix}_${name}>)
        set_tests_properties(${prefix}_${name} PROPERTIES LABELS gui
            ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT 120)
    endforeach()
endfunction()

# tamsel_vlan_test(<name> LABELS <label>... TIMEOUT <seconds> [VLAN <vlan.sh options>...]
#                  RUN <command>...)
# Runs <command> inside the PC namespace of a virtual LAN of tamsel-sim repeaters.
function(tamsel_vlan_test name)
    cmake_parse_arguments(arg "" "TIMEOUT" "LABELS;VLAN;RUN" ${ARGN})
    add_test(NAME ${name}
             COMMAND ${TAMSEL_VLAN} --sim $<TARGET_FILE:tamsel-sim> ${arg_VLAN} run --
                     ${TAMSEL_FRESH_CONFIG} ${arg_RUN})
    set_tests_properties(${name} PROPERTIES LABELS "${arg_LABELS}" SKIP_RETURN_CODE 77
                         TIMEOUT ${arg_TIMEOUT})
endfunction()

# tamsel_gui_net_test(<name> <test binary> <case> <scale> <vlan.sh options>...
#                     [TIMEOUT <seconds>] [ENV <variable=value>...] [ARGS <test args>...])
# A Qt Test binary on the offscreen platform in a virtual LAN, labels gui and net:
# TAMSEL_NET_CASE tells the test what the LAN holds, and the device's time runs `scale`
# times faster (TAMSEL_TIME_SCALE). 180 s unless TIMEOUT says otherwise.
function(tamsel_gui_net_test name binary case scale)
    cmake_parse_arguments(arg "" "TIMEOUT" "ENV;ARGS" ${ARGN})
    if(NOT arg_TIMEOUT)
        set(arg_TIMEOUT 180)
    endif()
    tamsel_vlan_test(${name} LABELS gui net TIMEOUT ${arg_TIMEOUT}
        VLAN ${arg_UNPARSED_ARGUMENTS}
        RUN env QT_QPA_PLATFORM=offscreen TAMSEL_NET_CASE=${case} TAMSEL_TIME_SCALE=${scale}
            ${arg_ENV} $<TARGET_FILE:${binary}> ${arg_ARGS})
endfunction()

# tamsel_script_net_test(<name> <script> [LONG] [TAMSELCTL] [TIMEOUT <seconds>]
#                        [VLAN <vlan.sh options>...] [ARGS <script args>...])
# A Python script of the calling folder in a virtual LAN, label net (and long with LONG).
# With TAMSELCTL the script's first argument is tamselctl. 180 s unless TIMEOUT says
# otherwise.
function(tamsel_script_net_test name script)
    cmake_parse_arguments(arg "LONG;TAMSELCTL" "TIMEOUT" "VLAN;ARGS" ${ARGN})
    set(labels net)
    if(arg_LONG)
        list(APPEND labels long)
    endif()
    if(NOT arg_TIMEOUT)
        set(arg_TIMEOUT 180)
    endif()
    set(tamselctl)
    if(arg_TAMSELCTL)
        set(tamselctl $<TARGET_FILE:tamselctl>)
    endif()
    tamsel_vlan_test(${name} LABELS ${labels} TIMEOUT ${arg_TIMEOUT} VLAN ${arg_VLAN}
        RUN ${Python3_EXECUTABLE} ${CMAKE_CURRENT_SOURCE_DIR}/${script} ${tamselctl} ${arg_ARGS})
endfunction()

# tamsel_cli_script_test(<name> <script> [LONG] [VLAN <vlan.sh options>...] [ARGS <args>...])
# A Python script that drives tamselctl (its first argument) in a virtual LAN; 600 s.
# tamselctl runs on time 4 times faster (TAMSEL_TIME_SCALE), unless the test is LONG: a
# long test is the one that keeps the device's waits real.
function(tamsel_cli_script_test name script)
    tamsel_script_net_test(${name} ${script} TAMSELCTL TIMEOUT 600 ${ARGN})
    # tamselctl discover remembers what it found; the tests keep that out of root's home.
    set(environment XDG_CACHE_HOME=${CMAKE_CURRENT_BINARY_DIR}/cache-${name})
    if(NOT LONG IN_LIST ARGN)
        list(APPEND environment TAMSEL_TIME_SCALE=4)
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}")
endfunction()
