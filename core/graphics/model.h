// TModel: the asset kind for 3D triangle meshes. A ".mesh" file ("TRIS", a vertex count and a
// triangle count as unsigned 16-bit values, then the vertices as eight signed 16-bit values in
// thousandths, then three 16-bit indices a triangle, all little-endian) is read into memory once
// and drawn as a kind-0 vertex array. Meshes live in system memory, so a display loss leaves
// them be; a restore reads the file again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/asset.h"
#include "core/base/str.h"
#include "core/graphics/vertex_array.h"

struct TMesh {
  std::vector<TMeshVertex> vertices;
  std::vector<uint16_t> indices;  // three a triangle, in file order
  TStr path;                      // what it was loaded from
};

enum class TMeshRead { kOk, kBadMagic, kTooShort, kBadIndex };

// Reads a whole mesh file from memory. Anything but kOk leaves the mesh empty; detail (the
// offending index, or the size the counts need) goes to *detail when given.
TMeshRead ReadMeshFile(const uint8_t* data, size_t size, TMesh* mesh, uint32_t* detail = nullptr);

class TModel : public TAsset {
 public:
  // The live mesh registered under the name, else a newly loaded one; empty when it cannot be
  // loaded.
  static std::shared_ptr<TModel> Get(TStr name);
  static TClassId ClassId();
  const char* GetClassName() const override { return "TModel"; }
  bool IsKindOf(TClassId id) const override { return id == ClassId() || TAsset::IsKindOf(id); }
  ~TModel() override {}
  void Release() override {}
  // Reads the file again; a file that no longer reads leaves the mesh as it was.
  void Restore() override;

  // Loads the mesh; false for a path without ".mesh", a missing file (logged), a wrong magic,
  // or a file shorter than its counts or with an index past its vertices (both logged).
  bool Init(TStr path);

  // Null until a file was opened.
  const TMesh* GetMesh() const { return mMesh.get(); }
  uint32_t GetVertexCount() const { return mMesh ? (uint32_t)mMesh->vertices.size() : 0; }
  uint32_t GetIndexCount() const { return mMesh ? (uint32_t)mMesh->indices.size() : 0; }
  // The vertices as the display draws them (kind 0); empty without a mesh.
  TVertexArray GetVertexArray() const;

 private:
  TModel() {}
  std::unique_ptr<TMesh> mMesh;
};

// Registers the asset map's loader for "mesh" files.
void RegisterModelAssetLoader();
