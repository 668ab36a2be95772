#include "foundation/opened_files.h"

namespace
{

opened_files_t* current = nullptr;

} // namespace

opened_files_t::opened_files_t() : outer_(current)
{
    current = this;
}

opened_files_t::~opened_files_t()
{
    current = outer_;
}

void noteOpenedFile(const std::string& path)
{
    if (current)
        current->opened(path);
}
