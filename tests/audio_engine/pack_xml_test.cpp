// Packs, persistence, XML reading, the property vocabulary and the project reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio_engine/debug.h"
#include "audio_engine/file_reader.h"
#include "audio_engine/name_id.h"
#include "audio_engine/persist.h"
#include "audio_engine/property_vocabulary.h"
#include "audio_engine/vex_file.h"
#include "audio_engine/xml_project_reader.h"
#include "audio_engine/xml_property_handler.h"
#include "audio_engine/xml_reader.h"
#include "tests/audio_engine/support/memory_reader.h"
#include "tests/support/temp_folder.h"

using namespace Tarn;
using VexaTest::MemoryReader;

namespace {

struct Member {
  uint32_t id;
  std::string bytes;
};

void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; i++) s.push_back((char)((v >> (8 * i)) & 0xFF));
}

std::string BuildPack(const std::vector<Member>& members) {
  std::string out(12, '\0');
  Put32(out, (uint32_t)members.size());
  out.append(16, '\0');
  uint32_t offset = 32 + 16 * (uint32_t)members.size();
  for (auto& m : members) {
    Put32(out, m.id);
    Put32(out, 0);
    Put32(out, (uint32_t)m.bytes.size());
    Put32(out, offset);
    offset += (uint32_t)m.bytes.size();
  }
  for (auto& m : members) out += m.bytes;
  return out;
}

void Write(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

cPropertySet ParseSet(const std::string& xml) {
  cPropertySet set;
  MemoryReader reader(xml);
  cXmlReader x;
  cXmlPropertyHandler handler(&x, &set);
  x.PushHandler(&handler);
  x.Read(&reader);
  return set;
}

class PackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMessageSink([this](const std::string&, const std::string& text) { messages.push_back(text); });
    cPropertyVocabulary::Build();
  }
  void TearDown() override {
    cPersist::Shutdown();
    SetMessageSink(nullptr);
  }
  std::string ReadAll(cIReader* r) {
    std::string s;
    char buf[7];
    uint32_t got = 0;
    do {
      r->Read(buf, sizeof buf, &got);
      s.append(buf, got);
    } while (got > 0);
    return s;
  }
  TempFolder dir;
  std::vector<std::string> messages;
};

}  // namespace

TEST_F(PackTest, MembersReadSeekAndDuplicateIdsTakeTheLaterEntry) {
  std::string path = dir.File("Music.VEX");
  Write(path, BuildPack({{NameId("a.xml"), "first"}, {0x10, "0123456789abcdef"}, {NameId("a.xml"), "second"}}));
  cVexFile pack(path);
  ASSERT_FALSE(pack.IsCorrupt());
  cIReader* r = nullptr;
  ASSERT_EQ(pack.OpenReader(NameId("a.xml"), &r), 0);
  EXPECT_EQ(ReadAll(r), "second");
  delete r;
  ASSERT_EQ(pack.OpenReader(0x10, &r), 0);
  auto* seek = dynamic_cast<cISeek*>(r);
  uint32_t at = 0, got = 0;
  seek->Seek(16 - 10, &at);
  char buf[100];
  r->Read(buf, 100, &got);
  EXPECT_EQ(got, 10u);
  EXPECT_EQ(std::string(buf, got), "6789abcdef");
  seek->Seek(0xFFFFFFFFu, &at);
  EXPECT_EQ(at, 16u);
  delete r;
  EXPECT_EQ(pack.OpenReader(0x99, &r), 2);
  EXPECT_EQ(r, nullptr);
  EXPECT_TRUE(messages.empty());
}

