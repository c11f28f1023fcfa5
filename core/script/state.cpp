// Opening and closing a state, and creating and freeing threads.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include <malloc.h>
#include <sys/mman.h>

#include "core/base/settings.h"
#include "core/script/debug.h"
#include "core/script/do.h"
#include "core/script/func.h"
#include "core/script/gc.h"
#include "core/script/mem.h"
#include "core/script/state.h"
#include "core/script/string_table.h"
#include "core/script/table.h"

// A thread as allocated: the object and, for the main thread, the global state after it.
struct LG {
  lua_State l;
  global_State g;
};

// The default allocation function: the C library's, except for large blocks. Those are
// rounded up to a size class (an eighth of their power of two) and the last few freed are
// kept for the next request of their class. A loop that makes and drops large strings would
// otherwise have the C library hand the memory back to the system after each collection and
// fault it in again at the next step. Blocks of the huge classes (tables of millions of slots)
// are mappings of their own on huge pages: faulting fresh memory in four kilobytes at a time
// costs more than filling it, and a mapping grows in place or moves without a copy.
namespace {

const size_t kLargeBlock = 64 * 1024;
const size_t kHugeBlock = 4 * 1024 * 1024;
const size_t kHugePage = 2 * 1024 * 1024;
const int kKeptBlocks = 8;
// Small blocks (closures, upvalues, short strings, little tables) come from slabs of the
// state's own, cut in 16-byte steps, and go back to lists by size when freed: the next steps
// of the script make as many again. The slabs go with the state, so closing a state with
// many small objects frees a few slabs instead of every object, and the C library never
// merges its free chunks by the hundred thousand. Address checking wants every block to come
// from the C library, so the slabs are off under it.
#if defined(__SANITIZE_ADDRESS__)
#define ORVELLA_SMALL_LISTS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVELLA_SMALL_LISTS 0
#endif
#endif
#ifndef ORVELLA_SMALL_LISTS
#define ORVELLA_SMALL_LISTS 1
#endif
const size_t kSmallBlock = 64;
const size_t kSmallGrain = 16;  // the C library's alignment, which stored objects may need
const int kSmallClasses = kSmallBlock / kSmallGrain + 1;
const size_t kSlabBytes = 64 * 1024;
const size_t kKeptBytes = 8 * 1024 * 1024;

size_t LargeClass(size_t n) {
  size_t grain = 1;
  while ((grain << 4) <= n) grain <<= 1;  // 2^(floor(log2 n) - 3)
  return (n + grain - 1) & ~(grain - 1);
}

size_t MappedSize(size_t cls) { return (cls + kHugePage - 1) & ~(kHugePage - 1); }

// A mapping of a huge class, started on a huge page boundary.
void *MapHuge(size_t cls) {
  size_t size = MappedSize(cls);
  void *p = mmap(NULL, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return NULL;
  uintptr_t at = reinterpret_cast<uintptr_t>(p), aligned = (at + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > at) munmap(p, aligned - at);
  munmap(reinterpret_cast<void *>(aligned + size), at + kHugePage - aligned);
#ifdef MADV_HUGEPAGE
  madvise(reinterpret_cast<void *>(aligned), size, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<void *>(aligned);
}

void Release(void *p, size_t cls) {
  if (cls >= kHugeBlock) munmap(p, MappedSize(cls));
  else std::free(p);
}

// A block of class `cls' with the first `keep' bytes of `ptr' (a block of class `old', or of
// a small size when `old' is 0).
void *Move(void *ptr, size_t old, size_t cls, size_t keep) {
  if (old >= kHugeBlock && cls >= kHugeBlock) {
    void *p = mremap(ptr, MappedSize(old), MappedSize(cls), MREMAP_MAYMOVE);
    return p == MAP_FAILED ? NULL : p;
  }
  if (cls < kHugeBlock) {
    if (old < kHugeBlock) return std::realloc(ptr, cls);
    void *p = std::malloc(cls);
    if (p != NULL) std::memcpy(p, ptr, keep), munmap(ptr, MappedSize(old));
    return p;
  }
  void *p = MapHuge(cls);
  if (p != NULL && ptr != NULL) std::memcpy(p, ptr, keep), std::free(ptr);
  return p;
}

// The blocks kept, oldest first; one record per state opened with the default function.
struct KeptBlocks {
  void *block[kKeptBlocks];
  size_t size[kKeptBlocks];
  int count = 0;
  size_t bytes = 0;

  void *Take(size_t cls) {
    for (int i = count - 1; i >= 0; i--)
      if (size[i] == cls) return Remove(i);
    return NULL;
  }
  void Keep(void *p, size_t cls) {
    if (cls > kKeptBytes) {
      Release(p, cls);
      return;
    }
    while (count == kKeptBlocks || bytes + cls > kKeptBytes) {
      size_t oldest = size[0];
      Release(Remove(0), oldest);
    }
    block[count] = p;
    size[count] = cls;
    count++;
    bytes += cls;
  }
  // Small free blocks by class, linked through their first word; the slab being cut; the
  // slabs, linked through their first word.
  void *small[kSmallClasses] = {};
  char *slabAt = nullptr;
  char *slabEnd = nullptr;
  void *slabs = nullptr;

  static size_t SmallClass(size_t n) { return (n + kSmallGrain - 1) / kSmallGrain; }

  void *TakeSmall(size_t n) {
    size_t c = SmallClass(n);
    if (void *p = small[c]) {
      small[c] = *static_cast<void **>(p);
      return p;
    }
    size_t bytes = c * kSmallGrain;
    if (static_cast<size_t>(slabEnd - slabAt) < bytes) {
      char *slab = static_cast<char *>(std::malloc(kSlabBytes));
      if (slab == NULL) return NULL;
      *reinterpret_cast<void **>(slab) = slabs;
      slabs = slab;
      slabAt = slab + kSmallGrain;
      slabEnd = slab + kSlabBytes;
    }
    void *p = slabAt;
    slabAt += bytes;
    return p;
  }
  void KeepSmall(void *p, size_t size) {
    size_t c = SmallClass(size);
    *static_cast<void **>(p) = small[c];
    small[c] = p;
  }

  ~KeptBlocks() {
    for (int i = 0; i < count; i++) Release(block[i], size[i]);
    while (slabs != NULL) {
      void *next = *static_cast<void **>(slabs);
      std::free(slabs);
      slabs = next;
    }
  }
  // Takes entry i out of the list, keeping the order of the rest.
  void *Remove(int i) {
    void *p = block[i];
    bytes -= size[i];
    for (int j = i + 1; j < count; j++) block[j - 1] = block[j], size[j - 1] = size[j];
    count--;
    return p;
  }
};

}  // namespace

static void *l_alloc(void *ud, void *ptr, size_t osize, size_t nsize) {
  KeptBlocks *kept = static_cast<KeptBlocks *>(ud);
  bool fromSlab = ORVELLA_SMALL_LISTS && ptr != NULL && osize <= kSmallBlock;
  if (ORVELLA_SMALL_LISTS && (fromSlab || (nsize > 0 && nsize <= kSmallBlock))) {
    if (nsize == 0) {
      kept->KeepSmall(ptr, osize);
      return NULL;
    }
    if (fromSlab && nsize <= kSmallBlock && KeptBlocks::SmallClass(nsize) == KeptBlocks::SmallClass(osize)) return ptr;
    // Into or out of the slabs: a new block, the contents, then the old block let go.
    void *p = nsize <= kSmallBlock ? kept->TakeSmall(nsize) : l_alloc(ud, NULL, 0, nsize);
    if (p != NULL && ptr != NULL) {
      std::memcpy(p, ptr, std::min(osize, nsize));
      l_alloc(ud, ptr, osize, 0);
    }
    return p;
  }
  size_t old = ptr != NULL && osize >= kLargeBlock ? LargeClass(osize) : 0;
  if (nsize == 0) {
    if (old) kept->Keep(ptr, old);
    else std::free(ptr);
    return NULL;
  }
  if (nsize < kLargeBlock && old < kHugeBlock) return std::realloc(ptr, nsize);
  size_t cls = nsize < kLargeBlock ? nsize : LargeClass(nsize);
  if (ptr == NULL) {
    void *p = kept->Take(cls);
    return p ? p : cls >= kHugeBlock ? MapHuge(cls) : std::malloc(cls);
  }
  if (old == cls) return ptr;  // the block already has the room
  return Move(ptr, old, cls, std::min(osize, nsize));
}

static void stack_init(lua_State *L1, lua_State *L) {
  L1->stack = luaM_newvector(L, BASIC_STACK_SIZE + EXTRA_STACK, TObject);
  L1->stacksize = BASIC_STACK_SIZE + EXTRA_STACK;
  L1->top = L1->stack;
  L1->stack_last = L1->stack + (L1->stacksize - EXTRA_STACK) - 1;
  L1->base_ci = luaM_newvector(L, BASIC_CI_SIZE, CallInfo);
  L1->ci = L1->base_ci;
  L1->ci->flags = CIST_C;  // the bottom record behaves as a C caller
  L1->ci->nresults = LUA_MULTRET;
  L1->ci->tailcalls = 0;
  L1->ci->savedpc = NULL;
  L1->ci->func = L1->top;
  setnilvalue(L1->top++);  // `function' entry for this `ci'
  L1->base = L1->ci->base = L1->top;
  L1->ci->top = L1->top + LUA_MINSTACK;
  L1->size_ci = BASIC_CI_SIZE;
  L1->end_ci = L1->base_ci + L1->size_ci;
  for (StkId o = L1->top; o < L1->stack + L1->stacksize; o++) setnilvalue(o);
}

static void freestack(lua_State *L, lua_State *L1) {
  luaM_freearray(L, L1->base_ci, L1->size_ci, CallInfo);
  luaM_freearray(L, L1->stack, L1->stacksize, TObject);
}

static void preinit_state(lua_State *L) {
  L->stack = NULL;
  L->stacksize = 0;
  L->errorJmp = NULL;
  L->status = 0;
  L->base_ci = L->ci = NULL;
  L->size_ci = 0;
  L->nCcalls = 0;
  L->baseCcalls = 0;
  L->base = L->top = NULL;
  L->stack_last = NULL;
  L->end_ci = NULL;
  L->errfunc = 0;
  L->nunwind = 0;
  L->openupval = NULL;
  L->gclist = NULL;
  setnilvalue(gt(L));
}

// Builds everything that may fail, in protected mode.
static void f_luaopen(lua_State *L, void *ud) {
  (void)ud;
  global_State *g = G(L);
  stack_init(L, L);
  luaS_resize(L, MINSTRTABSIZE);  // initial size of string table
  // The default metatable: an empty table that is its own metatable.
  Table *dm = luaH_new(L, 0, 0);
  dm->metatable = dm;
  sethvalue(defaultmeta(L), dm);
  for (int i = 1; i < NUM_TAGS; i++) {
    Table *t = luaH_new(L, 0, 0);
    t->metatable = dm;
    sethvalue(&g->_typemeta[i], t);
  }
  hvalue(&g->_typemeta[LUA_TTABLE])->metatable = dm;
  sethvalue(gt(L), luaH_new(L, 0, 4));        // table of globals: 16 nodes
  sethvalue(registry(L), luaH_new(L, 4, 4));  // registry
  luaT_init(L);
  luaX_init(L);
  g->nname = luaS_newliteral(L, "n");
  luaS_fix(g->nname);
  luaS_fix(luaS_newliteral(L, MEMERRMSG));
  g->GCthreshold = 4 * g->nblocks;
}

static void close_state(lua_State *L) {
  global_State *g = G(L);
  luaF_close(L, L->stack);  // close all upvalues for this thread
  luaC_sweep(L, 1);         // collect all elements
  luaS_freeall(L);
  luaZ_freebuffer(L, &g->buff);
  freestack(L, L);
  g->frealloc(g->ud, L, sizeof(LG), 0);
}

lua_State *luaE_newthread(lua_State *L) {
  lua_State *L1 = cast(lua_State *, luaM_malloc(L, sizeof(lua_State)));
  luaC_link(L, valtogco(L1), LUA_TTHREAD);
  preinit_state(L1);
  L1->l_G = L->l_G;
  stack_init(L1, L);  // init stack
  setobj(gt(L1), gt(L));  // share table of globals
  return L1;
}

void luaE_freethread(lua_State *L, lua_State *L1) {
  luaF_close(L1, L1->stack);  // close all upvalues for this thread
  freestack(L, L1);
  luaM_free(L, L1, sizeof(lua_State));
}

lua_State *lua_open(void) {
  KeptBlocks *kept = new (std::nothrow) KeptBlocks;
  if (kept == NULL) return NULL;
  lua_State *L = luaE_openwith(l_alloc, kept);
  if (L == NULL) delete kept;
  return L;
}

lua_State *luaE_openwith(lua_Alloc f, void *ud) {
  LG *lg = static_cast<LG *>(f(ud, NULL, 0, sizeof(LG)));
  if (lg == NULL) return NULL;
  lua_State *L = &lg->l;
  global_State *g = &lg->g;
  L->tt = LUA_TTHREAD;
  L->marked = GC_FIXED;
  L->next = NULL;
  preinit_state(L);
  L->l_G = g;
  g->frealloc = f;
  g->ud = ud;
  g->mainthread = L;
  g->GCthreshold = 0;  // mark it as unfinished state
  g->strt.size = 0;
  g->strt.nuse = 0;
  g->strt.hash = NULL;
  setnilvalue(registry(L));
  setnilvalue(defaultmeta(L));
  for (int i = 0; i < NUM_TAGS; i++) setnilvalue(&g->_typemeta[i]);
  luaZ_initbuffer(L, &g->buff);
  g->panic = NULL;
  g->rootgc = NULL;
  g->rootudata = NULL;
  g->tmudata = NULL;
  g->dummynode->i_key.nk.tt = LUA_TNIL;
  g->dummynode->i_key.nk.value.gc = NULL;
  gnext(g->dummynode) = 0;
  setnilvalue(gval(g->dummynode));
  g->nblocks = sizeof(LG);
  g->memlimit = (lu_mem)GetSettingClamped(kSettingScriptMemoryMb, kScriptDefaultMemoryMb, kScriptMinMemoryMb,
                                          kScriptMaxMemoryMb)
                << 20;
  g->nCresume = 0;
  g->nativeobserver = NULL;
  g->sizes = NULL;
  g->sizesHint = 0;
  for (int i = 0; i < TM_N; i++) g->tmname[i] = NULL;
  g->nname = NULL;
  if (luaD_rawrunprotected(L, f_luaopen, NULL) != 0) {
    // memory allocation error: free partial state
    close_state(L);
    L = NULL;
  }
  return L;
}

static void callallgcTM(lua_State *L, void *ud) {
  (void)ud;
  luaC_callGCTM(L);  // call GC metamethods for all udata
}

void lua_close(lua_State *L) {
  L = G(L)->mainthread;  // only the main thread can be closed
  luaF_close(L, L->stack);  // close all upvalues for this thread
  luaC_separateudata(L);    // separate udata that have GC metamethods
  L->errfunc = 0;  // no error function during GC metamethods
  do {  // repeat until no more errors
    L->ci = L->base_ci;
    L->base = L->top = L->ci->base;
    L->nCcalls = 0;
  } while (luaD_rawrunprotected(L, callallgcTM, NULL) != 0);
  lua_Alloc f = G(L)->frealloc;
  void *ud = G(L)->ud;
  close_state(L);
  if (f == l_alloc) delete static_cast<KeptBlocks *>(ud);
}
