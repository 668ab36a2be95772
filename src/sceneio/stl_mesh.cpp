// The CPU half of STL reading and writing: parsing file bytes held in
// memory into raw vertex, frame and element arrays, and walking triangle
// strips. No GL here, so it can be tested and fuzzed on its own.
#include "sceneio/stl_mesh.h"

#include "foundation/parallel.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace
{

const uint32_t kRestart = 0xFFFFFFFFu;

uint32_t readLe32(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

float readLeFloat(const unsigned char* p)
{
    uint32_t bits = readLe32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// One line of text: [begin, end) without its line feed and trailing blanks.
struct text_line_t {
    const char* begin;
    const char* end;
};

// Walks the lines of a text held in memory, the way getline does: a last
// line without a line feed still counts, nothing after the last line feed
// does not.
class text_lines_t
{
  public:
    text_lines_t(const char* begin, const char* end) : pos_(begin), end_(end) {}

    bool next(text_line_t& line)
    {
        if (pos_ >= end_)
            return false;
        const char* nl = static_cast<const char*>(std::memchr(pos_, '\n', size_t(end_ - pos_)));
        const char* stop = nl ? nl : end_;
        line.begin = pos_;
        line.end = stop;
        // Trailing blanks, tabs, carriage returns and zero bytes are not
        // part of the line.
        while (line.end > line.begin) {
            char c = line.end[-1];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0')
                --line.end;
            else
                break;
        }
        pos_ = nl ? nl + 1 : end_;
        ++number_;
        return true;
    }

    uint64_t number() const { return number_; }
    void setNumber(uint64_t n) { number_ = n; }

  private:
    const char* pos_;
    const char* end_;
    uint64_t number_ = 0;
};

// Lines are short: a scan for the marker's first letter beats memmem's
// set-up cost.
const char* findIn(const text_line_t& line, const char* marker, size_t markerLen)
{
    if (size_t(line.end - line.begin) < markerLen)
        return nullptr;
    const char* p = line.begin;
    const char* last = line.end - markerLen; // the last place the marker can start
    while (p <= last) {
        p = static_cast<const char*>(std::memchr(p, marker[0], size_t(last - p) + 1));
        if (!p)
            return nullptr;
        if (std::memcmp(p + 1, marker + 1, markerLen - 1) == 0)
            return p;
        ++p;
    }
    return nullptr;
}

// One separator character follows a value; at the end of the line there is
// none to skip.
const char* afterSeparator(const char* p, const char* lineEnd)
{
    return p < lineEnd ? p + 1 : lineEnd;
}

bool isStrtodBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The common decimal forms ("-1.234567e+00", "0.25") by Clinger's fast
// path: with a mantissa of at most 2^53 and a power of ten up to 22, both
// factors are exact doubles and one multiplication or division rounds
// correctly, so the result is strtod's. Null for anything else.
const char* fastDecimal(const char* p, const char* end, double& value)
{
    static const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    auto digitAt = [&](const char* q) { return q < end && unsigned(*q - '0') < 10; };
    const char* q = p;
    bool negative = q < end && *q == '-';
    if (negative)
        ++q;
    uint64_t mantissa = 0;
    const char* first = q;
    for (; digitAt(q); ++q)
        mantissa = mantissa * 10 + unsigned(*q - '0');
    ptrdiff_t digits = q - first, fractionDigits = 0;
    if (q < end && *q == '.') {
        const char* fraction = ++q;
        for (; digitAt(q); ++q)
            mantissa = mantissa * 10 + unsigned(*q - '0');
        fractionDigits = q - fraction;
        digits += fractionDigits;
    }
    // Beyond 19 digits the mantissa may have wrapped around.
    if (digits == 0 || digits > 19 || mantissa > (uint64_t(1) << 53))
        return nullptr;
    int exponent = -int(fractionDigits);
    // An exponent counts only with at least one digit ("1e" reads as 1).
    if (q < end && (*q == 'e' || *q == 'E')) {
        const char* e = q + 1;
        bool minus = e < end && *e == '-';
        if (e < end && (*e == '-' || *e == '+'))
            ++e;
        if (e < end && *e >= '0' && *e <= '9') {
            int power = 0;
            for (; e < end && *e >= '0' && *e <= '9'; ++e) {
                power = power * 10 + (*e - '0');
                if (power > 1000)
                    return nullptr;
            }
            exponent += minus ? -power : power;
            q = e;
        }
    }
    if (exponent < -22 || exponent > 22)
        return nullptr;
    double d = double(mantissa);
    d = exponent >= 0 ? d * kPow10[exponent] : d / kPow10[-exponent];
    value = negative ? -d : d;
    return q;
}

// Reads one real as strtod would from p, but never past lineEnd; a value
// missing before the end of the line reads as 0. Returns where the value
// ended (p itself when there was no number).
const char* readReal(const char* p, const char* lineEnd, float& value)
{
    value = 0.0f;
    if (p >= lineEnd)
        return lineEnd;
    const char* q = p;
    while (q < lineEnd && isStrtodBlank(*q))
        ++q;
    if (q >= lineEnd)
        return p;
    double d = 0.0;
    bool plain = *q != '+';
    const char* digits = (*q == '-') ? q + 1 : q;
    if (digits + 1 < lineEnd && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        plain = false;
    if (plain) {
        if (const char* stop = fastDecimal(q, lineEnd, d)) {
            value = float(d);
            return stop;
        }
        auto r = std::from_chars(q, lineEnd, d, std::chars_format::general);
        if (r.ec == std::errc()) {
            value = float(d);
            return r.ptr;
        }
    }
    // Signs, hexadecimal and out-of-range values: let strtod decide, on a
    // bounded copy so that it cannot run into the next line.
    char buf[256];
    size_t n = std::min(size_t(lineEnd - q), sizeof buf - 1);
    std::memcpy(buf, q, n);
    buf[n] = '\0';
    char* stop = nullptr;
    d = std::strtod(buf, &stop);
    if (stop == buf)
        return p;
    value = float(d);
    return q + (stop - buf);
}

// Counts of one slice of a text STL, and where its first facet begins.
struct slice_count_t {
    uint64_t facets = 0, vertexLines = 0, lines = 0;
    const char* firstFacet = nullptr;
    uint64_t linesBeforeFacet = 0;
};

const char kFacet[] = "facet normal ";
const char kLoop[] = "outer loop";
const char kVertex[] = "vertex ";

slice_count_t countSlice(const char* begin, const char* end)
{
    text_lines_t lines(begin, end);
    text_line_t line;
    slice_count_t c;
    while (lines.next(line)) {
        if (findIn(line, kFacet, sizeof kFacet - 1)) {
            if (!c.firstFacet) {
                c.firstFacet = line.begin;
                c.linesBeforeFacet = lines.number() - 1;
            }
            ++c.facets;
        }
        if (findIn(line, kVertex, sizeof kVertex - 1))
            ++c.vertexLines;
    }
    c.lines = lines.number();
    return c;
}

// Fills triangles first .. last - 1 from the facets of [begin, end), which
// follows `linesBefore` lines of the file. False, with the number of the
// last line read, when the text ends inside a facet.
bool fillFacets(const char* begin, const char* end, uint64_t linesBefore, uint32_t first, uint32_t last,
                const vyk3d::mesh_arrays_t& a, uint64_t& lastLine, vyk3d::part_bounds_t& bounds)
{
    text_lines_t lines(begin, end);
    lines.setNumber(linesBefore);
    text_line_t line;
    auto skipTo = [&](const char* marker, size_t len) -> const char* {
        while (lines.next(line)) {
            if (const char* at = findIn(line, marker, len))
                return at + len;
        }
        return nullptr;
    };
    float c[9];
    for (uint32_t i = first; i < last; ++i) {
        // The facet's own normal is not used: its numbers are not read.
        if (!skipTo(kFacet, sizeof kFacet - 1) || !skipTo(kLoop, sizeof kLoop - 1)) {
            lastLine = lines.number();
            return false;
        }
        for (int k = 0; k < 3; ++k) {
            const char* p = skipTo(kVertex, sizeof kVertex - 1);
            if (!p) {
                lastLine = lines.number();
                return false;
            }
            // Each value starts one character after the end of the one
            // before; none is taken from beyond its own line.
            p = readReal(p, line.end, c[3 * k]);
            p = readReal(afterSeparator(p, line.end), line.end, c[3 * k + 1]);
            readReal(afterSeparator(p, line.end), line.end, c[3 * k + 2]);
        }
        vyk3d::fillTriangle(a, i, c, bounds);
    }
    return true;
}

} // namespace

namespace vyk3d
{

void fillTriangle(const mesh_arrays_t& a, uint32_t i, const float c[9], part_bounds_t& bounds)
{
    const pos3 p0{c[0], c[1], c[2]}, p1{c[3], c[4], c[5]}, p2{c[6], c[7], c[8]};
    bounds.add(i, p0);
    bounds.add(i, p1);
    bounds.add(i, p2);
    const flat_frame_t frame = flatFrame(p0, p1, p2);
    const dir3& N = frame.normal;
    if (a.zeroNormal && N.x == 0.0f && N.y == 0.0f && N.z == 0.0f)
        a.zeroNormal->store(true, std::memory_order_relaxed);
    if (a.positions) {
        std::copy(c, c + 9, a.positions + size_t(i) * 9);
        float* n = a.normals + size_t(i) * 3;
        n[0] = N.x;
        n[1] = N.y;
        n[2] = N.z;
        return;
    }
    float* v = a.vertices + size_t(i) * 27;
    float* f = a.frames + size_t(i) * 27;
    uint32_t* e = a.elements ? a.elements + size_t(i) * 4 : nullptr;
    for (int k = 0; k < 3; ++k) {
        float* rec = v + 9 * k;
        rec[0] = c[3 * k];
        rec[1] = c[3 * k + 1];
        rec[2] = c[3 * k + 2];
        rec[3] = rec[4] = rec[5] = 0.5f;
        rec[6] = 1.0f;
        rec[7] = rec[8] = 0.0f;
    }
    const dir3 parts[3] = {frame.tangent, frame.binormal, frame.normal};
    for (int k = 0; k < 3; ++k)
        for (int p = 0; p < 3; ++p) {
            f[9 * k + 3 * p] = parts[p].x;
            f[9 * k + 3 * p + 1] = parts[p].y;
            f[9 * k + 3 * p + 2] = parts[p].z;
        }
    if (e == nullptr)
        return; // the surface makes them itself
    uint32_t base = i * 3;
    e[0] = base;
    e[1] = base + 1;
    e[2] = base + 2;
    e[3] = kRestart;
}

uint32_t binaryTriangleCount(const char* data, size_t size, const std::string& name)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    uint32_t claimed = readLe32(bytes + 80);
    uint64_t held = (size - 84) / 50;
    uint64_t n = std::min<uint64_t>(claimed, held);
    // Four elements a triangle must stay below the restart index.
    n = std::min<uint64_t>(n, kMaxTriangles);
    if (n < claimed)
        std::cerr << name << ": binary STL holds " << n << " of its " << claimed << " triangles." << std::endl;
    return uint32_t(n);
}

void fillBinary(const char* data, uint32_t n, const mesh_arrays_t& a)
{
    fillBinaryRecords(data + 84, 0, n, a);
}

void fillBinaryRecords(const char* records, uint32_t first, uint32_t count, const mesh_arrays_t& a)
{
    const unsigned char* rec = reinterpret_cast<const unsigned char*>(records);
    float c[9];
    part_bounds_t bounds(first, first + count);
    for (uint32_t i = first; i < first + count; ++i, rec += 50) {
        // 12-byte normal (ignored), three 12-byte corners, 2-byte attribute.
        for (int k = 0; k < 9; ++k)
            c[k] = readLeFloat(rec + 12 + 4 * k);
        fillTriangle(a, i, c, bounds);
    }
    bounds.mergeInto(a.bounds);
}

text_counts_t countText(const char* begin, const char* end, unsigned slices)
{
    // Slices start at line starts, so that each line is counted once.
    std::vector<const char*> cuts{begin};
    for (unsigned k = 1; k < slices; ++k) {
        const char* p = begin + (end - begin) * int64_t(k) / int64_t(slices);
        if (p > begin && p[-1] != '\n') {
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            p = nl ? nl + 1 : end;
        }
        if (p > cuts.back() && p < end)
            cuts.push_back(p);
    }
    cuts.push_back(end);
    std::vector<slice_count_t> counts(cuts.size() - 1);
    runParts(unsigned(counts.size()), [&](unsigned k) { counts[k] = countSlice(cuts[k], cuts[k + 1]); });

    text_counts_t c;
    c.parts.push_back(text_part_t{begin, 0, 0});
    for (size_t k = 0; k < counts.size(); ++k) {
        if (k != 0 && counts[k].firstFacet)
            c.parts.push_back(text_part_t{counts[k].firstFacet, c.facets, c.lines + counts[k].linesBeforeFacet});
        if (!c.firstFacet && counts[k].firstFacet) {
            c.firstFacet = counts[k].firstFacet;
            c.linesBeforeFacet = c.lines + counts[k].linesBeforeFacet;
        }
        c.facets += counts[k].facets;
        c.vertexLines += counts[k].vertexLines;
        c.lines += counts[k].lines;
    }
    return c;
}

uint64_t countFacets(const char* begin, const char* end)
{
    return countText(begin, end).facets;
}

bool fillText(const char* begin, const char* end, uint32_t facets, const mesh_arrays_t& a)
{
    uint64_t lastLine = 0;
    part_bounds_t bounds(0, facets);
    if (fillFacets(begin, end, 1, 0, facets, a, lastLine, bounds)) {
        bounds.mergeInto(a.bounds);
        return true;
    }
    std::cerr << "num: " << lastLine << std::endl;
    return false;
}

bool fillTextPiece(const char* begin, const char* end, uint64_t linesBefore, uint32_t first, uint32_t last,
                   const mesh_arrays_t& a)
{
    uint64_t lastLine = 0;
    part_bounds_t bounds(first, last);
    if (!fillFacets(begin, end, linesBefore, first, last, a, lastLine, bounds))
        return false;
    bounds.mergeInto(a.bounds);
    return true;
}

bool fillText(const char* begin, const char* end, const text_counts_t& counts, const mesh_arrays_t& a)
{
    const std::vector<text_part_t>& parts = counts.parts;
    const size_t n = parts.size();
    const uint32_t facets = uint32_t(counts.facets);
    if (n <= 1)
        return fillText(begin, end, facets, a);
    std::vector<char> done(n);
    std::vector<uint64_t> lastLine(n);
    std::vector<part_bounds_t> bounds;
    for (size_t k = 0; k < n; ++k)
        bounds.emplace_back(uint32_t(parts[k].facetsBefore), k + 1 == n ? facets : uint32_t(parts[k + 1].facetsBefore));
    runParts(unsigned(n), [&](unsigned k) {
        const bool last = k + 1 == n;
        done[k] = fillFacets(parts[k].begin, last ? end : parts[k + 1].begin, 1 + parts[k].linesBefore,
                             uint32_t(parts[k].facetsBefore), last ? facets : uint32_t(parts[k + 1].facetsBefore), a,
                             lastLine[k], bounds[k]);
    });
    // A part that ran out of text would have gone on into the next one.
    for (size_t k = 0; k + 1 < n; ++k)
        if (!done[k])
            return fillText(begin, end, facets, a);
    if (!done[n - 1]) {
        std::cerr << "num: " << lastLine[n - 1] << std::endl;
        return false;
    }
    for (const part_bounds_t& b : bounds)
        b.mergeInto(a.bounds);
    return true;
}

} // namespace vyk3d
