# Run after bison: the parser trace writes "Reading a token: " before the
# token it fetches, so that the "Next token is" report follows on the same
# line; bison 3.8's skeleton ends the line there instead.
file(READ "${FILE}" text)
string(REPLACE "\"Reading a token\\n\"" "\"Reading a token: \"" patched "${text}")
if(patched STREQUAL text)
  message(FATAL_ERROR "${FILE}: the parser trace text to adjust was not found")
endif()
file(WRITE "${FILE}" "${patched}")
