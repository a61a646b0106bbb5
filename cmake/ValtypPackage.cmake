# What a desktop installation adds to the programs: menu entries, themed icons,
# AppStream metadata, manual pages and the Debian package's documents; and the
# Debian package itself (cpack in the build folder, see scripts/package.sh).

set(linux_dir ${CMAKE_SOURCE_DIR}/resources/linux)
set(generated_dir ${CMAKE_BINARY_DIR}/desktop)

# The manual pages and the bitmap icons are made at build time from their
# sources, with scdoc and rsvg-convert; without them a build leaves them out.
find_program(SCDOC_PROGRAM scdoc)
find_program(RSVG_CONVERT_PROGRAM rsvg-convert)
find_program(GZIP_PROGRAM gzip)
if(SCDOC_PROGRAM AND RSVG_CONVERT_PROGRAM AND GZIP_PROGRAM)
  set(desktop_tools_found ON)
else()
  set(desktop_tools_found OFF)
endif()
option(VALTYP_DESKTOP_FILES "Install menu entries, icons, metadata and manual pages"
       ${desktop_tools_found})
if(NOT VALTYP_DESKTOP_FILES)
  return()
endif()
if(NOT desktop_tools_found)
  message(FATAL_ERROR "VALTYP_DESKTOP_FILES needs scdoc, rsvg-convert and gzip "
                      "(Debian packages scdoc, librsvg2-bin, gzip)")
endif()

set(generated_files)

# gzip -n: no name or time stamp, so the package is the same on every build.
foreach(page valtyp.1 valtyp-cli.1)
  set(out ${generated_dir}/man/${page}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${generated_dir}/man
    COMMAND ${SCDOC_PROGRAM} < ${linux_dir}/man/${page}.scd > ${generated_dir}/man/${page}
    COMMAND ${GZIP_PROGRAM} -9nf ${generated_dir}/man/${page}
    DEPENDS ${linux_dir}/man/${page}.scd
    COMMENT "Manual page ${page}" VERBATIM)
  list(APPEND generated_files ${out})
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT desktop)
endforeach()

set(valtyp_icon_sizes 16 22 24 32 48 64 128 256)
foreach(icon com.belmaro.Valtyp com.belmaro.ValtypHUB)
  set(svg ${linux_dir}/icons/${icon}.svg)
  foreach(size ${valtyp_icon_sizes})
    set(out ${generated_dir}/icons/${size}x${size}/${icon}.png)
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${generated_dir}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT_PROGRAM} -w ${size} -h ${size} -o ${out} ${svg}
      DEPENDS ${svg} VERBATIM)
    list(APPEND generated_files ${out})
    install(FILES ${out} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            COMPONENT desktop)
  endforeach()
  install(FILES ${svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          COMPONENT desktop)
  install(FILES ${linux_dir}/${icon}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
          COMPONENT desktop)
endforeach()
install(FILES ${linux_dir}/com.belmaro.Valtyp.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT desktop)

# A native Debian package's changelog is changelog.gz.
set(changelog ${generated_dir}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${GZIP_PROGRAM} -9nc ${linux_dir}/debian/changelog > ${changelog}
  DEPENDS ${linux_dir}/debian/changelog VERBATIM)
list(APPEND generated_files ${changelog})
install(FILES ${changelog} ${linux_dir}/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/valtyp COMPONENT desktop)

add_custom_target(valtyp_desktop_files ALL DEPENDS ${generated_files})

# The Debian package: every component above in one package. Its dependencies
# come from the binaries (dpkg-shlibdeps); sound works without the sound font,
# so it is a recommendation.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME valtyp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Belmaro)
set(CPACK_PACKAGE_CONTACT "Belmaro Valtyp Team <valtyp@belmaro.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyboard wedge for scales, balances and other instruments")
# CPack puts the summary in front of this as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Valtyp reads a weighing scale, balance, caliper or bar-code reader on a
serial port and types every reading into the application that has the
keyboard focus, as if typed there. It extracts the value with a pattern per
instrument, does exact decimal arithmetic and rounding, filters repeated
readings and types with the keys of the user's keyboard layout, on X11,
Wayland and the text console.
.
The HUB edition keeps one set of settings for every user of the machine.
valtyp-cli runs the same without the window.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://valtyp.belmaro.com/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS timgm6mb-soundfont)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${linux_dir}/debian/postinst ${linux_dir}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
