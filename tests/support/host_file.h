// Host files read whole, for tests that check what the code under test wrote (logs, saves,
// reports, tool output) or feed it a file as it stands on disk.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

// The file's bytes; empty when it does not open.
inline std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
