# patch(PATH FROM TO WHY): replaces FROM by TO in a generated file. A text
# that is not found fails the build: the generator's skeleton has moved.
function(patch path from to why)
  file(READ "${path}" text)
  string(REPLACE "${from}" "${to}" patched "${text}")
  if(patched STREQUAL text)
    message(FATAL_ERROR "${path}: text to adjust not found (${why})")
  endif()
  file(WRITE "${path}" "${patched}")
endfunction()
