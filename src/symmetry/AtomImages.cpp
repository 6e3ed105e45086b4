#include "symmetry/AtomImages.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace pivora::symmetry {

AtomImages::AtomImages(std::span<const Point> points, std::span<const int> kinds, double cellHint)
    : points_(points), kinds_(kinds), claimed_(points.size(), 0) {
    const std::size_t n = points.size();
    std::array<double, 3> high{};
    for (int k = 0; k < 3; ++k) low_[k] = high[k] = n ? points[0][k] : 0;
    for (const Point& p : points)
        for (int k = 0; k < 3; ++k)
            low_[k] = std::min(low_[k], p[k]), high[k] = std::max(high[k], p[k]);
    // About one atom a cell: start from one cell over the whole box and
    // shrink the cells while they hold many atoms each. A flat or thin
    // molecule gets few cells across its thin directions.
    const double span = std::max({high[0] - low_[0], high[1] - low_[1], high[2] - low_[2]});
    cell_ = std::max({span, cellHint, 1e-9});
    auto countCells = [&](double c) {
        long double cells = 1;
        for (int k = 0; k < 3; ++k) cells *= std::floor((high[k] - low_[k]) / c) + 1;
        return cells;
    };
    while (cell_ * 0.8 >= cellHint && countCells(cell_ * 0.8) <= 2.0L * n + 8) cell_ *= 0.8;
    std::size_t cells = 1;
    for (int k = 0; k < 3; ++k) {
        dims_[k] = static_cast<long long>(std::floor((high[k] - low_[k]) / cell_)) + 1;
        cells *= static_cast<std::size_t>(dims_[k]);
    }
    auto cellOf = [&](const Point& p) {
        std::size_t c = 0;
        for (int k = 0; k < 3; ++k) {
            const long long i = std::clamp(
                static_cast<long long>(std::floor((p[k] - low_[k]) / cell_)), 0LL, dims_[k] - 1);
            c = c * static_cast<std::size_t>(dims_[k]) + static_cast<std::size_t>(i);
        }
        return c;
    };
    cellStart_.assign(cells + 1, 0);
    std::vector<std::size_t> home(n);
    for (std::size_t i = 0; i < n; ++i) ++cellStart_[(home[i] = cellOf(points[i])) + 1];
    std::partial_sum(cellStart_.begin(), cellStart_.end(), cellStart_.begin());
    entries_.resize(n);
    std::vector<std::uint32_t> fill(cellStart_.begin(), cellStart_.end() - 1);
    for (std::size_t i = 0; i < n; ++i)
        entries_[fill[home[i]]++] = {points[i][0], points[i][1], points[i][2], kinds[i],
                                     static_cast<int>(i)};
    farthestFirst_.resize(n);
    std::iota(farthestFirst_.begin(), farthestFirst_.end(), 0);
    auto radius2 = [&](int i) {
        const Point& p = points[static_cast<std::size_t>(i)];
        return p[0] * p[0] + p[1] * p[1] + p[2] * p[2];
    };
    std::stable_sort(farthestFirst_.begin(), farthestFirst_.end(),
                     [&](int a, int b) { return radius2(a) > radius2(b); });
}

template <typename F>
void AtomImages::ForEachWithin(const Point& q, int kind, double radius, F&& f) {
    std::array<long long, 3> from{}, to{};
    for (int k = 0; k < 3; ++k) {
        const double a = std::floor((q[k] - radius - low_[k]) / cell_);
        const double b = std::floor((q[k] + radius - low_[k]) / cell_);
        if (!(b >= 0 && a <= static_cast<double>(dims_[k] - 1))) return;  // NaN too
        from[k] = a < 0 ? 0 : static_cast<long long>(a);
        to[k] = std::min(static_cast<long long>(b), dims_[k] - 1);
    }
    const double r2 = radius * radius;
    for (long long x = from[0]; x <= to[0]; ++x)
        for (long long y = from[1]; y <= to[1]; ++y) {
            const std::size_t row = static_cast<std::size_t>((x * dims_[1] + y) * dims_[2]);
            const std::uint32_t begin = cellStart_[row + static_cast<std::size_t>(from[2])];
            const std::uint32_t end = cellStart_[row + static_cast<std::size_t>(to[2]) + 1];
            work_ += end - begin + 1;
            for (std::uint32_t e = begin; e < end; ++e) {
                const Entry& a = entries_[e];
                if (a.kind != kind) continue;
                const double dx = a.x - q[0], dy = a.y - q[1], dz = a.z - q[2];
                const double d2 = dx * dx + dy * dy + dz * dz;
                if (d2 <= r2) f(a.atom, d2);
            }
        }
}

int AtomImages::Nearest(const Point& q, int kind, double radius) {
    int best = -1;
    double bestD2 = 0;
    ForEachWithin(q, kind, radius, [&](int atom, double d2) {
        if (best < 0 || d2 < bestD2) best = atom, bestD2 = d2;
    });
    return best;
}

