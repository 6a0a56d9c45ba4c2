# The toolkit's stroke Roman font as a library of data, for the builds whose
# toolkit has no stroke font (the browser's): platform/stroke_font.h's
# kStrokeRomanFont.
#
#   burrik_stroke_font_library(<name> CAPTURE <program> [OUTPUT <file.cpp>])
#
# Adds the static library <name> (built only when something links it) whose
# one source is the table that <program> writes: strokefont_capture, as the
# target of this build or the path of one built natively beforehand. It runs
# at build time under a virtual X display with Mesa's software rasteriser.
function(burrik_stroke_font_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "CAPTURE;OUTPUT" "")
  if(NOT arg_CAPTURE)
    message(FATAL_ERROR "burrik_stroke_font_library: CAPTURE names no capture program")
  endif()
  if(NOT arg_OUTPUT)
    set(arg_OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/generated/stroke_roman_font.cpp)
  endif()
  if(TARGET ${arg_CAPTURE})
    set(program $<TARGET_FILE:${arg_CAPTURE}>)
  elseif(EXISTS ${arg_CAPTURE})
    set(program ${arg_CAPTURE})
  else()
    message(FATAL_ERROR "burrik_stroke_font_library: no capture program at ${arg_CAPTURE} "
                        "(build strokefont_capture natively first)")
  endif()
  # Without xvfb-run (Debian package xvfb) it runs on the display of the
  # build, and says so where there is none.
  find_program(BURRIK_XVFB_RUN xvfb-run)
  set(display_wrapper)
  if(BURRIK_XVFB_RUN)
    set(display_wrapper ${BURRIK_XVFB_RUN} -a -s "-screen 0 640x480x24")
  endif()
  add_custom_command(
    OUTPUT ${arg_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E env LIBGL_ALWAYS_SOFTWARE=1 ${display_wrapper} ${program} --out ${arg_OUTPUT}
    DEPENDS ${arg_CAPTURE}
    COMMENT "Capturing the stroke Roman font into ${arg_OUTPUT}"
    VERBATIM)
  add_library(${name} STATIC EXCLUDE_FROM_ALL ${arg_OUTPUT})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../../src)
endfunction()
