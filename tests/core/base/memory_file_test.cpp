// Memory-block files and pack-member files: reads, text mode, seeks, end flags and malformed
// resolved paths.
#include <gtest/gtest.h>

#include <string>

#include "core/base/asset_file_list.h"
#include "core/base/file_map_handler.h"
#include "core/base/flat_file_map.h"
#include "core/base/memory_file.h"
#include "tests/core/base/file_fixture.h"
#include "tools/kspack/pack_writer.h"

namespace {
const char kBlock[] = "a\r\nb\r\n";

std::string ReadN(TFile& f, int n) {
  char buf[64];
  int got = f.Read(buf, n);
  return std::string(buf, got > 0 ? (size_t)got : 0);
}
}  // namespace

class MappedFileTest : public FileLayerTest {
 protected:
  void SetUp() override {
    FileLayerTest::SetUp();
    RegisterMemoryFile(TStr("Mem/Block.TXT"), kBlock, 6);
    ASSERT_TRUE(WritePack(Root() + "/assets/p.ksp", {{"pack/block.txt", kBlock}, {"pack/empty", ""}}));
    ASSERT_TRUE(MountPack(TStr("::assets/p.ksp"), GetFileMap()));
  }
};

TEST_F(MappedFileTest, TextModeDropsCarriageReturnsInBothKinds) {
  for (const char* path : {"mem/block.txt", "pack/block.txt"}) {
    TFile f;
    ASSERT_TRUE(f.Open(TStr(path), kFileReadText)) << path;
    EXPECT_EQ(ReadN(f, 10), "a\nb\n") << path;
    ASSERT_TRUE(f.Open(TStr(path), kFileReadBinary)) << path;
    EXPECT_EQ(ReadN(f, 10), kBlock) << path;
    EXPECT_EQ(f.GetSize(), 6);
    EXPECT_EQ(f.Write("x", 1), 0);
  }
}

TEST_F(MappedFileTest, SeekTableForBothKinds) {
  const struct {
    int offset, origin, tell;
  } seeks[] = {
      {2, kSeekStart, 2}, {1, kSeekCurrent, 3}, {-2, kSeekEnd, 4},     {0, kSeekEnd, 6},
      {9, kSeekStart, 6}, {-1, kSeekStart, 6}, {-7, kSeekCurrent, 6}, {1, kSeekStart, 1},
  };
  for (const char* path : {"mem/block.txt", "pack/block.txt"}) {
    TFile f;
    ASSERT_TRUE(f.Open(TStr(path), kFileReadBinary));
    for (const auto& s : seeks) {
      f.Seek(s.offset, s.origin);
      EXPECT_EQ(f.Tell(), s.tell) << path << " " << s.offset << "," << s.origin;
    }
    f.UngetByte();
    EXPECT_EQ(f.Tell(), 0) << path;
    f.UngetByte();  // one before the start counts as past the end
    EXPECT_EQ(f.Tell(), 6) << path;
  }
}

TEST_F(MappedFileTest, EndTestsDifferBetweenKinds) {
  TFile mem, pack;
  ASSERT_TRUE(mem.Open(TStr("mem/block.txt"), kFileReadBinary));
  ASSERT_TRUE(pack.Open(TStr("pack/block.txt"), kFileReadBinary));
  // A memory file is at its end when the position is; a member only after asking for more.
  EXPECT_EQ(ReadN(mem, 6), kBlock);
  EXPECT_TRUE(mem.IsEOF());
  EXPECT_EQ(ReadN(pack, 6), kBlock);
  EXPECT_FALSE(pack.IsEOF());
  EXPECT_EQ(ReadN(pack, 1), "");
  EXPECT_TRUE(pack.IsEOF());
  pack.Seek(2, kSeekStart);
  EXPECT_FALSE(pack.IsEOF());
  EXPECT_EQ(ReadN(pack, 10), "\nb\r\n");
  EXPECT_TRUE(pack.IsEOF());
  pack.UngetByte();
  EXPECT_FALSE(pack.IsEOF());
  EXPECT_EQ(ReadN(pack, 1), "\n");
}

TEST_F(MappedFileTest, EmptyBlocksOpenAndEndAtOnce) {
  static const char empty[1] = {0};
  RegisterMemoryFile(TStr("zero"), empty, 0);
  for (const char* path : {"zero", "pack/empty"}) {
    TFile f;
    ASSERT_TRUE(f.Open(TStr(path), kFileReadBinary)) << path;
    EXPECT_EQ(ReadN(f, 4), "") << path;
    EXPECT_TRUE(f.IsEOF()) << path;
  }
}

TEST_F(MappedFileTest, MemoryNamesAreReadOnlyAndCanBeRemoved) {
  for (int mode : {kFileWriteBinary, kFileWriteText, kFileAppendBinary, kFileAppendText})
    EXPECT_EQ(FileOpen("mem/block.txt", mode), nullptr) << mode;
  // Removal takes the name in any case, as registration and look-ups do.
  RegisterMemoryFile(TStr("MEM\\Block.txt"), nullptr, 0);
  EXPECT_EQ(FileOpen("mem/block.txt", kFileReadBinary), nullptr);
}

TEST_F(MappedFileTest, MalformedResolvedPathsFailWithoutReadingOutside) {
  const char* forms[] = {"@7:0,1", "@-1:0,1", "@0", "@0:8", "@0:1000,4", "@0:8,100000", "@0:4294967295,2",
                         "&0,4", "&12345"};
  int i = 0;
  for (const char* form : forms) {
    TStr key = TStr::Format("bad%d", i++);
    GetFileMap()[key] = TStr(form);
    EXPECT_EQ(FileOpen(key.c_str(), kFileReadBinary), nullptr) << form;
  }
}

TEST_F(MappedFileTest, UnmappedPackLogsAndFailsItsMembers) {
  GetPackList()[0].Close();
  EXPECT_EQ(FileOpen("pack/block.txt", kFileReadBinary), nullptr);
}

TEST_F(MappedFileTest, HandlerCopiesShareOneMapping) {
  TFileMapHandler a;
  ASSERT_TRUE(a.Open(TStr("::assets/p.ksp")));
  TFileMapHandler b = a;
  EXPECT_EQ(a.GetData(), b.GetData());
  EXPECT_EQ(memcmp(a.GetData(), "KSPK", 4), 0);
  b.Close();
  EXPECT_EQ(a.GetData(), nullptr);
  EXPECT_FALSE(a.Open(TStr("::assets/none.ksp")));
}
