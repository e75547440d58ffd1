# The program's picture for Windows, drawn at build time from its SVG (src/ui/icons/):
# PNG files at the usual icon sizes, for a window built without Qt SVG, and the .ico that
# Explorer and the taskbar show for tarvos.exe.
set(TARVOS_PICTURE_SIZES 16 24 32 48 64 128 256)
set(TARVOS_PICTURE_DIR ${CMAKE_BINARY_DIR}/picture)

function(tarvos_program_picture)
  find_program(TARVOS_RSVG_CONVERT rsvg-convert REQUIRED)
  find_program(TARVOS_ICOTOOL icotool REQUIRED)
  set(svg ${PROJECT_SOURCE_DIR}/src/ui/icons/tarvos.svg)
  set(pngs)
  foreach(size IN LISTS TARVOS_PICTURE_SIZES)
    set(png ${TARVOS_PICTURE_DIR}/tarvos-${size}.png)
    add_custom_command(OUTPUT ${png}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${TARVOS_PICTURE_DIR}
                       COMMAND ${TARVOS_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg}
                       DEPENDS ${svg} VERBATIM)
    list(APPEND pngs ${png})
  endforeach()
  # The small sizes as pictures, the largest kept as PNG inside the icon.
  set(ico ${TARVOS_PICTURE_DIR}/tarvos.ico)
  set(small ${pngs})
  list(FILTER small EXCLUDE REGEX "-(64|128|256)\\.png$")
  add_custom_command(OUTPUT ${ico}
                     COMMAND ${TARVOS_ICOTOOL} -c -o ${ico} ${small}
                             --raw=${TARVOS_PICTURE_DIR}/tarvos-256.png
                     DEPENDS ${pngs} VERBATIM)
  add_custom_target(tarvos_picture DEPENDS ${pngs} ${ico})
  set(TARVOS_PICTURE_PNGS ${pngs} PARENT_SCOPE)
  set(TARVOS_PICTURE_ICO ${ico} PARENT_SCOPE)
endfunction()