TEST_F(PackTest, MalformedPacksAreRefusedWithoutReadingOutside) {
  std::string good = BuildPack({{1, "abc"}});
  std::string countTooLarge = good;
  countTooLarge[12] = (char)0xFF;
  countTooLarge[13] = (char)0xFF;
  countTooLarge[14] = (char)0xFF;
  countTooLarge[15] = (char)0x7F;
  std::string truncatedDir = good.substr(0, 40);
  std::string shortHeader = good.substr(0, 20);
  // An entry pointing far past the end: mounted, but reads deliver nothing.
  std::string wild = BuildPack({{7, "xyz"}});
  wild[32 + 12] = (char)0xF0;
  wild[32 + 13] = (char)0xFF;
  wild[32 + 14] = (char)0xFF;
  wild[32 + 15] = (char)0xFF;
  struct Case {
    const char* name;
    std::string bytes;
    int mount;
  } cases[] = {{"count.VEX", countTooLarge, -1}, {"trunc.VEX", truncatedDir, -1},
               {"short.VEX", shortHeader, -1},   {"wild.VEX", wild, 0},
               {"empty.VEX", "", 0},             {"zero.VEX", BuildPack({}), 0}};
  for (auto& c : cases) {
    messages.clear();
    std::string path = dir.File(c.name);
    Write(path, c.bytes);
    EXPECT_EQ(cPersist::Mount(cString(path)), c.mount) << c.name;
    if (c.mount == -1) {
      ASSERT_EQ(messages.size(), 1u) << c.name;
      EXPECT_EQ(messages[0], "Error: VEX File appears to be corrupt:\n" + path);
    }
  }
  cIReader* r = nullptr;
  ASSERT_EQ(cPersist::Pack(0)->OpenReader(7, &r), 0);
  EXPECT_EQ(ReadAll(r), "");
  delete r;
  // The empty file could not be mapped and mounts as an empty pack.
  EXPECT_EQ(cPersist::PackCount(), 3u);
}

TEST_F(PackTest, DataFolderMountsSortedAnyCaseAndFirstPackWins) {
  Write(dir.File("b.vex"), BuildPack({{5, "from b"}}));
  Write(dir.File("a.VEX"), BuildPack({{5, "from a"}}));
  Write(dir.File("c.txt"), "not a pack");
  Write(dir.File("loose.ogg"), "loose");
  cPersist::Init(dir.Path().c_str());
  EXPECT_EQ(cPersist::DataFolder().str(), dir.Path() + "/");
  ASSERT_EQ(cPersist::PackCount(), 2u);
  tVariant name;
  name.SetString("0x5");
  cIReader* r = nullptr;
  ASSERT_EQ(cPersist::Open(name, &r), 0);
  EXPECT_EQ(ReadAll(r), "from a");
  delete r;
  name.SetString("loose.ogg");
  cPersist::Open(name, &r);
  EXPECT_EQ(r->Open(), 0);
  EXPECT_EQ(ReadAll(r), "loose");
  delete r;
  name.SetString("missing.ogg");
  cPersist::Open(name, &r);
  EXPECT_EQ(r->Open(), 2);
  delete r;
  cPersist::SetDataFolder((dir.Path() + "/").c_str());
  EXPECT_EQ(cPersist::DataFolder().str(), dir.Path() + "/");
}

TEST_F(PackTest, SymbolTableSideFileIsParsed) {
  std::string path = dir.File("Music.VEX");
  Write(path, BuildPack({}));
  Write(path + ".symboltable.xml", "<PropertySet><Tempo>90.5</Tempo></PropertySet>");
  cVexFile pack(path);
  EXPECT_FLOAT_EQ(pack.Symbols().GetFloat(NameId("Tempo")), 90.5f);
}

