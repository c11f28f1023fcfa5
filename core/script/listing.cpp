// Text listing of compiled prototypes.
#include "core/script/listing.h"

#include <cstdarg>
#include <cstdio>

#include "core/script/state.h"
#include "core/script/opcodes.h"

namespace {

void Append(std::string* out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void Append(std::string* out, const char* fmt, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  *out += buf;
}

// A constant as source-like text: numbers by "%.14g", strings quoted, wide strings as L"..."
// with units above 126 escaped.
std::string ConstantText(const TObject* o) {
  std::string s;
  char buf[48];
  switch (ttype(o)) {
    case LUA_TNIL:
      return "nil";
    case LUA_TNUMBER:
      snprintf(buf, sizeof buf, "%.14g", nvalue(o));
      return buf;
    case LUA_TSTRING: {
      const TString* ts = tsvalue(o);
      s = "\"";
      for (size_t i = 0; i < ts->len; ++i) {
        unsigned char c = static_cast<unsigned char>(getstr(ts)[i]);
        if (c == '"' || c == '\\') {
          s += '\\';
          s += static_cast<char>(c);
        } else if (c < 32 || c > 126) {
          snprintf(buf, sizeof buf, "\\%d", c);
          s += buf;
        } else {
          s += static_cast<char>(c);
        }
      }
      return s + "\"";
    }
    case LUA_TWSTRING: {
      const TString* ts = tsvalue(o);
      s = "L\"";
      for (size_t i = 0; i < ts->len; ++i) {
        unsigned u = getwstr(ts)[i];
        if (u == '"' || u == '\\') {
          s += '\\';
          s += static_cast<char>(u);
        } else if (u < 32 || u > 126) {
          snprintf(buf, sizeof buf, "\\x%04X", u);
          s += buf;
        } else {
          s += static_cast<char>(u);
        }
      }
      return s + "\"";
    }
    default:
      return "?";
  }
}

void ListOne(const Proto* f, std::string* out) {
  Append(out, "function <%s:%d> (%d instructions)\n", f->source ? getstr(f->source) : "?",
         f->lineDefined, f->sizecode);
  Append(out, "%d params, %d upvalues, %d stack, %d constants, %d locals, %d functions%s\n",
         f->numparams, f->nups, f->maxstacksize, f->sizek, f->sizelocvars, f->sizep,
         f->is_vararg ? ", vararg" : "");
  for (int pc = 0; pc < f->sizecode; ++pc) {
    Instruction i = f->code[pc];
    OpCode op = GET_OPCODE(i);
    int a = GETARG_A(i), b = GETARG_B(i), c = GETARG_C(i);
    int line = f->lineinfo && pc < f->sizelineinfo ? f->lineinfo[pc] : 0;
    if (op >= NUM_OPCODES) {
      Append(out, "%4d [%d] ?%-8d\n", pc + 1, line, static_cast<int>(op));
      continue;
    }
    Append(out, "%4d [%d] %2d %-9s", pc + 1, line, static_cast<int>(op), luaP_opnames[op]);
    std::string note;
    auto rk = [&](int x) {
      if (ISK(x) && INDEXK(x) < f->sizek) {
        if (!note.empty()) note += " ";
        note += ConstantText(&f->k[INDEXK(x)]);
      }
    };
    switch (getOpMode(op)) {
      case iABC:
        Append(out, " %d %d %d", a, b, c);
        if (testOpMode(op, OpModeBrk)) rk(b);
        if (testOpMode(op, OpModeCrk)) rk(c);
        break;
      case iABx:
        Append(out, " %d %d", a, GETARG_Bx(i));
        if (testOpMode(op, OpModeK) && GETARG_Bx(i) < f->sizek) note = ConstantText(&f->k[GETARG_Bx(i)]);
        break;
      case iAsBx:
        Append(out, " %d %d", a, GETARG_sBx(i));
        note = "to " + std::to_string(pc + 2 + GETARG_sBx(i));
        break;
    }
    if (!note.empty()) Append(out, "\t; %s", note.c_str());
    *out += "\n";
  }
}

}  // namespace

void luaK_listing(const Proto* f, std::string* out) {
  ListOne(f, out);
  for (int i = 0; i < f->sizep; ++i) {
    *out += "\n";
    luaK_listing(f->p[i], out);
  }
}
