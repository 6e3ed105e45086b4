// Work split over two threads gives what it gives on one, also when the
// second thread cannot be had: the coordinate reader and writer, the panes'
// atom dots and the bonds, each on a molecule large enough to be split, with
// every thread refused.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "base/Error.h"
#include "coordinates/CoordinateReader.h"
#include "coordinates/CoordinateWriter.h"
#include "io/Elements.h"
#include "parallel/TwoThreads.h"
#include "structure/Bonds.h"
#include "support/TempDir.h"
#include "view/AtomLayer.h"
#include "view/ViewWindow.h"

namespace pivora {
namespace {

// A loose organic crowd: light atoms about 1.4 angstrom apart on average,
// so that the bonds are many, in a box the panes at scale 4 show most of.
AtomTable Crowd(int count) {
    std::mt19937_64 random(41);
    std::uniform_real_distribution<double> coordinate(-35, 35);
    const char* const labels[] = {"C", "H", "N", "O", "H", "C", "Fe"};
    AtomTable table;
    table.AtomCount = count;
    table.Resize(static_cast<std::size_t>(count) + 10);
    table.AtomName[0] = "None";
    for (std::size_t k = 1; k <= static_cast<std::size_t>(count); ++k) {
        table.AtomName[k] = labels[random() % std::size(labels)] + std::to_string(k);
        table.AtomX[k] = coordinate(random);
        table.AtomY[k] = coordinate(random);
        table.AtomZ[k] = coordinate(random);
    }
    return table;
}

// What the four give for the crowd, with the text of any failure.
struct Results {
    std::string saved;
    AtomTable read;
    std::string readFailure;
    std::int32_t failedLine = 0;
    std::array<std::vector<Dot>, 3> dots;
    std::vector<Bond> bonds;
};

Results AllFour(const AtomTable& crowd, const test::TempDir& dir, const std::string& name) {
    Results r;
    const std::string path = dir.File(name);
    WriteCoordinateFile(path, crowd);
    r.saved = test::ReadAll(path);
    r.read = ReadCoordinateTable(path, AtomTable{});
    // A bad number in each half: the first half's is the failure.
    std::string bad = r.saved;
    bad.replace(bad.find("  ", bad.size() * 3 / 4), 2, " x");
    bad.replace(bad.find("  ", bad.size() / 4), 2, " y");
    ReadOptions options;
    options.lineReached = &r.failedLine;
    try {
        ReadCoordinateTable(dir.Write(name + ".bad", bad), AtomTable{}, options);
    } catch (const Error& e) {
        r.readFailure = e.Message();
    }
    ViewWindow window;
    window.PaneWidth = 209;
    window.PaneHeight = 217;
    window.SetScale(4);
    std::vector<std::uint8_t> elements(crowd.Capacity());
    for (std::size_t k = 1; k <= crowd.LastAtom(); ++k)
        elements[k] = static_cast<std::uint8_t>(io::ElementOfLabel(crowd.AtomName[k]));
    const auto dots = AtomDots(crowd, window, {}, elements);
    for (std::size_t p = 0; p < 3; ++p) r.dots[p] = *dots[p];
    r.bonds = FindBonds(crowd, BondingElements(crowd, elements));
    return r;
}

TEST(TwoThreadsTest, ARefusedThreadGivesTheSameResultsOnOneThread) {
    const AtomTable crowd = Crowd(150000);
    ASSERT_TRUE(WorthTwoThreads(crowd.LastAtom()) || std::thread::hardware_concurrency() < 2);
    test::TempDir dir;
    const Results shared = AllFour(crowd, dir, "shared.out");
    int refused = 0;
    Results alone;
    {
        const ThreadStarterOverride refuse([&refused](std::function<void()>) -> std::thread {
            ++refused;
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        });
        alone = AllFour(crowd, dir, "alone.out");
    }
    // The save, the two reads, the dots and the bonds each asked for one.
    if (WorthTwoThreads(crowd.LastAtom())) {
        EXPECT_EQ(refused, 5);
    }
    EXPECT_EQ(alone.saved, shared.saved);
    EXPECT_EQ(alone.read.AtomCount, crowd.AtomCount);
    for (std::size_t k = 0; k < crowd.Capacity(); ++k) {
        ASSERT_EQ(alone.read.AtomName[k], shared.read.AtomName[k]) << k;
        ASSERT_EQ(alone.read.AtomX[k], shared.read.AtomX[k]) << k;
        ASSERT_EQ(alone.read.AtomY[k], shared.read.AtomY[k]) << k;
        ASSERT_EQ(alone.read.AtomZ[k], shared.read.AtomZ[k]) << k;
    }
    EXPECT_NE(shared.readFailure, "");
    EXPECT_EQ(alone.readFailure, shared.readFailure);
    EXPECT_EQ(alone.failedLine, shared.failedLine);
    EXPECT_LT(shared.failedLine, crowd.AtomCount / 2);
    for (std::size_t p = 0; p < 3; ++p) {
        EXPECT_GT(shared.dots[p].size(), 1000u);
        EXPECT_EQ(alone.dots[p], shared.dots[p]) << p;
    }
    EXPECT_GT(shared.bonds.size(), 1000u);
    EXPECT_EQ(alone.bonds, shared.bonds);
}

}  // namespace
}  // namespace pivora
