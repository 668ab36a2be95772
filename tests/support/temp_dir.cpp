#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace vyktest
{

TempDir::TempDir()
{
    // $TMPDIR, or /tmp
    std::error_code ignored;
    path_ = (std::filesystem::temp_directory_path(ignored) / "vyktest-XXXXXX").string();
    if (mkdtemp(path_.data()) == nullptr)
        ADD_FAILURE() << "mkdtemp failed for " << path_;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const
{
    const std::string target = file(name);
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(target).parent_path(), ignored);
    writeFile(target, bytes);
    return target;
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    out.close();
    if (!out)
        ADD_FAILURE() << "cannot write " << path;
}

std::string readFile(const std::string& path)
{
    std::ostringstream all;
    all << std::ifstream(path, std::ios::binary).rdbuf();
    return all.str();
}

bool fileExists(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

} // namespace vyktest
