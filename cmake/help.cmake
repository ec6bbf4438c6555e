# cmake -DGROFF=<groff> -DSRC=<Help.ms> -DOUT=<Help.pdf> -P help.cmake
# Typesets the user guide; a failed run leaves no half-written document.
execute_process(
  COMMAND ${GROFF} -ms -t -Tpdf -dpaper=a4 -P-pa4 ${SRC}
  OUTPUT_FILE ${OUT}.part
  ERROR_VARIABLE err
  RESULT_VARIABLE rc)
if(err)
  message("${err}")
endif()
if(NOT rc EQUAL 0)
  file(REMOVE ${OUT}.part)
  message(FATAL_ERROR "groff failed (${rc}) on ${SRC}")
endif()
file(RENAME ${OUT}.part ${OUT})
