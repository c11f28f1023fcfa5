# The built-in fallback font: assets/fonts/default.mvec compiled into the graphics library as a
# byte array (regenerated when the font file changes).
set(builtin_font_file ${CMAKE_SOURCE_DIR}/assets/fonts/default.mvec)
set(builtin_font_source ${CMAKE_CURRENT_BINARY_DIR}/builtin_font_data.cpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${builtin_font_file})
file(READ ${builtin_font_file} builtin_font_hex HEX)
string(LENGTH "${builtin_font_hex}" builtin_font_digits)
math(EXPR builtin_font_size "${builtin_font_digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," builtin_font_bytes "${builtin_font_hex}")
file(CONFIGURE OUTPUT ${builtin_font_source} CONTENT
"// Generated from assets/fonts/default.mvec by core/graphics/text/builtin_font.cmake.
#include \"core/graphics/text/builtin_font.h\"
extern const unsigned char kBuiltinFont[] = {${builtin_font_bytes}};
extern const unsigned kBuiltinFontSize = ${builtin_font_size};
")
