// Progress of long reads and saves: the reports only grow and reach the
// whole, come seldom, and a report that throws gives the work up leaving the
// molecule or the file as it was.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/Progress.h"
#include "coordinates/CoordinateReader.h"
#include "coordinates/CoordinateWriter.h"
#include "support/ProgressCheck.h"
#include "support/TempDir.h"

namespace pivora {
namespace {

using test::ExpectGrowingToWhole;
using test::Recorder;
using test::Reports;

std::string Lines(int count) {
    std::string text;
    for (int k = 1; k <= count; ++k) {
        text += "C" + std::to_string(k % 100) + " " + std::to_string(k % 7) + ".25 -1.5 " +
                std::to_string(k) + "\n";
    }
    return text;
}

struct StopHere {};

TEST(ProgressMeterTest, StagesShareTheWholeAndReportEachThousandthAtMost) {
    Reports reports;
    ProgressMeter meter(Recorder(reports));
    meter.Stage(ProgressMeter::kTotal / 2, 1000000);
    for (std::uint64_t done = 0; done <= 1000000; done += 100) meter.At(done);
    // 500 thousandths in the first half, its end among them.
    EXPECT_EQ(reports.size(), 500u);
    EXPECT_EQ(reports.back().first, ProgressMeter::kTotal / 2);
    meter.Stage(ProgressMeter::kTotal, 3);
    meter.Advance(1);
    meter.Advance(5);  // beyond the stage's size: its end
    meter.At(2);       // going back reports nothing
    meter.Finish();
    ExpectGrowingToWhole(reports);
    EXPECT_EQ(reports.size(), 502u);
}

TEST(ProgressMeterTest, EmptyStagesAndAnEmptyReportDoNothingWrong) {
    Reports reports;
    ProgressMeter meter(Recorder(reports));
    meter.Stage(300000, 0);  // an empty file's pass ends at once
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].first, 300000u);
    meter.Stage(200000, 10);  // an end below the last one stays where it is
    meter.At(10);
    meter.Finish();
    meter.Finish();
    ExpectGrowingToWhole(reports);
    EXPECT_EQ(reports.size(), 2u);

    ProgressMeter silent;
    EXPECT_FALSE(silent.Active());
    silent.Stage(ProgressMeter::kTotal, 5);
    silent.At(5);
    silent.Finish();
}

class ProgressReadTest : public ::testing::TestWithParam<bool> {};

// Both ways of reading: a new table, and refilling the old one's arrays.
TEST_P(ProgressReadTest, ReportsGrowToTheWholeAndLeaveTheResultAlone) {
    const bool refill = GetParam();
    test::TempDir dir;
    for (const int count : {0, 3, 200000}) {
        const std::string path = dir.Write("atoms.txt", Lines(count));
        for (const std::size_t chunk : {std::size_t{1} << 20, std::size_t{4093}}) {
            ReadOptions options;
            options.lines.chunkSize = chunk;
            const AtomTable expected = ReadCoordinateTable(path, AtomTable(), options);
            Reports reports;
            options.progress = Recorder(reports);
            AtomTable table;
            if (refill) {
                table.Resize(static_cast<std::size_t>(count) + 10);
                ReadCoordinateFile(path, table, options);
            } else {
                table = ReadCoordinateTable(path, AtomTable(), options);
            }
            SCOPED_TRACE("lines " + std::to_string(count) + ", chunk " + std::to_string(chunk));
            ExpectGrowingToWhole(reports);
            EXPECT_LE(reports.size(), 1004u);
            if (count <= 3) {
                EXPECT_LE(reports.size(), 4u);
            }
            ASSERT_EQ(table.AtomCount, expected.AtomCount);
            for (int k = 0; k <= count; ++k) {
                ASSERT_EQ(table.AtomName[k], expected.AtomName[k]);
                ASSERT_EQ(table.AtomX[k], expected.AtomX[k]);
                ASSERT_EQ(table.AtomZ[k], expected.AtomZ[k]);
            }
        }
    }
}

