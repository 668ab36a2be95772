# Writes OUT: one C++ source holding every file of FILES as a zero-terminated
# string, looked up by the file's own name through embeddedShader().
set(body "")
set(table "")
set(index 0)
foreach(file ${FILES})
  get_filename_component(name ${file} NAME)
  file(READ ${file} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND body "const char source${index}[] = {${bytes}'\\0'};\n")
  string(APPEND table "    {\"${name}\", source${index}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUT}.tmp
"// Generated from src/gl/shaders at build time. Do not edit.
#include \"gl/embedded_shaders.h\"
#include <cstring>

namespace {
${body}
struct embedded_t { const char* name; const char* source; };
const embedded_t embedded[] = {
${table}    {nullptr, nullptr},
};
} // namespace

const char* embeddedShader(const char* name)
{
    if (name == nullptr)
        return nullptr;
    for (const embedded_t* e = embedded; e->name != nullptr; ++e)
        if (std::strcmp(e->name, name) == 0)
            return e->source;
    return nullptr;
}
")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${OUT}.tmp ${OUT})
file(REMOVE ${OUT}.tmp)
