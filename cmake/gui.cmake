# tamsel_gui: the skinned controls, the pages and dialogs of the program, and the artwork
# they draw, compiled in as Qt resources (":/skin/<id>.png").

# The artwork is ours and is drawn at build time from resources/art/skin.json by a small
# Qt tool, so an edit to the description (colours, captions, positions) is all it takes
# to change a picture. The tool writes the pictures and a resource list; rcc then turns
# them into a source file of tamsel_gui.
add_executable(tamsel_artgen ${PROJECT_SOURCE_DIR}/resources/art/artgen.cpp)
target_link_libraries(tamsel_artgen PRIVATE Qt6::Gui)

set(TAMSEL_ART_DIR ${CMAKE_BINARY_DIR}/art)
set(TAMSEL_ART_SOURCE ${PROJECT_SOURCE_DIR}/resources/art/skin.json)
add_custom_command(
    OUTPUT ${TAMSEL_ART_DIR}/qrc_skin.cpp
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TAMSEL_ART_DIR}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:tamsel_artgen> ${TAMSEL_ART_SOURCE} ${TAMSEL_ART_DIR}
    COMMAND $<TARGET_FILE:Qt6::rcc> --name skin --output ${TAMSEL_ART_DIR}/qrc_skin.cpp
            ${TAMSEL_ART_DIR}/skin.qrc
    DEPENDS tamsel_artgen ${TAMSEL_ART_SOURCE}
    COMMENT "Drawing the skin pictures"
    VERBATIM)

tamsel_glob_sources(TAMSEL_GUI_SOURCES controls window app wizard/ui discovery/ui)
list(FILTER TAMSEL_GUI_SOURCES EXCLUDE REGEX "/app/main\\.cpp$")

add_library(tamsel_gui STATIC ${TAMSEL_GUI_SOURCES} ${TAMSEL_ART_DIR}/qrc_skin.cpp)
set_target_properties(tamsel_gui PROPERTIES AUTOMOC ON)
target_include_directories(tamsel_gui PUBLIC ${PROJECT_SOURCE_DIR})
# Qt Network for the local socket through which a second start reaches the running copy.
target_link_libraries(tamsel_gui PUBLIC tamsel_core Qt6::Widgets Qt6::Network)
if(TARGET tamsel_qtloop)
    target_link_libraries(tamsel_gui PUBLIC tamsel_qtloop)
endif()

# tamsel: the desktop program.
add_executable(tamsel ${PROJECT_SOURCE_DIR}/app/main.cpp)
target_link_libraries(tamsel PRIVATE tamsel_gui)
