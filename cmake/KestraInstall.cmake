# Installing Kestra as a Linux desktop program, and the Debian package.
#
# Layout under the prefix (/usr for the package):
#   lib/kestra/                 the programs, the toolkit, the tag browser, the language bundles and
#                               "Program Settings.ini", side by side, as the programs expect them
#   bin/kestra, bin/mirabo-logd, bin/kestra-follow    links into lib/kestra/
#   share/kestra/demo/          the demo project (the service unit copies it on its first start)
#   share/applications/kestra.desktop, share/icons/hicolor/<size>/apps/kestra.png
#   share/man/man1/kestra.1, share/man/man8/mirabo-logd.8
#   lib/systemd/system/mirabo-logd.service (not enabled)
# Nothing is written into these folders at run time.
include(GNUInstallDirs)
set(KESTRA_LIB_DIR ${CMAKE_INSTALL_LIBDIR}/kestra)
if(CMAKE_INSTALL_LIBDIR MATCHES "/")
  set(KESTRA_LIB_DIR lib/kestra) # a multiarch libdir: the program folder stays lib/kestra
endif()

# Installed, the programs and the libraries of the project sit in one folder and find each other there.
foreach(program kestra mirabo-logd HalcyteExt kestra-follow)
  if(TARGET ${program})
    set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${program} RUNTIME DESTINATION ${KESTRA_LIB_DIR})
  endif()
endforeach()
foreach(library mirabo_toolkit OrbelleExt)
  if(TARGET ${library})
    set_target_properties(${library} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${library} LIBRARY DESTINATION ${KESTRA_LIB_DIR})
  endif()
endforeach()
install(FILES "${PROJECT_SOURCE_DIR}/res/product/Program Settings.ini" DESTINATION ${KESTRA_LIB_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/res/lang/ DESTINATION ${KESTRA_LIB_DIR} FILES_MATCHING PATTERN "*.ini")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/service/demo/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kestra/demo)

# bin/ links into the program folder.
foreach(program kestra mirabo-logd kestra-follow)
  if(TARGET ${program})
    install(CODE "
      file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
      file(CREATE_LINK \"../${KESTRA_LIB_DIR}/${program}\"
           \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\" SYMBOLIC)")
  endif()
endforeach()

install(FILES ${PROJECT_SOURCE_DIR}/packaging/kestra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${KESTRA_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kestra.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
foreach(page mirabo-logd.8 kestra-follow.1)
  if(EXISTS ${PROJECT_SOURCE_DIR}/packaging/${page})
    string(REGEX MATCH "[0-9]$" section ${page})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
  endif()
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/mirabo-logd.service DESTINATION lib/systemd/system)

# The Debian package: cpack -G DEB in the build folder (scripts/package). Its dependencies are what
# dpkg-shlibdeps finds in the programs and libraries, plus what they load at run time and no linker
# sees: Qt's platform plugins (qt6-qpa-plugins) and Qt's own translations (qt6-translations-l10n).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kestra maintainers <kestra@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "runtime log viewer for industrial HMI/SCADA stations")
set(CPACK_PACKAGE_DESCRIPTION "Kestra connects to a station's runtime log service over TCP/IP and shows
its log messages as they arrive; it switches the runtime's log categories, keeps log files per day and
reconnects by itself. The package also holds mirabo-logd, a stand-in log service with a demo project,
the HalcyteExt inspection tool and the kestra-follow terminal follower.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_STRIP_FILES ON)
include(CPack)
