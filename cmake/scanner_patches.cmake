# Run after flex on the generated scanner (FILE).
include(${CMAKE_CURRENT_LIST_DIR}/patch_text.cmake)

# A NUL byte inside a match sends the automaton to its end-of-buffer state,
# and flex then rescans the match from its start to find the state before
# the NUL: a long match full of NULs (a title or comment line) took time
# quadratic in its length. The state after each NUL is kept (with the last
# accepting state at that point), and the rescan resumes there.
patch("${FILE}" "\t\t\t\t/* Consume the NUL. */
\t\t\t\tyy_cp = ++(yy_c_buf_p);
\t\t\t\tyy_current_state = yy_next_state;
" "\t\t\t\t/* Consume the NUL. */
\t\t\t\tyy_cp = ++(yy_c_buf_p);
\t\t\t\tyy_current_state = yy_next_state;
\t\t\t\tnul_resume_.owner = this;
\t\t\t\tnul_resume_.text = (yytext_ptr);
\t\t\t\tnul_resume_.position = yy_cp;
\t\t\t\tnul_resume_.state = yy_next_state;
\t\t\t\tnul_resume_.accepting_state = (yy_last_accepting_state);
\t\t\t\tnul_resume_.accepting_position = (yy_last_accepting_cpos);
" "NUL resume point")
patch("${FILE}" "\tyy_current_state += YY_AT_BOL();

\tfor ( yy_cp = (yytext_ptr) + YY_MORE_ADJ; yy_cp < (yy_c_buf_p); ++yy_cp )
" "\tyy_current_state += YY_AT_BOL();
\tyy_cp = (yytext_ptr) + YY_MORE_ADJ;
\tif ( nul_resume_.owner == this && nul_resume_.text == (yytext_ptr) && nul_resume_.position <= (yy_c_buf_p) )
\t\t{
\t\tyy_current_state = nul_resume_.state;
\t\tyy_cp = nul_resume_.position;
\t\t(yy_last_accepting_state) = nul_resume_.accepting_state;
\t\t(yy_last_accepting_cpos) = nul_resume_.accepting_position;
\t\t}

\tfor ( ; yy_cp < (yy_c_buf_p); ++yy_cp )
" "rescan from the NUL resume point")
# The resume point belongs to one match in one buffer content.
patch("${FILE}" "\t\tyy_bp = yy_cp;

/* %% [9.0] code to set up and find next match goes here */
" "\t\tyy_bp = yy_cp;
\t\tnul_resume_.text = NULL;

/* %% [9.0] code to set up and find next match goes here */
" "NUL resume point reset per match")
patch("${FILE}" "\tint number_to_move, i;
\tint ret_val;
" "\tint number_to_move, i;
\tint ret_val;
\tnul_resume_.text = NULL;
" "NUL resume point reset per refill")