// Giving up at any report leaves the molecule as it was, with its arrays.
TEST_P(ProgressReadTest, AThrowingReportLeavesTheTableUnchanged) {
    const bool refill = GetParam();
    test::TempDir dir;
    const int count = 150000;
    const std::string path = dir.Write("atoms.txt", Lines(count));
    AtomTable table;
    table.Resize(refill ? count + 10 : 20);
    for (std::size_t i = 1; i < table.Capacity(); ++i) {
        table.AtomName[i] = "Old" + std::to_string(i);
        table.AtomX[i] = static_cast<double>(i);
    }
    table.AtomCount = static_cast<std::int32_t>(table.Capacity() - 10);
    const AtomTable before = table;
    Reports all;
    {
        ReadOptions options;
        options.progress = Recorder(all);
        AtomTable scratch = before;
        ReadCoordinateFile(path, scratch, options);
    }
    ASSERT_GT(all.size(), 10u);
    for (std::size_t stop = 0; stop < all.size(); stop += all.size() / 7) {
        std::size_t heard = 0;
        ReadOptions options;
        options.progress = [&](std::uint64_t, std::uint64_t) {
            if (heard++ == stop) throw StopHere();
        };
        const double* arrays = table.AtomX.data();
        EXPECT_THROW(ReadCoordinateFile(path, table, options), StopHere) << "stop " << stop;
        EXPECT_EQ(table.AtomX.data(), arrays);
        ASSERT_EQ(table.AtomCount, before.AtomCount);
        ASSERT_EQ(table.Capacity(), before.Capacity());
        for (std::size_t i = 0; i < table.Capacity(); ++i) {
            ASSERT_EQ(table.AtomName[i], before.AtomName[i]) << i;
            ASSERT_EQ(table.AtomX[i], before.AtomX[i]) << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(NewOrRefilled, ProgressReadTest, ::testing::Bool());

// Making the slots of a new table takes seconds for millions of atoms: it
// reports as it goes, between the counting pass and the reading of the
// parsing pass, so that a window's progress dialog shows in time.
TEST(ProgressNewTableTest, ReportsWhileItsSlotsAreMade) {
    test::TempDir dir;
    const std::string path = dir.Write("atoms.txt", Lines(700000));
    // The count reports up to 27 % of the whole, the reading from 30 % on:
    // what lies between comes from making the slots.
    std::vector<std::uint64_t> between;
    ReadOptions options;
    options.progress = [&](std::uint64_t done, std::uint64_t) {
        if (done > ProgressMeter::kTotal * 27 / 100 && done < ProgressMeter::kTotal * 3 / 10) {
            between.push_back(done);
        }
    };
    ReadCoordinateTable(path, AtomTable(), options);
    EXPECT_GE(between.size(), 2u);
}

AtomTable Molecule(int count) {
    AtomTable table;
    table.Resize(static_cast<std::size_t>(count) + 10);
    table.AtomCount = count;
    for (int k = 1; k <= count; ++k) {
        table.AtomName[k] = "N" + std::to_string(k % 50);
        table.AtomX[k] = k * 0.001;
        table.AtomY[k] = -k * 0.5;
        table.AtomZ[k] = 3.25;
    }
    return table;
}

TEST(ProgressWriteTest, ReportsGrowToTheWholeAndTheBytesStayTheSame) {
    test::TempDir dir;
    for (const int count : {0, 2, 300000}) {
        const AtomTable table = Molecule(count);
        WriteCoordinateFile(dir.File("plain.out"), table);
        Reports reports;
        WriteCoordinateFile(dir.File("reported.out"), table, {}, Recorder(reports));
        SCOPED_TRACE(count);
        ExpectGrowingToWhole(reports);
        EXPECT_LE(reports.size(), count < 65536 ? 1u : 6u);
        EXPECT_EQ(test::ReadAll(dir.File("reported.out")), test::ReadAll(dir.File("plain.out")));
    }
}

// A save given up, by a temporary file or in place, keeps the old bytes and
// leaves nothing behind.
TEST(ProgressWriteTest, AThrowingReportKeepsTheOldFile) {
    test::TempDir dir;
    const std::string path = dir.Write("molecule.out", "old content\r\n");
    const AtomTable table = Molecule(200000);
    for (const bool unnamed : {true, false}) {
        // The first report, while lines are laid out, and the last, which
        // comes before the new file takes the old one's place.
        for (const std::size_t stop : {std::size_t{0}, std::size_t{1}}) {
            std::size_t heard = 0;
            WriteOptions options;
            options.unnamedTemporary = unnamed;
            EXPECT_THROW(WriteCoordinateFile(path, table, options,
                                             [&](std::uint64_t, std::uint64_t) {
                                                 if (heard++ == stop) throw StopHere();
                                             }),
                         StopHere);
            EXPECT_EQ(test::ReadAll(path), "old content\r\n");
            EXPECT_EQ(dir.Names(), std::vector<std::string>{"molecule.out"});
        }
    }
}

}  // namespace
}  // namespace pivora