TEST(XmlVocabulary, TypedValues) {
  cPropertyVocabulary::Build();
  char hexVolume[16];
  std::snprintf(hexVolume, sizeof hexVolume, "0x%X", NameId("Volume"));
  std::string xml = std::string("<PropertySet>") + "<Enabled>False</Enabled><Live>0</Live><Solo>false</Solo>" +
                    "<Index>0x1F</Index><Priority>31</Priority><Width>-12</Width>" + "<Tempo>\n  96.25</Tempo>" +
                    "<Name>  Lead Synth</Name>" +
                    "<Unknown>7</Unknown>" +
                    "<Property><Key>Custom</Key><Value>hello</Value></Property>" +
                    "<AutomationPoints><FloatMap><FloatMapEntry><FloatMapKey>0</FloatMapKey>"
                    "<FloatMapValue>0.0</FloatMapValue></FloatMapEntry><FloatMapEntry><FloatMapKey>44100"
                    "</FloatMapKey><FloatMapValue>1.5</FloatMapValue></FloatMapEntry></FloatMap></AutomationPoints>" +
                    "<SoundList><StringList><String> b</String><String>a</String></StringList></SoundList>" +
                    "</PropertySet>";
  for (const char* bom : {"", "\xEF\xBB\xBF"}) {
    cPropertySet set = ParseSet(bom + xml);
    EXPECT_TRUE(set.GetBool(NameId("Enabled"), false));
    EXPECT_TRUE(set.GetBool(NameId("Live"), false));
    EXPECT_FALSE(set.GetBool(NameId("Solo"), true));
    EXPECT_EQ(set.GetInt(NameId("Index")), 31);
    EXPECT_EQ(set.GetInt(NameId("Priority")), 31);
    EXPECT_EQ(set.GetInt(NameId("Width")), -12);
    EXPECT_FLOAT_EQ(set.GetFloat(NameId("Tempo")), 96.25f);
    EXPECT_EQ(set.GetVariant(NameId("Name")).Text().str(), "Lead Synth");
    EXPECT_EQ(set.GetVariant(NameId("Name")).Id(), NameId("Lead Synth"));
    EXPECT_FALSE(set.Has(NameId("Unknown")));
    EXPECT_EQ(set.GetVariant(NameId("Custom")).Text().str(), "hello");
    const cFloatMap* map = GetFloatMap(set.GetVariant(NameId("AutomationPoints")));
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->size(), 2u);
    EXPECT_FLOAT_EQ(map->at(44100), 1.5f);
    const cStringSet* list = GetStringSet(set.GetVariant(NameId("SoundList")));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->mSet.size(), 2u);
    EXPECT_EQ(list->mSet.count(cString("b")), 1u);
  }
  // An element named by a hexadecimal identifier is typed by the vocabulary. XML names cannot
  // begin with a digit, so the handler is driven directly.
  {
    cPropertySet set;
    cXmlReader x;
    cXmlPropertyHandler handler(&x, &set);
    handler.StartElement(hexVolume, nullptr);
    handler.CharacterData("0.75", 4);
    handler.EndElement(hexVolume);
    EXPECT_FLOAT_EQ(set.GetFloat(NameId("Volume")), 0.75f);
    EXPECT_EQ(set.GetVariant(NameId("Volume")).GetType(), tVariant::kFloat);
  }
  // A first chunk starting with 0xEF but not the whole mark is parsed as it is (and fails).
  cPropertySet bad = ParseSet("\xEF<PropertySet><Tempo>1</Tempo></PropertySet>");
  EXPECT_FALSE(bad.Has(NameId("Tempo")));
}

TEST(XmlReader, NestingAndLongTextAreSafe) {
  cPropertyVocabulary::Build();
  std::string longName(5000, 'x');
  std::string xml =
      "<PropertySet><Tempo>60</Tempo>"
      "<Inner><PropertySet><Volume>0.5</Volume></PropertySet></Inner>"
      "<SoundList><StringList><StringList><String>deep</String></StringList><String>top</String></StringList>"
      "</SoundList>"
      "<Name>" + longName + "</Name><Pan>0.25</Pan>"
      "</PropertySet>";
  // Fed in small chunks too, so element text arrives in pieces.
  for (uint32_t chunk : {0xFFFFFFFFu, 3u}) {
    cPropertySet set;
    MemoryReader reader(xml, chunk);
    cXmlReader x;
    cXmlPropertyHandler handler(&x, &set);
    x.PushHandler(&handler);
    x.Read(&reader);
    EXPECT_FLOAT_EQ(set.GetFloat(NameId("Volume")), 0.5f);
    // Elements after the nested sets still reach the property handler.
    EXPECT_FLOAT_EQ(set.GetFloat(NameId("Pan")), 0.25f);
    EXPECT_EQ(set.GetVariant(NameId("Name")).Text().size(), 1999u);
    const cStringSet* list = GetStringSet(set.GetVariant(NameId("SoundList")));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->mSet.count(cString("top")), 1u);
  }
}

