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

# A parse that ends by an error drops what is left on its stack. The title
# and the statement list go to the driver first, which keeps them when asked
# to (a variant's %destructor cannot reach the parser's parameters).
patch("${FILE}" "yy_destroy_ (\"Cleanup: popping\", yystack_[0]);"
  "if (yystack_[0].kind () == symbol_kind::S_file_title)
          driver.salvage_title (std::move (yystack_[0].value.as<grammar_value> ()).maybe_node ());
        else if (yystack_[0].kind () == symbol_kind::S_netlist_body)
          driver.salvage_body (std::move (yystack_[0].value.as<grammar_value> ()).maybe_node ());
        yy_destroy_ (\"Cleanup: popping\", yystack_[0]);" "salvage on abort")
