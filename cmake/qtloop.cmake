# tamsel_qtloop: IEventLoop on the Qt event loop, so that socket and timer events reach
# the core on the user-interface thread. QtCore only; used by the GUI and tamselctl.
file(GLOB TAMSEL_QTLOOP_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/qt/*.cpp)
add_library(tamsel_qtloop STATIC ${TAMSEL_QTLOOP_SOURCES})
target_link_libraries(tamsel_qtloop PUBLIC tamsel_core Qt6::Core)
