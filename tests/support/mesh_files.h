#pragma once
// Bytes of binary mesh files written by the tests.
#include <initializer_list>
#include <string>

namespace assimptest
{

// The floats' bytes, as a binary file stores them on this machine.
inline std::string floats(std::initializer_list<float> values)
{
    return std::string(reinterpret_cast<const char*>(values.begin()), values.size() * sizeof(float));
}

} // namespace assimptest

#include <array>
#include <cmath>
#include <sstream>
#include <vector>

namespace vyktest
{

// An OFF file of a quad-grid mesh from f(u, v) over n x m cells, each cell
// two triangles wound counter-clockwise seen from where f's u, v cross
// product points (closed in u and v when f repeats). `obj`: an OBJ file
// instead, every corner with the texture coordinate (0, 1).
template <class F> std::string offGrid(int n, int m, F f, bool obj = false)
{
    std::ostringstream s;
    s << (obj ? "vt 0 1\n" : "OFF\n" + std::to_string((n + 1) * (m + 1)) + " " + std::to_string(2 * n * m) + " 0\n");
    for (int j = 0; j <= m; ++j)
        for (int i = 0; i <= n; ++i) {
            const std::array<double, 3> p = f(double(i) / n, double(j) / m);
            s << (obj ? "v " : "") << p[0] << " " << p[1] << " " << p[2] << "\n";
        }
    for (int j = 0; j < m; ++j)
        for (int i = 0; i < n; ++i) {
            const int a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
            for (const auto& t : {std::array<int, 3>{a, b, d}, {a, d, c}})
                s << (obj ? "f " : "3 ") << t[0] + obj << (obj ? "/1 " : " ") << t[1] + obj << (obj ? "/1 " : " ")
                  << t[2] + obj << (obj ? "/1\n" : "\n");
        }
    return s.str();
}

// A unit sphere about the y axis, wound inside out when `inward`.
inline std::string offSphere(bool inward, bool obj = false)
{
    return offGrid(
        32, 16,
        [&](double u, double v) {
            const double a = 2 * M_PI * (inward ? 1 - u : u), b = M_PI * v;
            return std::array<double, 3>{std::cos(a) * std::sin(b), std::cos(b), std::sin(a) * std::sin(b)};
        },
        obj);
}

// A torus about the z axis: ring radius R, tube radius R / 3, centred on c.
inline std::string offTorus(double R, std::array<double, 3> c = {0, 0, 0})
{
    return offGrid(48, 24, [&](double u, double v) {
        const double a = 2 * M_PI * u, b = 2 * M_PI * v, rho = R + R / 3 * std::cos(b);
        return std::array<double, 3>{c[0] + rho * std::cos(a), c[1] + rho * std::sin(a), c[2] + R / 3 * std::sin(b)};
    });
}

// A closed box from lo to hi, its faces wound outwards.
inline std::string offBox(std::array<double, 3> lo, std::array<double, 3> hi)
{
    std::ostringstream s;
    s << "OFF\n8 12 0\n";
    for (int c = 0; c < 8; ++c) // corner c: bit 0 x, bit 1 y, bit 2 z at hi
        s << (c & 1 ? hi : lo)[0] << " " << (c & 2 ? hi : lo)[1] << " " << (c & 4 ? hi : lo)[2] << "\n";
    for (const char* quad : {"0 2 3 1", "4 5 7 6", "0 1 5 4", "2 6 7 3", "0 4 6 2", "1 3 7 5"}) {
        int q[4];
        std::istringstream(quad) >> q[0] >> q[1] >> q[2] >> q[3];
        s << "3 " << q[0] << " " << q[1] << " " << q[2] << "\n3 " << q[0] << " " << q[2] << " " << q[3] << "\n";
    }
    return s.str();
}

} // namespace vyktest
