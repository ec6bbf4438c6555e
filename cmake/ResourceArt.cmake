# Toolbar bitmaps and icons are drawn as text in resources/art and turned
# into image files at build time by tools/pixelart, a small program built for
# the build machine (not the target). The resource scripts find the images
# in the generated folder.
find_program(ZV_HOST_CXX NAMES c++ g++ NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(ZV_PIXELART ${CMAKE_BINARY_DIR}/host/pixelart)
add_custom_command(
  OUTPUT ${ZV_PIXELART}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
  COMMAND ${ZV_HOST_CXX} -std=c++17 -O1 -o ${ZV_PIXELART} ${CMAKE_SOURCE_DIR}/tools/pixelart/pixelart.cpp
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/pixelart/pixelart.cpp
  COMMENT "pixelart generator"
  VERBATIM)

set(ZV_ART_OUTPUTS)
# zv_art_bitmap(<description in resources/art> <name in gen/> <rc file>)
function(zv_art_bitmap src out rc)
  add_custom_command(
    OUTPUT ${ZV_GEN}/${out}
    COMMAND ${ZV_PIXELART} bmp ${CMAKE_SOURCE_DIR}/resources/art/${src} ${ZV_GEN}/${out}
    DEPENDS ${ZV_PIXELART} ${CMAKE_SOURCE_DIR}/resources/art/${src}
    COMMENT "pixelart ${out}"
    VERBATIM)
  set_property(SOURCE ${CMAKE_SOURCE_DIR}/resources/${rc} APPEND PROPERTY OBJECT_DEPENDS ${ZV_GEN}/${out})
  set(ZV_ART_OUTPUTS ${ZV_ART_OUTPUTS} ${ZV_GEN}/${out} PARENT_SCOPE)
endfunction()
# zv_art_icon(<description> <name> <first image id> <rc file>): gen/<name>.grp
# (RT_GROUP_ICON data) and gen/<name>-1.ico, gen/<name>-2.ico (RT_ICON data,
# ids <first> and <first>+1), for a script that names them as raw resources.
function(zv_art_icon src out firstId rc)
  set(files ${ZV_GEN}/${out}.grp ${ZV_GEN}/${out}-1.ico ${ZV_GEN}/${out}-2.ico)
  add_custom_command(
    OUTPUT ${files}
    COMMAND ${ZV_PIXELART} ico ${CMAKE_SOURCE_DIR}/resources/art/${src} ${ZV_GEN}/${out} ${firstId}
    DEPENDS ${ZV_PIXELART} ${CMAKE_SOURCE_DIR}/resources/art/${src}
    COMMENT "pixelart ${out}"
    VERBATIM)
  set_property(SOURCE ${CMAKE_SOURCE_DIR}/resources/${rc} APPEND PROPERTY OBJECT_DEPENDS "${files}")
  set(ZV_ART_OUTPUTS ${ZV_ART_OUTPUTS} ${files} PARENT_SCOPE)
endfunction()

zv_art_bitmap(LogToolbar.txt LogToolbar.bmp LogWindow.rc)
zv_art_icon(LogWindowIcon.txt LogWindowIcon 13101 LogWindow.rc)

add_custom_target(zv_art DEPENDS ${ZV_ART_OUTPUTS})
add_dependencies(zv_resources zv_art)
