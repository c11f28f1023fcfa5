// Files, directory search, file mapping, modules, special folders and identity calls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <string>

#include "platform/test_control.h"
#include "platform/win32/win32.h"
#include "tests/support/full_disk.h"
#include "tests/support/host_file.h"
#include "tests/support/temp_folder.h"

namespace {
void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}
std::string Self() {
  char buf[4096];
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  return std::string(buf, n);
}
}  // namespace

TEST(FilesTest, FindFilesMatchesWildcardsWithoutCase) {
  TempFolder t;
  for (const char* name : {"Strings.XML", "strings_de.xml", "notes.txt", "a.b.c", "noext"}) WriteFile(t.File(name), "x");
  t.File("sub/x");  // a folder
  struct Case {
    const char* pattern;
    std::set<std::string> names;
  } cases[] = {
      {"string*.xml", {"Strings.XML", "strings_de.xml"}},
      {"STRINGS.xml", {"Strings.XML"}},
      {"?otes.*", {"notes.txt"}},
      {"*.*", {".", "..", "Strings.XML", "strings_de.xml", "notes.txt", "a.b.c", "noext", "sub"}},
      {"*.c", {"a.b.c"}},
  };
  for (auto& c : cases) {
    std::string pattern = t.Path() + "\\" + c.pattern;  // backslashes as the callers write them
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA(pattern.c_str(), &d);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << c.pattern;
    std::set<std::string> got;
    do {
      got.insert(d.cFileName);
      if (std::string(d.cFileName) == "sub") {
        EXPECT_TRUE(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
      }
      if (std::string(d.cFileName) == "notes.txt") {
        EXPECT_EQ(d.nFileSizeLow, 1u);
      }
    } while (FindNextFileA(h, &d));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(h));
    EXPECT_EQ(got, c.names) << c.pattern;
  }
  WIN32_FIND_DATAA d;
  EXPECT_EQ(FindFirstFileA((t.Path() + "/*.none").c_str(), &d), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA((t.Path() + "/missing/*").c_str(), &d), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
}

TEST(FilesTest, ReadOnlyMappingOfAWholeFile) {
  TempFolder t;
  std::string path = t.File("pack.ksp");
  WriteFile(path, "PACKDATA");
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(f, nullptr), 8u);
  HANDLE m = CreateFileMappingA(f, nullptr, PAGE_READONLY | SEC_COMMIT, 0, 0, nullptr);
  ASSERT_NE(m, nullptr);
  const char* view = (const char*)MapViewOfFile(m, FILE_MAP_READ, 0, 0, 0);
  ASSERT_NE(view, nullptr);
  CloseHandle(m);  // the view keeps the mapping alive, as on the original
  CloseHandle(f);
  EXPECT_EQ(std::string(view, 8), "PACKDATA");
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_FALSE(UnmapViewOfFile(view));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_ADDRESS);
}

