# `cmake --install`: the two libraries with their public headers and pkg-config files, the
# programs, and the manual page of tollmere-cli. The installed programs find the libraries
# through the run path ../lib relative to their own folder.
include(GNUInstallDirs)

set_target_properties(kestrin baldorn PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
install(TARGETS kestrin baldorn
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/kestrin/include/kestrin
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
install(DIRECTORY ${CMAKE_SOURCE_DIR}/baldorn/include/baldorn
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")

# pkg-config files with absolute folders (a relative CMAKE_INSTALL_* is taken under the
# prefix); the prefix given to `cmake --install --prefix` is the one written into them.
foreach(pc kestrin baldorn)
    install(CODE "
        set(CMAKE_INSTALL_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
        set(PROJECT_VERSION \"${PROJECT_VERSION}\")
        if(IS_ABSOLUTE \"${CMAKE_INSTALL_LIBDIR}\")
            set(TOLLMERE_PC_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
        else()
            set(TOLLMERE_PC_LIBDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}\")
        endif()
        if(IS_ABSOLUTE \"${CMAKE_INSTALL_INCLUDEDIR}\")
            set(TOLLMERE_PC_INCLUDEDIR \"${CMAKE_INSTALL_INCLUDEDIR}\")
        else()
            set(TOLLMERE_PC_INCLUDEDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_INCLUDEDIR}\")
        endif()
        configure_file(\"${CMAKE_SOURCE_DIR}/cmake/pkgconfig/${pc}.pc.in\"
                       \"${CMAKE_BINARY_DIR}/pkgconfig/${pc}.pc\" @ONLY)
        file(INSTALL \"${CMAKE_BINARY_DIR}/pkgconfig/${pc}.pc\"
             DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig\")
    ")
endforeach()

if(TARGET tollmere-cli)
    set_target_properties(tollmere-cli PROPERTIES
        INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
    install(TARGETS tollmere-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${CMAKE_BINARY_DIR}/doc/tollmere-cli.1
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(TARGET tollmere)
    install(TARGETS tollmere RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # The desktop entry and its icon, where desktop environments look for them.
    install(FILES ${CMAKE_SOURCE_DIR}/tollmere/tollmere.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${CMAKE_SOURCE_DIR}/tollmere/icons/tollmere.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${CMAKE_SOURCE_DIR}/tollmere/icons/tollmere.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
endif()
