// Read-only mappings of whole pack files, and the process-wide list of mounted packs.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/str.h"

// One mapped file: the file handle, the mapping handle and the view. All null when closed.
class TFileMapData {
 public:
  TFileMapData() {}
  ~TFileMapData() { Close(); }
  TFileMapData(const TFileMapData&) = delete;
  TFileMapData& operator=(const TFileMapData&) = delete;

  bool Open(TStr path);
  void Close();
  const unsigned char* GetView() const { return mView; }
  uint32_t GetSize() const { return mSize; }

 private:
  void* mFile = nullptr;
  void* mMapping = nullptr;
  const unsigned char* mView = nullptr;
  uint32_t mSize = 0;  // bytes of the view; member reads never pass it
};

// A mounted pack: copies share one mapping.
class TFileMapHandler {
 public:
  TFileMapHandler() : mData(std::make_shared<TFileMapData>()) {}

  bool Open(TStr path);
  void Close() { mData->Close(); }
  const unsigned char* GetData() const { return mData->GetView(); }
  uint32_t GetSize() const { return mData->GetSize(); }
  TStr GetPath() const { return mPath; }

 private:
  std::shared_ptr<TFileMapData> mData;
  TStr mPath;
};

// A pack's index in this list is the number its members' resolved paths carry.
std::vector<TFileMapHandler>& GetPackList();