namespace {
const char* kProject =
    "<Project><Name>  Demo</Name>"
    "<PropertySet><Name>Master Bus</Name><PlayerType>Bus</PlayerType><Volume>0.8</Volume></PropertySet>"
    "<PropertySet><Name>Hit</Name><PlayerType>LoopBox</PlayerType><ResourceName>hit.ogg</ResourceName>"
    "<SoundList><StringList><String>a</String></StringList></SoundList></PropertySet>"
    "<PropertySet><Name>Hit</Name><PlayerType>Mixer</PlayerType></PropertySet>"
    "<PropertySet><Name>Find</Name><PlayerType>QueryDef</PlayerType></PropertySet>"
    "<Project><Odd/></Project>"
    "<PropertySet><Name>After</Name><PlayerType>Mixer</PlayerType></PropertySet>"
    "</Project>";
}

TEST(ProjectReader, PatchesDuplicatesAndQueryDefs) {
  cPropertyVocabulary::Build();
  std::vector<std::string> messages;
  SetMessageSink([&](const std::string&, const std::string& t) { messages.push_back(t); });
  cTarnProject project;
  MemoryReader reader(kProject);
  EXPECT_EQ(ReadProject(&reader, &project), 0);
  EXPECT_EQ(project.mName.str(), "Demo");
  ASSERT_NE(project.FindPatch(NameId("Master Bus")), nullptr);
  EXPECT_FLOAT_EQ(project.FindPatch(NameId("Master Bus"))->GetFloat(NameId("Volume")), 0.8f);
  EXPECT_EQ(project.FindPatch(NameId("Hit"))->GetVariant(NameId("PlayerType")).Text().str(), "LoopBox");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Duplicate Patch:\nA Patch with the name 'Hit' already exists");
  EXPECT_NE(project.FindQueryDef(NameId("Find")), nullptr);
  EXPECT_EQ(project.FindPatch(NameId("Find")), nullptr);
  EXPECT_NE(project.FindPatch(NameId("After")), nullptr);
  SetMessageSink(nullptr);
}

TEST(ProjectReader, ARejectedDocumentFailsWithItsPlace) {
  cPropertyVocabulary::Build();
  std::vector<std::string> lines;
  SetLogSink([&](const std::string& l) { lines.push_back(l); });
  struct Case {
    const char* doc;
    const char* place;
  } cases[] = {
      // An element name the parser refuses, after one good patch.
      {"<Project>\n<PropertySet><Name>Good</Name><PlayerType>Mixer</PlayerType></PropertySet>\n"
       "<PropertySet><1Name>Bad</1Name></PropertySet>\n</Project>",
       "line 3, column 15"},
      {"<Project><PropertySet><Name>Cut</Name></PropertySet>", "line 1, column 53"},
      {"<Project></Projekt>", "line 1, column 12"},
  };
  for (const auto& c : cases) {
    lines.clear();
    cTarnProject project;
    MemoryReader reader(c.doc, 7);  // small chunks: the error may come in any of them
    EXPECT_EQ(ReadProject(&reader, &project, "Music.VEX: Music.xml"), 1) << c.doc;
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Music.VEX: Music.xml"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(c.place), std::string::npos) << lines[0];
  }
  SetLogSink(nullptr);
}

TEST(ProjectReader, TenThousandMutatedProjectsNeverCrash) {
  cPropertyVocabulary::Build();
  SetMessageSink([](const std::string&, const std::string&) {});
  SetLogSink([](const std::string&) {});
  std::string seed = kProject;
  uint32_t state = 12345;
  auto next = [&]() {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  };
  const char* tokens[] = {"<", ">", "</", "<PropertySet>", "</PropertySet>", "<StringList>", "<FloatMap>",
                          "</Project>", "0x", "&amp;", "\xEF\xBB\xBF", std::string(3000, 'q').c_str()};
  for (int i = 0; i < 10000; i++) {
    std::string doc = seed;
    int edits = 1 + next() % 6;
    for (int e = 0; e < edits; e++) {
      size_t at = doc.empty() ? 0 : next() % doc.size();
      switch (next() % 4) {
        case 0: if (!doc.empty()) doc.erase(at, 1 + next() % 20); break;
        case 1: doc.insert(at, tokens[next() % 11]); break;
        case 2: if (!doc.empty()) doc[at] = (char)(next() & 0xFF); break;
        case 3: doc = doc.substr(0, at); break;
      }
    }
    cTarnProject project;
    MemoryReader reader(doc, 1 + next() % 64);
    ReadProject(&reader, &project);
  }
  SetMessageSink(nullptr);
  SetLogSink(nullptr);
}
