# cmake -DINPUT=file -DOUTPUT=file.cpp -DNAME=kName -P EmbedFile.cmake
# Writes a source file defining `const char <NAME>Source[]` (the file's bytes, NUL-terminated)
# and `const unsigned <NAME>Size` (their count without the NUL), with external linkage.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
# 32 bytes (128 characters of escapes) a line.
string(REGEX REPLACE "((\\\\x[0-9a-f][0-9a-f]){32})" "\\1\"\n  \"" lines "${escaped}")
get_filename_component(source_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${source_name}; do not edit.\n"
  "extern const char ${NAME}Source[];\n"
  "extern const unsigned ${NAME}Size;\n"
  "const char ${NAME}Source[] =\n  \"${lines}\";\n"
  "const unsigned ${NAME}Size = ${size};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
