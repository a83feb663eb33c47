#pragma once

// Runs the real murvane-cli (MURVANE_CLI, set by the build) and gives a
// scratch folder per test for the files it reads.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace murvane::test {

struct CliRun {
  int status;
  std::string out;  // standard output only
};

// Standard error goes to `errorFile` when one is named, else nowhere.
inline CliRun runCli(const std::string& arguments, const std::string& errorFile = "") {
  const std::string command =
      std::string(MURVANE_CLI) + " " + arguments + " 2>" + (errorFile.empty() ? "/dev/null" : errorFile);
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, ""};
  std::string out;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

// A fresh folder for each test for the files the command reads.
class CliScratch : public ::testing::Test {
 protected:
  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    return folder_.write(name, bytes).string();
  }
  std::string path(const std::string& name) const { return folder_.file(name).string(); }

  TempFolder folder_;
};

}  // namespace murvane::test
