# Writes the raw image BIN as a C++ byte array named sh2_program_<NAME> into OUT.
file(SIZE "${BIN}" bin_size)
if(bin_size GREATER 16777216)
  message(FATAL_ERROR "${BIN}: ${bin_size} bytes is too large for an SH-2 test program")
endif()
file(READ "${BIN}" hex HEX)
string(LENGTH "${hex}" hex_len)
math(EXPR size "${hex_len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUT}" "// Generated from ${NAME}.s; do not edit.\n#include \"sh2_program.h\"\n\n"
     "static const unsigned char bytes[${size} + 1] = {\n    ${bytes}0};\n"
     "extern const sh2_program sh2_program_${NAME} = {\"${NAME}\", bytes, ${size}};\n")
