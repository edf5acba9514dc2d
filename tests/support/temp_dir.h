// A fresh folder for one test, removed afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace darnek::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  void Write(const std::string& name, const std::string& contents) const;
  std::string Read(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);

// Runs a shell command; returns its standard output, and its exit status in `status`.
std::string RunCommand(const std::string& command, int* status = nullptr);

// Compiles and runs a free-form Fortran program with gfortran in `dir`;
// returns its standard output. Empty optional when gfortran is not installed.
bool HaveGfortran();
std::string RunFortran(const TempDir& dir, const std::string& source);

}  // namespace darnek::testing
