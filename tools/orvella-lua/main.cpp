// orvella-lua: runs script files (source, UTF-16 source or precompiled) in one state, writes a
// precompiled chunk (-o), lists compiled code (-l) or re-encodes a source as UTF-16 (-u).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/script/do.h"
#include "core/script/lib_aux.h"
#include "core/script/listing.h"
#include "core/script/lua.h"
#include "tools/usage.h"

namespace {

const char kUsage[] =
    "usage: orvella-lua FILE...          run the files in one state\n"
    "       orvella-lua -o OUT.luc FILE  write FILE's precompiled chunk\n"
    "       orvella-lua -l FILE          list FILE's compiled code\n"
    "       orvella-lua -u OUT FILE      write FILE as UTF-16 text with the FF FE mark\n";

bool ReadFile(const char* path, std::string* data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  data->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

struct Buffer {
  const std::string* data;
  bool given;
};

const char* ReadBuffer(lua_State*, void* ud, size_t* size) {
  auto* b = static_cast<Buffer*>(ud);
  if (b->given || b->data->empty()) return nullptr;
  b->given = true;
  *size = b->data->size();
  return b->data->data();
}

int WriteFileChunk(lua_State*, const void* p, size_t size, void* ud) {
  return fwrite(p, 1, size, static_cast<FILE*>(ud)) == size ? 0 : 1;
}

// Loads a file as a function on the stack top; prints the reason and returns false on failure.
bool LoadFile(lua_State* L, const char* path) {
  std::string data;
  if (!ReadFile(path, &data)) {
    fprintf(stderr, "orvella-lua: cannot read %s\n", path);
    return false;
  }
  Buffer b{&data, false};
  std::string name = std::string("@") + path;
  if (lua_load(L, ReadBuffer, &b, name.c_str()) != 0) {
    fprintf(stderr, "%s\n", lua_isstring(L, -1) ? lua_tostring(L, -1) : "(error object is not a string)");
    return false;
  }
  return true;
}

int Run(lua_State* L, int count, char** files) {
  for (int i = 0; i < count; ++i) {
    if (!LoadFile(L, files[i])) return 1;
    if (lua_pcall(L, 0, 0, 0) != 0) {
      fflush(stdout);
      fprintf(stderr, "%s\n", lua_isstring(L, -1) ? lua_tostring(L, -1) : "(error object is not a string)");
      return 1;
    }
  }
  fflush(stdout);
  return 0;
}

int Precompile(lua_State* L, const char* out, const char* file) {
  if (!LoadFile(L, file)) return 1;
  FILE* f = fopen(out, "wb");
  if (!f) {
    fprintf(stderr, "orvella-lua: cannot write %s\n", out);
    return 1;
  }
  int status = lua_dump(L, WriteFileChunk, f);
  bool ok = fclose(f) == 0 && status != 0;
  if (!ok) {
    fprintf(stderr, "orvella-lua: cannot write %s\n", out);
    remove(out);
    return 1;
  }
  return 0;
}

int List(lua_State* L, const char* file) {
  if (!LoadFile(L, file)) return 1;
  std::string text;
  luaK_listing(clvalue(L->top - 1)->l.p, &text);
  fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

// Each byte becomes one 16-bit unit, so narrow strings keep their bytes and the program reads
// the same under both encodings.
int ToUtf16(const char* out, const char* file) {
  std::string data;
  if (!ReadFile(file, &data)) {
    fprintf(stderr, "orvella-lua: cannot read %s\n", file);
    return 1;
  }
  std::string wide("\xFF\xFE", 2);
  for (char c : data) {
    wide += c;
    wide += '\0';
  }
  std::ofstream o(out, std::ios::binary);
  o.write(wide.data(), static_cast<std::streamsize>(wide.size()));
  if (!o) {
    fprintf(stderr, "orvella-lua: cannot write %s\n", out);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (ToolArgs::WantsHelp(argc, argv)) return ToolArgs::Help(kUsage);
  if (argc < 2) return ToolArgs::Usage(kUsage);
  bool option = argv[1][0] == '-';
  if (option && strcmp(argv[1], "-u") && strcmp(argv[1], "-o") && strcmp(argv[1], "-l")) return ToolArgs::Usage(kUsage);
  if (strcmp(argv[1], "-u") == 0) return argc == 4 ? ToUtf16(argv[2], argv[3]) : ToolArgs::Usage(kUsage);
  lua_State* L = lua_open();
  if (!L) {
    fprintf(stderr, "orvella-lua: cannot open a script state\n");
    return 1;
  }
  int result;
  if (strcmp(argv[1], "-o") == 0) {
    result = argc == 4 ? Precompile(L, argv[2], argv[3]) : ToolArgs::Usage(kUsage);
  } else if (strcmp(argv[1], "-l") == 0) {
    result = argc == 3 ? List(L, argv[2]) : ToolArgs::Usage(kUsage);
  } else {
    OpenAllLibraries(L);  // base, coroutine, string with pack/unpack, table, math
    result = Run(L, argc - 1, argv + 1);
  }
  lua_close(L);
  return result;
}
