#pragma once

#include <string>

namespace vyktest
{

// A fresh directory under $TMPDIR (or /tmp), removed with its contents when
// the object goes away.
class TempDir
{
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes `bytes` to file(name), creating subdirectories; returns the path.
    std::string write(const std::string& name, const std::string& bytes) const;

  private:
    std::string path_;
};

// Whole-file helpers; writeFile fails the test on error, readFile returns
// an empty string for a missing file.
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

} // namespace vyktest