TEST(FilesTest, MappingFailures) {
  TempFolder t;
  std::string empty = t.File("empty.ksp");
  WriteFile(empty, "");
  HANDLE f = CreateFileA(empty.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(CreateFileMappingA(f, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_INVALID);
  CloseHandle(f);
  EXPECT_EQ(CreateFileA((t.Path() + "/missing").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(CreateFileMappingA((HANDLE)0x4321, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  EXPECT_EQ(MapViewOfFile(nullptr, FILE_MAP_READ, 0, 0, 0), nullptr);
}

TEST(FilesTest, ReadWriteSeek) {
  TempFolder t;
  std::string path = t.File("f.bin");
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(f, "abcdef", 6, &n, nullptr));
  EXPECT_EQ(n, 6u);
  EXPECT_EQ(SetFilePointer(f, 2, nullptr, FILE_BEGIN), 2u);
  char buf[8] = {};
  ASSERT_TRUE(ReadFile(f, buf, 8, &n, nullptr));
  EXPECT_EQ(std::string(buf, n), "cdef");
  EXPECT_EQ(SetFilePointer(f, -10, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  CloseHandle(f);
  EXPECT_FALSE(ReadFile(f, buf, 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

// Savers rely on these to notice a full disk and to make a rename durable.
TEST(FilesTest, FullDiskFailuresAndWriteThroughMoves) {
  TempFolder t;
  std::string path = t.File("f.bin");
  EXPECT_TRUE(InFullDiskChild(4, [&] {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    bool refused = !WriteFile(f, "abcdef", 6, &n, nullptr) && GetLastError() == ERROR_FILE_TOO_LARGE;
    return refused && FlushFileBuffers(f) && CloseHandle(f);
  }));

  WriteFile(t.File("new.bin"), "new");
  WriteFile(t.File("old.bin"), "old");
  EXPECT_FALSE(MoveFileExA(t.File("new.bin").c_str(), t.File("old.bin").c_str(), MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(MoveFileExA(t.File("new.bin").c_str(), t.File("old.bin").c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(ReadHostFile(t.File("old.bin")), "new");
}

TEST(FilesTest, FoldersAndPaths) {
  TempFolder t;
  char old[4096];
  ASSERT_GT(GetCurrentDirectoryA(sizeof old, old), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA(t.Path().c_str()));
  EXPECT_TRUE(CreateDirectoryA("made", nullptr));
  EXPECT_FALSE(CreateDirectoryA("made", nullptr));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  // No 260-byte limit, and the needed size (with the NUL) when the buffer is short.
  std::string longName(300, 'x');
  std::string want = t.Path() + "/made/" + longName;
  char full[1024];
  LPSTR part = nullptr;
  EXPECT_EQ(GetFullPathNameA(("made\\.\\sub\\..\\" + longName).c_str(), sizeof full, full, &part), want.size());
  EXPECT_EQ(std::string(full), want);
  EXPECT_EQ(std::string(part), longName);
  EXPECT_EQ(GetFullPathNameA("made", 4, full, nullptr), t.Path().size() + 6);
  char cur[8];
  EXPECT_EQ(GetCurrentDirectoryA(sizeof cur, cur), t.Path().size() + 1);
  char shortPath[4096];
  std::string self = Self();
  EXPECT_EQ(GetShortPathNameA(self.c_str(), shortPath, sizeof shortPath), self.size());
  EXPECT_EQ(std::string(shortPath), self);
  EXPECT_TRUE(SetCurrentDirectoryA(old));
}

TEST(FilesTest, LoadLibraryByDllName) {
  // The test module is built beside this program as win32_test_module.so.
  HMODULE m = LoadLibraryA("win32_test_module.dll");
  ASSERT_NE(m, nullptr);
  auto answer = (int (*)())GetProcAddress(m, "TestModuleAnswer");
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(GetProcAddress(m, "Missing"), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PROC_NOT_FOUND);
  char path[4096];
  ASSERT_GT(GetModuleFileNameA(m, path, sizeof path), 0u);
  EXPECT_NE(std::string(path).find("/win32_test_module.so"), std::string::npos);
  EXPECT_TRUE(FreeLibrary(m));
  EXPECT_FALSE(FreeLibrary(m));

  EXPECT_EQ(LoadLibraryA("ksHarness_missing.dll"), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);
  TestControl::FailLoadLibrary("WIN32_TEST_MODULE.DLL");
  EXPECT_EQ(LoadLibraryA("win32_test_module.dll"), nullptr);
  TestControl::ClearLoadLibraryFailures();
  EXPECT_EQ(GetProcAddress((HMODULE)0x999, "x"), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

TEST(FilesTest, SpecialFoldersFollowTheEnvironment) {
  TempFolder t;
  struct Case {
    int csidl;
    const char* variable;
  } cases[] = {{CSIDL_APPDATA, "ORVELLA_APPDATA_DIR"},
               {CSIDL_COMMON_APPDATA, "ORVELLA_COMMON_APPDATA_DIR"},
               {CSIDL_DESKTOP, "ORVELLA_DESKTOP_DIR"}};
  for (auto& c : cases) {
    std::string folder = t.Path() + "/" + c.variable + "/deeper";
    setenv(c.variable, folder.c_str(), 1);
    char path[MAX_PATH];
    EXPECT_EQ(SHGetFolderPathA(nullptr, c.csidl, nullptr, 0, path), E_FAIL) << "not there yet";
    EXPECT_EQ(SHGetFolderPathA(nullptr, c.csidl | CSIDL_FLAG_CREATE, nullptr, 0, path), S_OK);
    EXPECT_EQ(std::string(path), folder);
    EXPECT_TRUE(SHGetSpecialFolderPathA(nullptr, path, c.csidl, FALSE));
    EXPECT_EQ(GetFileAttributesA(path), (DWORD)FILE_ATTRIBUTE_DIRECTORY);
  }
}

TEST(FilesTest, VersionRecordOfTheProgram) {
  std::string self = Self();
  DWORD handle = 7;
  DWORD size = GetFileVersionInfoSizeA(self.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(self.c_str(), handle, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", (LPVOID*)&fixed, &len));
  char version[64];
  snprintf(version, sizeof version, "%d.%d.%d.%d", fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xFFFF,
           fixed->dwFileVersionLS >> 16, fixed->dwFileVersionLS & 0xFFFF);
  EXPECT_STREQ(version, "3.0.0.1");
  char* name = nullptr;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\ProductName", (LPVOID*)&name, &len));
  EXPECT_STREQ(name, "Quillomer Lorvane");
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\InternalName", (LPVOID*)&name, &len));
  EXPECT_STREQ(name, "quillomer-lorvane");
  EXPECT_FALSE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\Nothing", (LPVOID*)&name, &len));

  TestControl::SetVersionRecordMissing(true);
  EXPECT_EQ(GetFileVersionInfoSizeA(self.c_str(), &handle), 0u);
}

TEST(FilesTest, IdentityCalls) {
  GUID a, b;
  ASSERT_EQ(CoCreateGuid(&a), S_OK);
  ASSERT_EQ(CoCreateGuid(&b), S_OK);
  EXPECT_FALSE(a == b);

  std::vector<char> buffer(10368, 0);
  ULONG size = (ULONG)buffer.size();
  DWORD r = GetAdaptersInfo((PIP_ADAPTER_INFO)buffer.data(), &size);
  if (r == ERROR_SUCCESS) {
    auto* info = (PIP_ADAPTER_INFO)buffer.data();
    EXPECT_EQ(info->AddressLength, 6u);
    EXPECT_NE(std::string(info->AdapterName), "lo");
  } else {
    EXPECT_EQ(r, (DWORD)ERROR_NO_DATA);  // a machine without network interfaces
  }
  TestControl::FailAdapterQuery(true);
  EXPECT_NE(GetAdaptersInfo((PIP_ADAPTER_INFO)buffer.data(), &size), (DWORD)ERROR_SUCCESS);

  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
  ASSERT_TRUE(GetVersionExA(&v));
  EXPECT_TRUE(v.dwMajorVersion > 5 || (v.dwMajorVersion == 5 && v.dwMinorVersion >= 1));
  EXPECT_EQ(LOBYTE(GetVersion()), v.dwMajorVersion);
}

TEST(FilesTest, MessageBoxesAndShellAreRecordedNotShown) {
  setenv("ORVELLA_QUIET_MESSAGEBOX", "1", 1);
  EXPECT_EQ(MessageBoxA(nullptr, "Sorry", "Display", MB_OK | MB_ICONERROR), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "Quit?", "Q", MB_YESNO | MB_DEFBUTTON2), IDNO);
  TestControl::SetMessageBoxAnswer(IDYES);
  EXPECT_EQ(MessageBoxA(nullptr, "Quit?", "Q", MB_YESNO | MB_DEFBUTTON2), IDYES);
  auto boxes = TestControl::MessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].caption, "Display");
  EXPECT_EQ(boxes[0].text, "Sorry");
  EXPECT_EQ(boxes[0].flags, (UINT)(MB_OK | MB_ICONERROR));

  EXPECT_GT((intptr_t)ShellExecuteA(nullptr, "open", "http://example.invalid/", nullptr, nullptr, SW_SHOWNORMAL), 32);
  auto shells = TestControl::ShellExecutes();
  ASSERT_EQ(shells.size(), 1u);
  EXPECT_EQ(shells[0].operation, "open");
  EXPECT_EQ(shells[0].file, "http://example.invalid/");
}
