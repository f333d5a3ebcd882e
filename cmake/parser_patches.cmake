# Run after bison on the generated parser (FILE) and its header (HEADER).
include(${CMAKE_CURRENT_LIST_DIR}/patch_text.cmake)

# The parser trace writes "Reading a token: " before the token it fetches, so
# that the "Next token is" report follows on the same line; bison 3.8's
# skeleton ends the line there instead.
patch("${FILE}" "\"Reading a token\\n\"" "\"Reading a token: \"" "trace text")

# A push moves the symbol into the stack once, instead of building an empty
# symbol, moving that in and then moving the symbol over it: a quarter of the
# parser's own work with owning semantic values.
patch("${HEADER}" "seq_.push_back (T ());
        operator[] (0).move (t);" "seq_.push_back (YY_MOVE (t));" "stack push")
