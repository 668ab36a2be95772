// Reading STL files, text and binary, into one polygon model of a scene.
#include "sceneio/stl.h"
#include "sceneio/stl_mesh.h"

#include <cstring>
#include <iostream>
#include <istream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The whole of a file in memory: mapped when it can be, read otherwise.
class FileBytes {
public:
    FileBytes() = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes()
    {
        if (mapped_)
            munmap(const_cast<char*>(data_), size_);
    }

    bool open(const std::string& fileName)
    {
        int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        struct stat st;
        bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
        if (ok) {
            size_ = size_t(st.st_size);
            if (size_ > 0) {
                void* p = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
                if (p != MAP_FAILED) {
                    madvise(p, size_, MADV_SEQUENTIAL);
                    data_ = static_cast<const char*>(p);
                    mapped_ = true;
                } else {
                    ok = readAll(fd);
                }
            } else {
                data_ = copy_.data();
            }
        } else if (fstat(fd, &st) == 0) {
            // Not a regular file (a pipe, a device): read what it gives.
            ok = readAll(fd);
        }
        ::close(fd);
        return ok;
    }

    const char* data() const { return data_; }
    size_t size() const { return size_; }

private:
    bool readAll(int fd)
    {
        char chunk[1 << 16];
        for (;;) {
            ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0)
                return false;
            if (n == 0)
                break;
            copy_.insert(copy_.end(), chunk, chunk + n);
        }
        data_ = copy_.data();
        size_ = copy_.size();
        return true;
    }

    const char* data_ = nullptr;
    size_t size_ = 0;
    bool mapped_ = false;
    std::vector<char> copy_;
};

} // namespace

bool readStl(const std::string& fileName, scene_t& scene)
{
    (void)fileName;
    (void)scene;
    return false;
}

bool readStlBinary(std::istream& in, scene_t& scene)
{
    (void)in;
    (void)scene;
    return false;
}

bool readStlText(std::istream& in, scene_t& scene)
{
    (void)in;
    (void)scene;
    return false;
}
