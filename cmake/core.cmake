# The plug-in core: scanner and parser generated at build time from the
# keyword table and the templates, the driver, the tree builders and the
# plug-in entry. One OBJECT library shared by the module and the tests.

add_executable(kwgen ${CMAKE_SOURCE_DIR}/tools/kwgen/kwgen.cc)

# Generated sources sit under generated/scanner and generated/grammar, so that
# they are included like the hand-written ones ("grammar/korvex3_parser.hh").
set(KORVEX3_GENERATED ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${KORVEX3_GENERATED}/scanner ${KORVEX3_GENERATED}/grammar)

# The grammar's statement families, in the order their rules are assembled.
set(KORVEX3_GRAMMAR_FAMILIES operands structure passives semiconductors couplings devices sources controlled_sources
  models settings analyses small_signal periodic outputs statistics verification)
set(KORVEX3_GRAMMAR_FRAGMENTS)
foreach(family IN LISTS KORVEX3_GRAMMAR_FAMILIES)
  list(APPEND KORVEX3_GRAMMAR_FRAGMENTS ${CMAKE_SOURCE_DIR}/grammar/${family}.yy)
endforeach()

add_custom_command(
  OUTPUT ${KORVEX3_GENERATED}/scanner/korvex3.ll ${KORVEX3_GENERATED}/grammar/korvex3.yy
         ${KORVEX3_GENERATED}/scanner/tokens.hh ${KORVEX3_GENERATED}/grammar/token_check.hh
  COMMAND kwgen
          ${CMAKE_SOURCE_DIR}/scanner/keywords.tab
          ${CMAKE_SOURCE_DIR}/scanner/korvex3.ll.in ${KORVEX3_GENERATED}/scanner/korvex3.ll
          ${CMAKE_SOURCE_DIR}/grammar/korvex3.yy.in ${KORVEX3_GENERATED}/grammar/korvex3.yy
          ${KORVEX3_GRAMMAR_FRAGMENTS}
  DEPENDS kwgen
          ${CMAKE_SOURCE_DIR}/scanner/keywords.tab
          ${CMAKE_SOURCE_DIR}/scanner/korvex3.ll.in
          ${CMAKE_SOURCE_DIR}/grammar/korvex3.yy.in
          ${KORVEX3_GRAMMAR_FRAGMENTS}
  COMMENT "Generating scanner and grammar from the keyword table and the grammar fragments")

bison_target(korvex3_parser ${KORVEX3_GENERATED}/grammar/korvex3.yy ${KORVEX3_GENERATED}/grammar/korvex3_parser.cc
  DEFINES_FILE ${KORVEX3_GENERATED}/grammar/korvex3_parser.hh
  COMPILE_FLAGS "-Wall -Wno-other")
add_custom_command(OUTPUT ${KORVEX3_GENERATED}/grammar/korvex3_parser.cc APPEND
  COMMAND ${CMAKE_COMMAND} -DFILE=${KORVEX3_GENERATED}/grammar/korvex3_parser.cc
          -DHEADER=${KORVEX3_GENERATED}/grammar/korvex3_parser.hh
          -P ${CMAKE_SOURCE_DIR}/cmake/parser_patches.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/cmake/parser_patches.cmake ${CMAKE_SOURCE_DIR}/cmake/patch_text.cmake)
# Full tables over equivalence classes: the fastest representation that
# stays around a megabyte.
set(KORVEX3_FLEX_TABLES "-Cfe" CACHE STRING "flex table compression flags for the scanner")
flex_target(korvex3_scanner ${KORVEX3_GENERATED}/scanner/korvex3.ll ${KORVEX3_GENERATED}/scanner/korvex3_scanner.cc
  COMPILE_FLAGS "${KORVEX3_FLEX_TABLES}")
add_custom_command(OUTPUT ${KORVEX3_GENERATED}/scanner/korvex3_scanner.cc APPEND
  COMMAND ${CMAKE_COMMAND} -DFILE=${KORVEX3_GENERATED}/scanner/korvex3_scanner.cc
          -P ${CMAKE_SOURCE_DIR}/cmake/scanner_patches.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/cmake/scanner_patches.cmake ${CMAKE_SOURCE_DIR}/cmake/patch_text.cmake)
add_flex_bison_dependency(korvex3_scanner korvex3_parser)

file(GLOB KORVEX3_GRAMMAR_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/grammar/*.cc)

add_library(korvex3_core OBJECT
  ${BISON_korvex3_parser_OUTPUTS}
  ${FLEX_korvex3_scanner_OUTPUTS}
  ${CMAKE_SOURCE_DIR}/location/location.cc
  ${CMAKE_SOURCE_DIR}/driver/korvex3_driver.cc
  ${CMAKE_SOURCE_DIR}/scanner/text_pool.cc
  ${KORVEX3_GRAMMAR_SOURCES}
  ${CMAKE_SOURCE_DIR}/plugin/parser_korvex3.cc
  ${CMAKE_SOURCE_DIR}/plugin/language_description.cc
  ${CMAKE_SOURCE_DIR}/plugin/plugin_entry.cc
)
# Includes name paths from the repository root ("grammar/tree.hh").
target_include_directories(korvex3_core PUBLIC ${CMAKE_SOURCE_DIR} ${KORVEX3_GENERATED})
target_link_libraries(korvex3_core PUBLIC quarry_host Boost::boost Boost::filesystem)
set_target_properties(korvex3_core PROPERTIES
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)
# Generated code is not held to our warning level.
set_source_files_properties(${FLEX_korvex3_scanner_OUTPUTS} ${BISON_korvex3_parser_OUTPUTS}
  PROPERTIES COMPILE_OPTIONS "-Wno-sign-compare;-Wno-unused-parameter;-Wno-unused-function;-Wno-implicit-fallthrough")

add_library(quarry_parser_korvex3 MODULE $<TARGET_OBJECTS:korvex3_core>)
target_link_libraries(quarry_parser_korvex3 PRIVATE quarry_host Boost::filesystem)
set_target_properties(quarry_parser_korvex3 PROPERTIES
  PREFIX ""
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  INSTALL_RPATH "$ORIGIN"
  BUILD_RPATH "$ORIGIN")
install(TARGETS quarry_parser_korvex3 LIBRARY DESTINATION lib)
