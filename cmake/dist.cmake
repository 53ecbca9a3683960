# What `cmake --install` installs, the way the Debian packages (debian/) ship it:
#   tamsel      bin/tamsel, bin/tamselctl, libexec/tamsel/tamsel-netadmin, the desktop
#               entry, AppStream metadata, icons, man pages, bash completion and the
#               firewall profiles (ufw, firewalld)
#   tamsel-sim  bin/tamsel-sim, share/tamsel-sim/vlan.sh (the virtual LAN), its man page
#   tamsel-ansible  the Ansible collection tamsel.repeater, under share/ansible/collections,
#               where Ansible looks by default (with the prefix /usr)
# The helper is installed without rights: the package's postinst gives it the group tamsel,
# mode 0750 and its two file capabilities.
include(GNUInstallDirs)

set(TAMSEL_WEB_URL "https://www.zelkora.com/tamsel" CACHE STRING
    "Web address of the project; the AppStream screenshots lie under <url>/screenshots")

install(TARGETS tamsel-netadmin RUNTIME DESTINATION ${TAMSEL_NETADMIN_DIR})
install(TARGETS tamsel-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/vlan.sh
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tamsel-sim)
install(FILES ${PROJECT_SOURCE_DIR}/scripts/netns-lib.sh
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tamsel-sim)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/ansible/collections/ansible_collections/tamsel/repeater
        DESTINATION ${CMAKE_INSTALL_DATADIR}/ansible/collections/ansible_collections/tamsel
        PATTERN __pycache__ EXCLUDE)

# Man pages from the programs' own --help and --version (help2man), plus the sections in
# data/man/<program>.h2m.
find_program(TAMSEL_HELP2MAN help2man)
set(TAMSEL_MAN_DIR ${CMAKE_BINARY_DIR}/man)
function(tamsel_man_page program summary)
    if(NOT TAMSEL_HELP2MAN OR NOT TARGET ${program})
        return()
    endif()
    set(page ${TAMSEL_MAN_DIR}/${program}.1)
    set(include ${PROJECT_SOURCE_DIR}/data/man/${program}.h2m)
    add_custom_command(
        OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${TAMSEL_MAN_DIR}
        COMMAND ${TAMSEL_HELP2MAN} --no-info --no-discard-stderr --section=1
                --name=${summary} --include=${include} --output=${page}
                $<TARGET_FILE:${program}>
        DEPENDS ${program} ${include}
        COMMENT "Writing the man page of ${program}"
        VERBATIM)
    add_custom_target(${program}_man ALL DEPENDS ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
if(NOT TAMSEL_HELP2MAN)
    message(STATUS "help2man not found: no man pages")
endif()

tamsel_man_page(tamsel-sim "simulated KV-Q3150Tx wireless repeater")

if(TARGET tamsel)
    install(TARGETS tamsel tamselctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    tamsel_man_page(tamsel "set-up utility for KV-Q3150Tx wireless repeaters")
    tamsel_man_page(tamselctl "set up KV-Q3150Tx wireless repeaters from the command line")

    install(FILES ${PROJECT_SOURCE_DIR}/data/tamselctl.bash-completion
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
            RENAME tamselctl)
    install(FILES ${PROJECT_SOURCE_DIR}/data/com.zelkora.tamsel.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # The firewall profiles that let the repeaters' answers in, both named tamsel: a ufw
    # application profile ("ufw allow tamsel"; in /etc, so a conffile of the package) and
    # a firewalld service ("firewall-cmd --add-service=tamsel"), where each reads them.
    install(FILES ${PROJECT_SOURCE_DIR}/data/tamsel.ufw
            DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/ufw/applications.d RENAME tamsel)
    install(FILES ${PROJECT_SOURCE_DIR}/data/tamsel.firewalld.xml
            DESTINATION lib/firewalld/services RENAME tamsel.xml)
    string(TIMESTAMP TAMSEL_RELEASE_DATE "%Y-%m-%d" UTC)
    configure_file(${PROJECT_SOURCE_DIR}/data/com.zelkora.tamsel.metainfo.xml.in
                   ${CMAKE_BINARY_DIR}/com.zelkora.tamsel.metainfo.xml @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/com.zelkora.tamsel.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    # The application icon, drawn from resources/art/skin.json like the rest of the
    # artwork: scalable SVG and the PNG sizes the description lists.
    find_package(Qt6 COMPONENTS Svg QUIET)
    if(TARGET Qt6::Svg)
        add_executable(tamsel_icongen ${PROJECT_SOURCE_DIR}/resources/art/icongen.cpp)
        target_link_libraries(tamsel_icongen PRIVATE Qt6::Gui Qt6::Svg)
        file(READ ${TAMSEL_ART_SOURCE} skin)
        string(JSON size_count LENGTH "${skin}" icon sizes)
        math(EXPR last "${size_count} - 1")
        set(icon_dir ${CMAKE_BINARY_DIR}/icons)
        set(icons ${icon_dir}/tamsel.svg)
        foreach(i RANGE ${last})
            string(JSON size GET "${skin}" icon sizes ${i})
            list(APPEND icons ${icon_dir}/tamsel-${size}.png)
            install(FILES ${icon_dir}/tamsel-${size}.png
                    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                    RENAME tamsel.png)
        endforeach()
        add_custom_command(
            OUTPUT ${icons}
            COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                    $<TARGET_FILE:tamsel_icongen> ${TAMSEL_ART_SOURCE} ${icon_dir}
            DEPENDS tamsel_icongen ${TAMSEL_ART_SOURCE}
            COMMENT "Drawing the application icon"
            VERBATIM)
        add_custom_target(tamsel_icons ALL DEPENDS ${icons})
        install(FILES ${icon_dir}/tamsel.svg
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    else()
        message(WARNING "Qt 6 Svg not found (qt6-svg-dev): the application icon is not drawn")
    endif()
endif()
