#include "symmetry/LinearAlgebra.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pivora::symmetry {

long double Norm(const LVec& a) {
    // hypot-like scaling is not needed: coordinates are bounded well below
    // the range where the squares could overflow.
    return std::sqrt(Dot(a, a));
}

LVec Normalized(const LVec& a) {
    const long double n = Norm(a);
    if (n == 0) return a;
    return Scale(a, 1 / n);
}

LVec AnyPerpendicular(const LVec& z) {
    int k = 0;
    for (int j = 1; j < 3; ++j)
        if (std::fabs(z[j]) < std::fabs(z[k])) k = j;
    LVec e{0, 0, 0};
    e[k] = 1;
    return Normalized(Perpendicular(e, z));
}

LMat Identity() {
    return {1, 0, 0, 0, 1, 0, 0, 0, 1};
}

LMat Negated(const LMat& a) {
    LMat m = a;
    for (long double& v : m) v = -v;
    return m;
}

LMat Multiply(const LMat& a, const LMat& b) {
    LMat m{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[3 * r + c] = a[3 * r] * b[c] + a[3 * r + 1] * b[3 + c] + a[3 * r + 2] * b[6 + c];
    return m;
}

LMat Transpose(const LMat& a) {
    return {a[0], a[3], a[6], a[1], a[4], a[7], a[2], a[5], a[8]};
}

LVec Apply(const LMat& m, const LVec& v) {
    return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[3] * v[0] + m[4] * v[1] + m[5] * v[2],
            m[6] * v[0] + m[7] * v[1] + m[8] * v[2]};
}

long double Determinant(const LMat& m) {
    return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
           m[2] * (m[3] * m[7] - m[4] * m[6]);
}

long double MaxDifference(const LMat& a, const LMat& b) {
    long double d = 0;
    for (int k = 0; k < 9; ++k) d = std::max(d, std::fabs(a[k] - b[k]));
    return d;
}

LMat Rotation(const LVec& u, long double angle) {
    const long double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    const long double x = u[0], y = u[1], z = u[2];
    return {t * x * x + c,     t * x * y - s * z, t * x * z + s * y,
            t * x * y + s * z, t * y * y + c,     t * y * z - s * x,
            t * x * z - s * y, t * y * z + s * x, t * z * z + c};
}

LMat Reflection(const LVec& n) {
    LMat m = Identity();
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m[3 * r + c] -= 2 * n[r] * n[c];
    return m;
}

LMat FrameRows(const LVec& z, const LVec& x) {
    const LVec y = Cross(z, x);
    return {x[0], x[1], x[2], y[0], y[1], y[2], z[0], z[1], z[2]};
}

AxisAngle ToAxisAngle(const LMat& r) {
    const LVec w{r[7] - r[5], r[2] - r[6], r[3] - r[1]};  // 2 sin(angle) axis
    const long double cosine = std::clamp((r[0] + r[4] + r[8] - 1) / 2, -1.0L, 1.0L);
    const long double sine = Norm(w) / 2;
    const long double angle = std::atan2(sine, cosine);
    if (cosine > 0) return {Normalized(w), angle};
    // Near a half turn w vanishes; the symmetric part (1 - cos) u u^T holds
    // the axis, and w (where it is not lost in rounding) its sign.
    LVec best{};
    long double bestNorm = -1;
    for (int c = 0; c < 3; ++c) {
        LVec column{(r[c] + r[3 * c]) / 2, (r[3 + c] + r[3 * c + 1]) / 2,
                    (r[6 + c] + r[3 * c + 2]) / 2};
        column[c] -= cosine;
        const long double n = Norm(column);
        if (n > bestNorm) bestNorm = n, best = column;
    }
    LVec axis = Normalized(best);
    if (Dot(axis, w) < 0) axis = Scale(axis, -1);
    return {axis, angle};
}

namespace {

template <std::size_t N>
Eigen<N> Jacobi(std::array<long double, N * N> a) {
    Eigen<N> e{};
    std::array<std::array<long double, N>, N> v{};  // columns are the eigenvectors
    for (std::size_t k = 0; k < N; ++k) v[k][k] = 1;
    for (int sweep = 0; sweep < 64; ++sweep) {
        long double off = 0, scale = 0;
        for (std::size_t p = 0; p < N; ++p)
            for (std::size_t q = 0; q < N; ++q) {
                const long double x = a[N * p + q] * a[N * p + q];
                (p == q ? scale : off) += x;
            }
        if (off <= scale * std::numeric_limits<long double>::epsilon() *
                       std::numeric_limits<long double>::epsilon() ||
            off == 0)
            break;
        for (std::size_t p = 0; p + 1 < N; ++p)
            for (std::size_t q = p + 1; q < N; ++q) {
                const long double apq = a[N * p + q];
                if (apq == 0) continue;
                const long double theta = (a[N * q + q] - a[N * p + p]) / (2 * apq);
                const long double t =
                    (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const long double c = 1 / std::sqrt(t * t + 1), s = t * c;
                for (std::size_t k = 0; k < N; ++k) {
                    const long double akp = a[N * k + p], akq = a[N * k + q];
                    a[N * k + p] = c * akp - s * akq;
                    a[N * k + q] = s * akp + c * akq;
                }
                for (std::size_t k = 0; k < N; ++k) {
                    const long double apk = a[N * p + k], aqk = a[N * q + k];
                    a[N * p + k] = c * apk - s * aqk;
                    a[N * q + k] = s * apk + c * aqk;
                }
                for (std::size_t k = 0; k < N; ++k) {
                    const long double vkp = v[k][p], vkq = v[k][q];
                    v[k][p] = c * vkp - s * vkq;
                    v[k][q] = s * vkp + c * vkq;
                }
            }
    }
    std::array<std::size_t, N> order{};
    for (std::size_t k = 0; k < N; ++k) order[k] = k;
    std::sort(order.begin(), order.end(),
              [&](std::size_t i, std::size_t j) { return a[N * i + i] < a[N * j + j]; });
    for (std::size_t k = 0; k < N; ++k) {
        e.values[k] = a[N * order[k] + order[k]];
        for (std::size_t r = 0; r < N; ++r) e.vectors[k][r] = v[r][order[k]];
    }
    return e;
}

}  // namespace

Eigen<3> SymmetricEigen3(const std::array<long double, 9>& a) {
    return Jacobi<3>(a);
}

Eigen<4> SymmetricEigen4(const std::array<long double, 16>& a) {
    return Jacobi<4>(a);
}

LMat BestRotation(const Correlation& s) {
    const long double xx = s[0], xy = s[1], xz = s[2], yx = s[3], yy = s[4], yz = s[5], zx = s[6],
                      zy = s[7], zz = s[8];
    const std::array<long double, 16> n{xx + yy + zz, yz - zy,      zx - xz,       xy - yx,  //
                                        yz - zy,      xx - yy - zz, xy + yx,       zx + xz,  //
                                        zx - xz,      xy + yx,      -xx + yy - zz, yz + zy,  //
                                        xy - yx,      zx + xz,      yz + zy,       -xx - yy + zz};
    const Eigen<4> e = SymmetricEigen4(n);
    const auto& q = e.vectors[3];
    const long double w = q[0], x = q[1], y = q[2], z = q[3];
    return {w * w + x * x - y * y - z * z, 2 * (x * y - w * z),
            2 * (x * z + w * y),           2 * (x * y + w * z),
            w * w - x * x + y * y - z * z, 2 * (y * z - w * x),
            2 * (x * z - w * y),           2 * (y * z + w * x),
            w * w - x * x - y * y + z * z};
}

}  // namespace pivora::symmetry
