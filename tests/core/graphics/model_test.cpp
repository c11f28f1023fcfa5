// Mesh files: a fixture table of good, damaged and hostile files (counts, magic, truncation,
// indices past the vertices), fixed-point values, the name rules, the cache and the asset map,
// and reloading after a display loss.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/base/asset_map.h"
#include "core/graphics/model.h"
#include "tests/core/graphics/fake_display.h"
#include "tests/support/host_file.h"

namespace {

// Mesh file bytes, little-endian.
class MeshBytes {
 public:
  MeshBytes& U16(uint32_t v) {
    mBytes.push_back((char)(v & 0xFF));
    mBytes.push_back((char)((v >> 8) & 0xFF));
    return *this;
  }
  // "TRIS", counts, vertex v of all eight values v * 10 + component, triangles (t, t+1, t+2)
  // wrapped into the vertices.
  static MeshBytes Make(uint32_t vertices, uint32_t triangles) {
    MeshBytes m;
    m.mBytes = "TRIS";
    m.U16(vertices).U16(triangles);
    for (uint32_t v = 0; v < vertices; ++v)
      for (uint32_t c = 0; c < 8; ++c) m.U16(v * 10 + c);
    for (uint32_t t = 0; t < triangles; ++t)
      for (uint32_t k = 0; k < 3; ++k) m.U16(vertices ? (t + k) % vertices : 0);
    return m;
  }
  std::string mBytes;
};

class ModelTest : public DrawingTest {
 protected:
  std::string Log() { return LogText(); }
};

TEST_F(ModelTest, FilesLoadOrFailWithTheirReason) {
  std::string cube = MeshBytes::Make(8, 12).mBytes;
  std::string badIndex = cube;
  badIndex[badIndex.size() - 2] = 8;  // the last index names vertex 8 of 0..7
  const struct {
    const char* what;
    std::string bytes;
    bool ok;
    uint32_t vertices, indices;
    const char* logged;  // nullptr: nothing logged
  } cases[] = {
      {"a cube", cube, true, 8, 36, nullptr},
      {"no vertices, no triangles", MeshBytes::Make(0, 0).mBytes, true, 0, 0, nullptr},
      {"each magic byte matters (1)", "XRIS" + cube.substr(4), false, 0, 0, nullptr},
      {"each magic byte matters (2)", "TXIS" + cube.substr(4), false, 0, 0, nullptr},
      {"each magic byte matters (3)", "TRXS" + cube.substr(4), false, 0, 0, nullptr},
      {"each magic byte matters (4)", "TRIX" + cube.substr(4), false, 0, 0, nullptr},
      {"an empty file", "", false, 0, 0, nullptr},
      {"the magic alone", "TRIS", false, 0, 0, "is shorter than its counts"},
      {"cut inside the vertices", cube.substr(0, 8 + 16 * 3), false, 0, 0, "is shorter than its counts (56 bytes of 208)"},
      {"cut inside the triangles", cube.substr(0, cube.size() - 1), false, 0, 0, "is shorter than its counts"},
      {"counts far beyond the file", std::string("TRIS\xff\xff\xff\xff", 8), false, 0, 0,
       "is shorter than its counts (8 bytes of 1441778)"},
      {"an index past the vertices", badIndex, false, 0, 0, "has a triangle index 8 at or beyond its 8 vertices"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string name = "meshes/m" + std::to_string(n++) + ".mesh";
    PutAsset(name, c.bytes);
    size_t logBefore = Log().size();
    std::shared_ptr<TModel> model = TModel::Get(TStr(name.c_str()));
    ASSERT_EQ(model != nullptr, c.ok);
    if (model) {
      EXPECT_EQ(model->GetVertexCount(), c.vertices);
      EXPECT_EQ(model->GetIndexCount(), c.indices);
    }
    std::string logged = Log().substr(logBefore);
    if (c.logged) {
      EXPECT_NE(logged.find(std::string("TModel::Init: ") + name + " " + c.logged), std::string::npos) << logged;
    } else {
      EXPECT_EQ(logged, "");
    }
  }
}

TEST_F(ModelTest, ValuesAreThousandthsAndIndicesKeepFileOrder) {
  MeshBytes m;
  m.mBytes = "TRIS";
  m.U16(3).U16(1);
  const int16_t values[8] = {-1000, 32767, -32768, 1500, 0, -1, 250, 1000};
  for (int v = 0; v < 3; ++v)
    for (int16_t value : values) m.U16((uint16_t)value);
  m.U16(2).U16(0).U16(1);
  PutAsset("values.mesh", m.mBytes);
  std::shared_ptr<TModel> model = TModel::Get(TStr("values.mesh"));
  ASSERT_TRUE(model);
  const TMeshVertex& v = model->GetMesh()->vertices[2];
  EXPECT_FLOAT_EQ(v.position.x, -1.0f);
  EXPECT_FLOAT_EQ(v.position.y, 32.767f);
  EXPECT_FLOAT_EQ(v.position.z, -32.768f);
  EXPECT_FLOAT_EQ(v.normal.x, 1.5f);
  EXPECT_FLOAT_EQ(v.normal.z, -0.001f);
  EXPECT_FLOAT_EQ(v.uv.x, 0.25f);
  EXPECT_FLOAT_EQ(v.uv.y, 1.0f);
  EXPECT_EQ(model->GetMesh()->indices, (std::vector<uint16_t>{2, 0, 1}));
  TVertexArray va = model->GetVertexArray();
  EXPECT_EQ(va.GetKind(), (uint32_t)TVertexArray::kMesh);
  EXPECT_EQ(va.GetCount(), 3u);
}

TEST_F(ModelTest, NamesAreTestedForTheExtensionAnywhere) {
  std::string cube = MeshBytes::Make(8, 12).mBytes;
  PutAsset("cube.mesh.bak", cube);
  PutAsset("cube.msh", cube);
  EXPECT_TRUE(TModel::Get(TStr("cube.mesh.bak")));
  EXPECT_FALSE(TModel::Get(TStr("cube.msh")));
  EXPECT_EQ(Log().find("cube.msh"), std::string::npos);
  EXPECT_FALSE(TModel::Get(TStr("gone.mesh")));
  EXPECT_NE(Log().find("TModel::Init: Failed to load gone.mesh"), std::string::npos) << Log();
}

TEST_F(ModelTest, TheCacheAndTheAssetMapServeOneModel) {
  PutAsset("props/crate.mesh", MeshBytes::Make(4, 2).mBytes);
  std::shared_ptr<TModel> model = TModel::Get(TStr("props/crate.mesh"));
  ASSERT_TRUE(model);
  EXPECT_EQ(TModel::Get(TStr("props/crate.mesh")), model);
  EXPECT_EQ(mManager->FindAsset(TStr("props/crate.mesh")), model);
  EXPECT_STREQ(model->GetClassName(), "TModel");
  EXPECT_TRUE(model->IsKindOf(TAsset::ClassId()));
  TAssetMap map;
  map.AddAsset(TStr("props/crate"), nullptr, false);
  EXPECT_EQ(map.GetAsset(TStr("props/crate")), model);
}

TEST_F(ModelTest, ARestoreReadsTheFileAgainAndKeepsTheMeshWhenItNoLongerReads) {
  PutAsset("live.mesh", MeshBytes::Make(4, 2).mBytes);
  std::shared_ptr<TModel> model = TModel::Get(TStr("live.mesh"));
  ASSERT_TRUE(model);
  model->Release();
  PutAsset("live.mesh", MeshBytes::Make(5, 3).mBytes);
  mManager->RestoreAll();
  EXPECT_EQ(model->GetVertexCount(), 5u);
  EXPECT_EQ(model->GetIndexCount(), 9u);
  PutAsset("live.mesh", "TRIS\x05");
  model->Restore();
  EXPECT_EQ(model->GetVertexCount(), 5u);
  EXPECT_NE(Log().find("TModel::Init: live.mesh is shorter than its counts"), std::string::npos) << Log();
}

TEST(MeshFile, ReadingFromMemoryStaysInsideTheBytes) {
  std::string cube = MeshBytes::Make(8, 12).mBytes;
  for (size_t n = 0; n <= cube.size(); ++n) {
    TMesh mesh;
    TMeshRead r = ReadMeshFile((const uint8_t*)cube.data(), n, &mesh);
    EXPECT_EQ(r == TMeshRead::kOk, n == cube.size()) << n;
    if (r != TMeshRead::kOk) {
      EXPECT_TRUE(mesh.vertices.empty() && mesh.indices.empty()) << n;
    }
  }
}

// The fuzz seeds were written by Python's struct module, not by our builder.
TEST(MeshFile, FilesMadeByAnotherToolReadAsTheyWereWritten) {
  const char* root = std::getenv("ORVELLA_SOURCE_DIR");
  ASSERT_NE(root, nullptr);
  std::string bytes = ReadHostFile(std::string(root) + "/tests/fuzz/graphics/corpus/mesh/quad.mesh");
  TMesh mesh;
  ASSERT_EQ(ReadMeshFile((const uint8_t*)bytes.data(), bytes.size(), &mesh), TMeshRead::kOk);
  ASSERT_EQ(mesh.vertices.size(), 4u);
  EXPECT_EQ(mesh.indices, (std::vector<uint16_t>{0, 1, 2, 1, 3, 2}));
  const TMeshVertex& corner = mesh.vertices[3];
  EXPECT_FLOAT_EQ(corner.position.x, 1.0f);
  EXPECT_FLOAT_EQ(corner.position.y, 1.0f);
  EXPECT_FLOAT_EQ(corner.normal.z, 1.0f);
  EXPECT_FLOAT_EQ(corner.uv.x, 1.0f);
  EXPECT_FLOAT_EQ(corner.uv.y, 1.0f);
}

}  // namespace
