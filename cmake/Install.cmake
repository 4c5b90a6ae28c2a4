# Install rules and the Debian package. The layout is the freedesktop one under any prefix; the
# programs find their files relative to bin/ (../share/talven), so /usr, /usr/local or a DESTDIR
# all work with the same files.
include(GNUInstallDirs)

set(TALVEN_APP_ID org.talven.Talven)
set(TALVEN_RELEASE_DATE 2026-12-08)
# Software centres show the screenshots from the web only; the packager points this at the place
# where docs/screenshots/ is published.
set(TALVEN_SCREENSHOT_URL "https://talven.example/screenshots" CACHE STRING
    "Web address of the folder that holds the pictures of docs/screenshots")

install(TARGETS talven talven-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The guide and the samples for users to open and import (the demo uses the samples built in).
install(FILES docs/guide.html DESTINATION ${CMAKE_INSTALL_DATADIR}/talven)
install(FILES samples/history.txt samples/history.csv samples/formulas.txt samples/formulas-utf8.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/talven/samples)
# The build tree holds the guide where the program looks for it beside an installed one.
configure_file(docs/guide.html ${CMAKE_BINARY_DIR}/share/talven/guide.html COPYONLY)

install(FILES data/${TALVEN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(data/${TALVEN_APP_ID}.metainfo.xml.in ${CMAKE_BINARY_DIR}/data/${TALVEN_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/data/${TALVEN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/icons/${TALVEN_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 128 256)
  install(FILES data/icons/${size}/${TALVEN_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages made from the programs' own --help. They run once at build time, without a display,
# a data directory of their own or the sanitizers' leak report.
find_program(HELP2MAN help2man)
find_program(GZIP gzip)
if(HELP2MAN AND GZIP)
  set(pages "")
  foreach(program talven-cli talven)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E env --unset=TALVEN_DATA_DIR LC_ALL=C.UTF-8 QT_QPA_PLATFORM=minimal
              ASAN_OPTIONS=detect_leaks=0
              ${HELP2MAN} --no-info --locale=C.UTF-8 --version-string=${PROJECT_VERSION}
              --include=${CMAKE_SOURCE_DIR}/data/${program}.h2m --output=${page} $<TARGET_FILE:${program}>
      COMMAND ${GZIP} -9nf ${page}
      DEPENDS ${program} ${CMAKE_SOURCE_DIR}/data/${program}.h2m
      COMMENT "Manual page of ${program}"
      VERBATIM)
    list(APPEND pages ${page}.gz)
  endforeach()
  add_custom_target(talven_man ALL DEPENDS ${pages})
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(WARNING "help2man or gzip not found: no manual pages (scripts/install-deps.sh installs help2man)")
endif()

# cpack -G DEB: talven_VERSION_amd64.deb with the runtime packages found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME talven)
set(CPACK_PACKAGE_VENDOR "The TALVEN project")
set(CPACK_PACKAGE_CONTACT "The TALVEN project")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The TALVEN project")
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs (standard buttons, file dialogs) in Chinese.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[analyser of lottery formulas (彩票公式分析)
TALVEN back-tests arithmetic formulas over the whole history of a lottery
game in which every draw yields six flat numbers and a special number from
1 to 49. Formulas are written in a Chinese notation; the formulas whose
record the user trusts rank the numbers of the next draw. The package holds
the desktop program talven, the command line talven-cli, a user guide in
Chinese and sample files.

TALVEN 用全部历史开奖号码逐期验算用中文写成的公式，显示每条公式的准确率和
连对连错；选出可信的公式后计算下一期每个号码的误差值，给出杀码和留码。
软件包含窗口程序 talven、命令行程序 talven-cli、中文使用说明和示例文件。]=])
include(CPack)
