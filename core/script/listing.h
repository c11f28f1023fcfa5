// Text listing of compiled prototypes (instructions by this engine's opcode numbering), used by
// the command-line runner's -l option and by the golden tests of the code generator.
#pragma once

#include <string>

struct Proto;

// Appends the listing of f and, after it, of its nested functions in order.
void luaK_listing(const Proto* f, std::string* out);
