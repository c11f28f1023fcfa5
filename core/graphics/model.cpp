// TModel: reading mesh files and serving them from the asset manager.
#include "core/graphics/model.h"

#include <cstring>

#include "core/base/asset_manager.h"
#include "core/base/asset_map.h"
#include "core/base/log.h"
#include "core/base/whole_file.h"

namespace {

constexpr size_t kHeader = 8;
constexpr size_t kVertexBytes = 16;
constexpr size_t kTriangleBytes = 6;
// The largest file the counts can ask for; anything after it is never read.
constexpr size_t kMaxMeshBytes = kHeader + (kVertexBytes + kTriangleBytes) * 0xFFFF;

uint16_t U16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
float Fixed(const uint8_t* p) { return (float)((int16_t)U16(p) / 1000.0); }

// Reads the file into mesh; false with its log line, the mesh left empty.
bool LoadMesh(TStr path, TMesh* mesh, bool* opened) {
  std::vector<char> file;
  *opened = ReadWholeFile(path, &file, kMaxMeshBytes);
  if (!*opened) {
    LogError("TModel::Init: Failed to load %s", path.c_str());
    return false;
  }
  const uint8_t* bytes = (const uint8_t*)file.data();
  uint32_t detail = 0;
  switch (ReadMeshFile(bytes, file.size(), mesh, &detail)) {
    case TMeshRead::kOk:
      mesh->path = path;
      return true;
    case TMeshRead::kBadMagic:
      return false;
    case TMeshRead::kTooShort:
      LogError("TModel::Init: %s is shorter than its counts (%u bytes of %u)", path.c_str(), (uint32_t)file.size(),
               detail);
      return false;
    case TMeshRead::kBadIndex:
      LogError("TModel::Init: %s has a triangle index %u at or beyond its %u vertices", path.c_str(), detail,
               (uint32_t)U16(bytes + 4));
      return false;
  }
  return false;
}

}  // namespace

TMeshRead ReadMeshFile(const uint8_t* data, size_t size, TMesh* mesh, uint32_t* detail) {
  mesh->vertices.clear();
  mesh->indices.clear();
  if (size < 4 || std::memcmp(data, "TRIS", 4) != 0) return TMeshRead::kBadMagic;
  uint32_t vertexCount = size >= kHeader ? U16(data + 4) : 0;
  uint32_t triangleCount = size >= kHeader ? U16(data + 6) : 0;
  size_t need = kHeader + kVertexBytes * vertexCount + kTriangleBytes * triangleCount;
  if (size < need) {
    if (detail) *detail = (uint32_t)need;
    return TMeshRead::kTooShort;
  }
  const uint8_t* p = data + kHeader;
  std::vector<TMeshVertex> vertices(vertexCount);
  for (TMeshVertex& v : vertices) {
    float f[8];
    for (int i = 0; i < 8; ++i, p += 2) f[i] = Fixed(p);
    v.position = TVec3(f[0], f[1], f[2]);
    v.normal = TVec3(f[3], f[4], f[5]);
    v.uv = TVec2(f[6], f[7]);
  }
  std::vector<uint16_t> indices((size_t)triangleCount * 3);
  for (uint16_t& index : indices) {
    index = U16(p);
    p += 2;
    if (index >= vertexCount) {
      if (detail) *detail = index;
      return TMeshRead::kBadIndex;
    }
  }
  mesh->vertices.swap(vertices);
  mesh->indices.swap(indices);
  return TMeshRead::kOk;
}

TClassId TModel::ClassId() {
  static const char token = 0;
  return &token;
}

std::shared_ptr<TModel> TModel::Get(TStr name) {
  return TAssetManager::FindOrLoad<TModel>(name, [&]() -> std::shared_ptr<TModel> {
    std::shared_ptr<TModel> model(new TModel());
    if (!model->Init(name)) return nullptr;
    return model;
  });
}

bool TModel::Init(TStr path) {
  mMesh.reset();
  if (path.Find(TStr(".mesh")) < 0) return false;
  auto mesh = std::make_unique<TMesh>();
  bool opened = false;
  bool ok = LoadMesh(path, mesh.get(), &opened);
  // An opened file leaves a record even when it fails, empty.
  if (opened) mMesh = std::move(mesh);
  return ok;
}

void TModel::Restore() {
  if (!mMesh || mMesh->path.IsEmpty()) return;
  auto mesh = std::make_unique<TMesh>();
  bool opened = false;
  if (LoadMesh(mMesh->path, mesh.get(), &opened)) mMesh = std::move(mesh);
}

TVertexArray TModel::GetVertexArray() const {
  if (!mMesh || mMesh->vertices.empty()) return TVertexArray(TVertexArray::kMesh, nullptr, 0);
  return TVertexArray::CreateMesh(const_cast<TMeshVertex*>(mMesh->vertices.data()), (uint32_t)mMesh->vertices.size());
}

void RegisterModelAssetLoader() {
  TAssetLoader loader;
  loader.kind = TModel::ClassId();
  loader.MakeKey = [](TStr file, TStr) { return file; };
  loader.Load = [](TStr file, TStr) -> std::shared_ptr<TAsset> { return TModel::Get(file); };
  RegisterAssetLoader(TStr("mesh"), loader);
}
