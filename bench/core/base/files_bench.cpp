// Benchmarks of the file layer and XML: building the file map over 20,000 loose files and a
// 20,000-member pack, opening 100,000 members, parsing a 5 MB XML document, and looking up
// each of an element's 20,000 attributes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/base/asset_file_list.h"
#include "core/base/file.h"
#include "core/base/file_map_handler.h"
#include "core/base/xml_node.h"
#include "tools/kspack/pack_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr int kLooseFiles = 20000;
constexpr int kPackMembers = 20000;

// One asset tree for the whole run, removed at exit.
struct AssetTree {
  fs::path root;
  std::vector<std::string> members;
  AssetTree() {
    std::random_device rd;
    root = fs::temp_directory_path() / ("orvella-bench-files-" + std::to_string(rd()));
    fs::create_directories(root / "assets");
    for (int i = 0; i < kLooseFiles; ++i) {
      fs::path dir = root / "assets" / ("Loose" + std::to_string(i / 100));
      if (i % 100 == 0) fs::create_directories(dir);
      std::ofstream(dir / ("File" + std::to_string(i) + ".lua")) << "x";
    }
    std::vector<TPackMember> pack;
    for (int i = 0; i < kPackMembers; ++i) {
      std::string name = "packed/dir" + std::to_string(i / 100) + "/member" + std::to_string(i) + ".xml";
      pack.push_back({name, "<member id=\"" + std::to_string(i) + "\"/>"});
      members.push_back(name);
    }
    WritePack((root / "assets" / "data.ksp").string(), pack);
  }
  ~AssetTree() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

AssetTree& Tree() {
  static AssetTree tree;
  return tree;
}

void Build() {
  ClearFileMap();
  GetPackList().clear();
  GetExclusionSet().clear();
  SetDataFolders(TStr(""), TStr(""), TStr(""));
  BuildFileMap();
}

void BM_BuildFileMap(benchmark::State& state) {
  fs::path old = fs::current_path();
  fs::current_path(Tree().root);
  for (auto _ : state) Build();
  state.counters["entries"] = (double)GetFileMap().size();
  fs::current_path(old);
}
BENCHMARK(BM_BuildFileMap)->Unit(benchmark::kMillisecond);

void BM_OpenPackMembers(benchmark::State& state) {
  fs::path old = fs::current_path();
  fs::current_path(Tree().root);
  Build();
  const std::vector<std::string>& members = Tree().members;
  char buffer[32];
  for (auto _ : state) {
    for (int i = 0; i < 100000; ++i) {
      TFile* f = FileOpen(members[(size_t)(i * 7919) % members.size()].c_str(), kFileReadBinary);
      benchmark::DoNotOptimize(FileRead(f, buffer, sizeof buffer));
      FileClose(f);
    }
  }
  state.SetItemsProcessed(state.iterations() * 100000);
  fs::current_path(old);
}
BENCHMARK(BM_OpenPackMembers)->Unit(benchmark::kMillisecond);

std::string FiveMegabytes() {
  std::string xml = "<?xml version=\"1.0\"?>\n<data>\n";
  int i = 0;
  while (xml.size() < 5u << 20) {
    xml += "    <item id=\"" + std::to_string(i) + "\" name=\"Item number " + std::to_string(i) +
           "\" kind=plain>\n        <text>Some words &amp; an entity &#233; here</text>\n"
           "        <empty/>\n    </item>\n";
    ++i;
  }
  return xml + "</data>\n";
}

void BM_ParseXml5MB(benchmark::State& state) {
  static const std::string xml = FiveMegabytes();
  for (auto _ : state) {
    TXmlNode doc;
    doc.LoadString(xml.data(), (int)xml.size());
    benchmark::DoNotOptimize(doc.GetChild("data"));
  }
  state.SetBytesProcessed(state.iterations() * (int64_t)xml.size());
}
BENCHMARK(BM_ParseXml5MB)->Unit(benchmark::kMillisecond);

void BM_LoadXmlFile5MB(benchmark::State& state) {
  static const std::string xml = FiveMegabytes();
  fs::path path = Tree().root / "big.xml";
  std::ofstream(path, std::ios::binary) << xml;
  std::string virtualPath = "::" + path.string();
  for (auto _ : state) {
    TXmlNode doc;
    doc.LoadFile(virtualPath.c_str());
    benchmark::DoNotOptimize(doc.GetChild("data"));
  }
  state.SetBytesProcessed(state.iterations() * (int64_t)xml.size());
}
BENCHMARK(BM_LoadXmlFile5MB)->Unit(benchmark::kMillisecond);

void BM_WriteXml(benchmark::State& state) {
  static const std::string xml = FiveMegabytes();
  TXmlNode doc;
  doc.LoadString(xml.data(), (int)xml.size());
  for (auto _ : state) benchmark::DoNotOptimize(doc.ToString());
}
BENCHMARK(BM_WriteXml)->Unit(benchmark::kMillisecond);

// One element with 20,000 attributes, each looked up once, as a reader that walks them does.
void BM_LookUpEveryAttribute(benchmark::State& state) {
  std::string xml = "<e";
  for (int i = 0; i < 20000; ++i) xml += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
  xml += "/>";
  for (auto _ : state) {
    TXmlNode doc;
    doc.LoadString(xml.data(), (int)xml.size());
    TXmlNode* e = doc.GetChild("e");
    TStr name, value;
    e->ResetAttributeIterator();
    while (e->GetNextAttribute(name, value)) benchmark::DoNotOptimize(e->GetAttribute(name.c_str()));
  }
}
BENCHMARK(BM_LookUpEveryAttribute)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
