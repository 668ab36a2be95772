// Runs a fuzz target over files and directories of inputs without libFuzzer,
// so every target also builds with g++ and replays a corpus or a crash.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace
{

size_t runPath(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        std::perror(path.c_str());
        return 0;
    }
    if (S_ISDIR(st.st_mode)) {
        size_t n = 0;
        if (DIR* d = opendir(path.c_str())) {
            std::vector<std::string> names;
            while (dirent* e = readdir(d))
                if (e->d_name[0] != '.')
                    names.push_back(e->d_name);
            closedir(d);
            for (const std::string& name : names)
                n += runPath(path + "/" + name);
        }
        return n;
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A fresh allocation of exactly the input's size, so the sanitizer sees any
    // read past its end.
    uint8_t* copy = new uint8_t[bytes.size() ? bytes.size() : 1];
    std::copy(bytes.begin(), bytes.end(), copy);
    LLVMFuzzerTestOneInput(copy, bytes.size());
    delete[] copy;
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s input-file-or-directory ...\n", argv[0]);
        return 2;
    }
    size_t n = 0;
    for (int i = 1; i < argc; ++i)
        n += runPath(argv[i]);
    std::fprintf(stderr, "%zu inputs run\n", n);
    return 0;
}
