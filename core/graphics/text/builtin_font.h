// The font compiled into the program (an MVC4 file), used when no font file can be loaded.
#pragma once

extern const unsigned char kBuiltinFont[];
extern const unsigned kBuiltinFontSize;
