// Progress of the other formats' reads and of the export: the reports only
// grow and reach the whole, the result is the one read or written without
// them, and a report that throws gives the work up leaving the file as it
// was.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "io/MoleculeReader.h"
#include "io/MoleculeWriter.h"
#include "support/ErrorCheck.h"
#include "support/ProgressCheck.h"
#include "support/TableCheck.h"
#include "support/TempDir.h"

namespace pivora::io {
namespace {

using test::ExpectGrowingToWhole;
using test::Recorder;
using test::Reports;

struct StopHere {};

AtomTable Prepared(const std::string& path, const ProgressReport& progress) {
    AtomTable table;
    PrepareMolecule(path, AtomTable{}, false, progress).MoveInto(table);
    return table;
}

TEST(ProgressFormatsTest, EveryKindReportsToTheWholeAndReadsTheSame) {
    const char* const samples[] = {"acetone-openbabel.gjf",  "acetone-openbabel.inp",
                                   "ammonia-trajectory.xyz", "formaldehyde.mop",
                                   "methane-standard.out",   "water-opt.log",
                                   "water-orca.out",         "water.xyz"};
    for (const char* sample : samples) {
        SCOPED_TRACE(sample);
        const std::string path = std::string(PIVORA_FORMAT_DATA) + "/" + sample;
        Reports reports;
        EXPECT_EQ(test::Snapshot(Prepared(path, Recorder(reports))),
                  test::Snapshot(ReadMolecule(path, AtomTable{}).table));
        ExpectGrowingToWhole(reports);
    }
}

// Three frames of many atoms: the passes over the bytes (the frames found,
// then the last one read) report as they go.
std::string Trajectory(int atoms) {
    std::string text;
    for (int frame = 0; frame < 3; ++frame) {
        text += std::to_string(atoms) + "\nframe " + std::to_string(frame) + "\n";
        for (int k = 0; k < atoms; ++k) {
            text += (k % 3 == 0 ? "O " : "H ") + std::to_string(k % 97) + ".125 " +
                    std::to_string(frame) + ".5 -" + std::to_string(k % 13) + ".75\n";
        }
    }
    return text;
}

TEST(ProgressFormatsTest, ALargeTrajectoryReportsAsItGoesAndMayBeGivenUp) {
    test::TempDir dir;
    const std::string path = dir.Write("trajectory.xyz", Trajectory(100000));
    Reports reports;
    const AtomTable table = Prepared(path, Recorder(reports));
    ExpectGrowingToWhole(reports);
    EXPECT_GT(reports.size(), 10u);
    EXPECT_EQ(test::Snapshot(table), test::Snapshot(ReadMolecule(path, AtomTable{}).table));

    for (const std::size_t stop : {std::size_t{0}, reports.size() / 2}) {
        std::size_t heard = 0;
        EXPECT_THROW(Prepared(path,
                              [&](std::uint64_t, std::uint64_t) {
                                  if (heard++ == stop) throw StopHere();
                              }),
                     StopHere);
    }
}

TEST(ProgressFormatsTest, AFileCutWhileItIsReadIsRefusedForThatNotForItsFormat) {
    // Another program cuts the file short after the reading began (here at
    // the first report): the format would see too few atom lines, but the
    // refusal names the change.
    test::TempDir dir;
    for (const char* name : {"cut.xyz", "cut.gjf"}) {
        SCOPED_TRACE(name);
        std::string text = Trajectory(100000);
        if (std::string(name) == "cut.gjf")
            text = "# HF\n\nt\n\n0 1\n" + text.substr(text.find("O "));
        const std::string path = dir.Write(name, text);
        bool cut = false;
        const Error e = test::ErrorOf([&] {
            Prepared(path, [&](std::uint64_t, std::uint64_t) {
                if (!cut) cut = ::truncate(path.c_str(), 4000) == 0;
            });
        });
        EXPECT_TRUE(cut);
        EXPECT_EQ(e.Kind(), ErrorKind::File);
        EXPECT_EQ(e.Message(), "I/O エラー (5)");
        EXPECT_EQ(e.Detail().rfind("The file changed while it was being read", 0), 0u)
            << e.Detail();
    }
}

TEST(ProgressFormatsTest, AnExportReportsToTheWholeAndAThrowKeepsTheOldFile) {
    test::TempDir dir;
    const AtomTable table = ReadMolecule(dir.Write("t.xyz", Trajectory(100000)), {}).table;
    for (const ExportFormat format :
         {ExportFormat::Xyz, ExportFormat::GaussianInput, ExportFormat::OrcaInput}) {
        SCOPED_TRACE(std::string(ExportFormatName(format)));
        Reports reports;
        const std::string quiet = dir.File("quiet.out");
        const std::string heard = dir.File("heard.out");
        ExportFile(quiet, format, table, {});
        ExportFile(heard, format, table, {}, {}, Recorder(reports));
        ExpectGrowingToWhole(reports);
        EXPECT_GT(reports.size(), 3u);
        EXPECT_EQ(test::ReadAll(heard), test::ReadAll(quiet));

        // The first report and the last, which comes before the new file
        // takes the old one's place.
        for (const std::size_t stop : {std::size_t{0}, reports.size() - 1}) {
            const std::string old = dir.Write("old.out", "old content\n");
            std::size_t count = 0;
            EXPECT_THROW(ExportFile(old, format, table, {}, {},
                                    [&](std::uint64_t, std::uint64_t) {
                                        if (count++ == stop) throw StopHere();
                                    }),
                         StopHere);
            EXPECT_EQ(test::ReadAll(old), "old content\n");
        }
    }
    EXPECT_EQ(dir.Names(),
              (std::vector<std::string>{"heard.out", "old.out", "quiet.out", "t.xyz"}));
}

}  // namespace
}  // namespace pivora::io