bool AtomImages::Match(const LMat& m, double radius, bool oneToOne, std::vector<int>& image) {
    const std::size_t n = points_.size();
    image.assign(n, -1);
    double d[9];
    for (int k = 0; k < 9; ++k) d[k] = static_cast<double>(m[k]);
    if (++stamp_ == 0) std::fill(claimed_.begin(), claimed_.end(), 0), stamp_ = 1;
    bool collided = false;
    for (const int i : farthestFirst_) {
        const Point& p = points_[static_cast<std::size_t>(i)];
        const Point q{d[0] * p[0] + d[1] * p[1] + d[2] * p[2],
                      d[3] * p[0] + d[4] * p[1] + d[5] * p[2],
                      d[6] * p[0] + d[7] * p[1] + d[8] * p[2]};
        const int j = Nearest(q, kinds_[static_cast<std::size_t>(i)], radius);
        if (j < 0) return false;
        image[static_cast<std::size_t>(i)] = j;
        if (claimed_[static_cast<std::size_t>(j)] == stamp_) collided = true;
        claimed_[static_cast<std::size_t>(j)] = stamp_;
    }
    if (!oneToOne || !collided) return true;
    // Two images near one atom: only atoms closer than the radius to each
    // other can cause it, so the matching below is rare and small.
    std::vector<Point> images(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Point& p = points_[i];
        images[i] = {d[0] * p[0] + d[1] * p[1] + d[2] * p[2],
                     d[3] * p[0] + d[4] * p[1] + d[5] * p[2],
                     d[6] * p[0] + d[7] * p[1] + d[8] * p[2]};
    }
    return MatchAll(images, radius, image);
}

bool AtomImages::AnyPairWithin(double radius) {
    for (std::size_t i = 0; i < points_.size(); ++i) {
        bool found = false;
        ForEachWithin(points_[i], kinds_[i], radius,
                      [&](int atom, double) { found = found || atom != static_cast<int>(i); });
        if (found) return true;
    }
    return false;
}

bool AtomImages::Holds(const LMat& m, double radius, const std::vector<int>& image) {
    const std::size_t n = points_.size();
    if (image.size() != n) return false;
    double d[9];
    for (int k = 0; k < 9; ++k) d[k] = static_cast<double>(m[k]);
    if (++stamp_ == 0) std::fill(claimed_.begin(), claimed_.end(), 0), stamp_ = 1;
    const double r2 = radius * radius;
    work_ += n;
    for (const int i : farthestFirst_) {
        const std::size_t j = static_cast<std::size_t>(image[static_cast<std::size_t>(i)]);
        if (j >= n || claimed_[j] == stamp_ || kinds_[j] != kinds_[static_cast<std::size_t>(i)])
            return false;
        claimed_[j] = stamp_;
        const Point& p = points_[static_cast<std::size_t>(i)];
        const Point& q = points_[j];
        const double dx = d[0] * p[0] + d[1] * p[1] + d[2] * p[2] - q[0];
        const double dy = d[3] * p[0] + d[4] * p[1] + d[5] * p[2] - q[1];
        const double dz = d[6] * p[0] + d[7] * p[1] + d[8] * p[2] - q[2];
        if (dx * dx + dy * dy + dz * dz > r2) return false;
    }
    return true;
}

bool AtomImages::MatchAll(const std::vector<Point>& images, double radius,
                          std::vector<int>& image) {
    const std::size_t n = images.size();
    std::vector<std::uint32_t> start(n + 1, 0);
    std::vector<int> options;
    for (std::size_t i = 0; i < n; ++i) {
        ForEachWithin(images[i], kinds_[i], radius,
                      [&](int atom, double) { options.push_back(atom); });
        start[i + 1] = static_cast<std::uint32_t>(options.size());
    }
    // Kuhn's augmenting paths, with a bound on the steps: a pile of atoms
    // of one kind on one spot could otherwise take quadratic time per
    // operation. Giving up only loses an operation, never reports a false one.
    std::vector<int> owner(n, -1);
    std::vector<std::uint32_t> seen(n, 0);
    std::uint64_t budget = 64 * static_cast<std::uint64_t>(n) + 100000;
    std::uint32_t round = 0;
    std::vector<std::pair<int, std::uint32_t>> path;  // atom, next option to try
    for (std::size_t i = 0; i < n; ++i) {
        ++round;
        path.assign(1, {static_cast<int>(i), start[i]});
        bool placed = false;
        while (!path.empty() && !placed) {
            auto& [atom, next] = path.back();
            if (next == start[static_cast<std::size_t>(atom) + 1]) {
                path.pop_back();
                continue;
            }
            if (budget-- == 0) return false;
            const int target = options[next++];
            if (seen[static_cast<std::size_t>(target)] == round) continue;
            seen[static_cast<std::size_t>(target)] = round;
            const int holder = owner[static_cast<std::size_t>(target)];
            if (holder < 0) {
                // Shift every atom on the path onto the option it just took.
                owner[static_cast<std::size_t>(target)] = atom;
                for (std::size_t k = path.size() - 1; k > 0; --k) {
                    const int prev = path[k - 1].first;
                    const int took = options[path[k - 1].second - 1];
                    owner[static_cast<std::size_t>(took)] = prev;
                }
                placed = true;
            } else {
                path.push_back({holder, start[static_cast<std::size_t>(holder)]});
            }
        }
        if (!placed) return false;
    }
    for (std::size_t j = 0; j < n; ++j)
        image[static_cast<std::size_t>(owner[j])] = static_cast<int>(j);
    work_ += options.size();
    return true;
}

}  // namespace pivora::symmetry
