// Text STL read in parts at once gives what reading it in order gives:
// the same arrays, the same result and the same "num: " line.
#include "sceneio/stl_mesh.h"

#include "support/capture.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace
{

struct Filled {
    bool ok;
    std::string err;
    std::vector<float> vertices, frames;
    std::vector<uint32_t> elements;
};

Filled fill(const std::string& text, unsigned slices)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    const vyk3d::text_counts_t counts = vyk3d::countText(begin, end, slices);
    Filled f{false, "", std::vector<float>(27 * counts.facets), std::vector<float>(27 * counts.facets),
             std::vector<uint32_t>(4 * counts.facets)};
    f.err = vyktest::stderrOf([&] {
        f.ok = vyk3d::fillText(begin, end, counts, {f.vertices.data(), f.frames.data(), f.elements.data()});
    });
    return f;
}

TEST(StlMesh, TextInPartsReadsAsInOrder)
{
    auto facet = [](int i) {
        const std::string v = " " + std::to_string(i) + " 0.5 -1\n";
        return "facet normal 0 0 1\nouter loop\nvertex 0" + v + "vertex 1" + v + "vertex 2" + v + "endloop\nendfacet\n";
    };
    std::string many;
    for (int i = 0; i < 40; ++i)
        many += facet(i);
    const std::string cases[] = {
        many,
        // A facet line where a vertex line is looked for is passed over:
        // the facets of a part then lie partly in the next one.
        many.substr(0, 700) + "facet normal 1 0 0\n" + many.substr(700),
        many.substr(0, 1300) + "vertex facet normal 9 9 9\n" + many.substr(1300),
        // A facet without its loop takes the next facet's.
        facet(1) + "facet normal 0 0 1\n" + many,
        // Ends inside the last facet, or inside one in the middle.
        many.substr(0, many.size() - 40),
        many.substr(0, 900) + many.substr(960),
        // Blank lines and carriage returns between facets.
        facet(1) + "\n\r\n\n" + facet(2) + "   \n" + facet(3),
    };
    for (const std::string& text : cases) {
        const Filled inOrder = fill(text, 1);
        for (unsigned slices = 2; slices <= 7; ++slices) {
            SCOPED_TRACE(testing::Message() << "case " << &text - cases << ", " << slices << " slices");
            const Filled parts = fill(text, slices);
            EXPECT_EQ(std::tie(parts.ok, parts.err), std::tie(inOrder.ok, inOrder.err));
            // A failed load keeps none of its arrays.
            EXPECT_TRUE(!inOrder.ok || std::tie(parts.vertices, parts.frames, parts.elements) ==
                                           std::tie(inOrder.vertices, inOrder.frames, inOrder.elements));
        }
    }
}

} // namespace
