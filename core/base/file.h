// The file layer: the TFile handle, virtual path resolution through the file map, the free
// file functions, folder listing and the data-folder helpers.
#pragma once

#include <map>
#include <memory>
#include <set>

#include "core/base/file_data.h"
#include "core/base/str.h"

class TFile {
 public:
  TFile() {}
  ~TFile() { Close(); }
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;

  bool Open(TStr path, int mode);
  bool IsOpen() const { return mData != nullptr; }
  void Close() { mData.reset(); }
  int Read(void* buffer, int bytes);
  int Write(const void* buffer, int bytes);
  void Seek(int offset, int origin);
  int Tell();
  int GetSize();
  bool IsEOF();
  void UngetByte();

 private:
  std::unique_ptr<TFileData> mData;
};

// Lower-cased virtual path -> resolved path: a real path (assets/ui/x.lua, or a data folder
// followed by /prefs.dat), a pack member "@index:offset,size" or a memory block
// "&address,length". Main thread only.
typedef std::map<TStr, TStr> TFileMap;
TFileMap& GetFileMap();
void ClearFileMap();
// Lower-cased virtual paths that may not be opened for reading.
std::set<TStr>& GetExclusionSet();

void SetDataFolders(TStr user, TStr common, TStr desktop);
TStr GetUserFolder();
TStr GetCommonFolder();
TStr GetDesktopFolderPath();

// The resolved path of a virtual path, empty when it cannot be found.
TStr ResolvePath(TStr path, bool mustExist);

// Finds the real path of a path relative to a real folder, matching each component without
// regard to case when the exact name is missing. Components that match nothing are kept as
// given. relative uses "/" or "\" between components.
TStr FindRealPath(TStr folder, TStr relative);

TFile* FileOpen(const char* path, int mode);
void FileClose(TFile* f);
int FileSeek(TFile* f, int offset, int origin);
int FileTell(TFile* f);
int FileRead(TFile* f, void* buffer, int bytes);
int FileWrite(TFile* f, const void* buffer, int bytes);
int FileEOF(TFile* f);
int FileGetChar(TFile* f);
void FileUngetChar(TFile* f);
int FileError(TFile* f);
char* FileGets(TFile* f, char* buffer, int size);
int FileGetSize(TFile* f);
bool FileExists(TStr path);

// Next mapped path below folder (a folder name, or a prefix ending in ":" such as "user:");
// start with an empty name and call until false.
bool GetNextFileInFolder(TStr folder, TStr& name, bool recursive);

TStr GetWorkingDirectory();
TStr GetFullPath(const char* path);

// 0 on success, -1 when the system gives no folder, else the size that would be needed.
int GetDataFolder(bool common, const char* gameName, char* out, int outSize);
int GetDesktopFolder(char* out, int outSize);
// kind 0 desktop, 0x23 common data folder, anything else the user data folder.
bool GetFolderPath(int kind, char* out, const char* gameName, int outSize);
