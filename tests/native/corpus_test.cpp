// Real HP-GL files from public projects: read, statistics and write-back.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace kerfline {
namespace {

struct CorpusCase {
    const char* file;
    bool failed;
};

class Corpus : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(Corpus, ReadsAndWritesAFixedPoint) {
    const auto dir = test::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "the shared HP-GL corpus is not beside the repository";
    const auto path = dir / GetParam().file;
    PlotDrawing drawing;
    FileInput in(path.string().c_str());
    ASSERT_TRUE(in.isOpen()) << path;
    readDrawing(in, drawing);
    EXPECT_EQ(in.failed(), GetParam().failed);

    // Saved and read again, the file is written byte for byte the same.
    const std::string first = test::written(drawing);
    EXPECT_EQ(test::roundTrip(first), first);

    // Through a real file too, where LF becomes CR LF and comes back.
    const test::ScratchDir scratch;
    const auto saved = scratch / (std::string(GetParam().file) + ".out");
    {
        FileOutput out(saved.string().c_str());
        writeDrawing(out, drawing);
        ASSERT_TRUE(out.close());
    }
    PlotDrawing again;
    FileInput back(saved.string().c_str());
    readDrawing(back, again);
    EXPECT_FALSE(back.failed());
    EXPECT_EQ(test::written(again), first);
    EXPECT_EQ(again.minX, drawing.minX);
    EXPECT_EQ(again.maxY, drawing.maxY);
    EXPECT_DOUBLE_EQ(again.totalTravel, drawing.totalTravel);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Corpus,
    ::testing::Values(CorpusCase{"chiplotle_foal_penplotter_art.hpgl", false},
                      CorpusCase{"chiplotle_import_testsuite.hpgl", false},
                      CorpusCase{"hp2xx_acad_autocad.hp", false},
                      CorpusCase{"hp2xx_cp_hp7550a_manual_labels.hp", false},
                      CorpusCase{"hp2xx_inter_gks_vaxvms.hp", false},
                      // Its instructions end at line ends, and the last has no ";".
                      CorpusCase{"hp2xx_la_testsuite_relative.hp", true},
                      CorpusCase{"hp2xx_win1_mswindows_driver.hp", false},
                      CorpusCase{"hp8595e_spectrum_analyzer.hpgl", false},
                      CorpusCase{"hpgl2_pcl_pe_encoded_model.plt", false},
                      CorpusCase{"inkcut1_cutter_job.hpgl", false},
                      CorpusCase{"inkscape_ext_test.hpgl", false},
                      CorpusCase{"kicad_pcb_b_cu.plt", false}));

TEST(CorpusFacts, LongInstructionsAndKnownExtents) {
    const auto dir = test::corpusDir();
    if (dir.empty()) GTEST_SKIP() << "the shared HP-GL corpus is not beside the repository";
    struct Fact {
        const char* file;
        std::int32_t minX, minY, maxX, maxY;
        double travelMm;  // approximate
    } facts[] = {
        // Inkscape's export: PD instructions of over 1,400 characters.
        {"inkscape_ext_test.hpgl", 0, 0, 7419, 5447, 533},
        // A cutter job with one PD a point, parked past the job at the end.
        {"inkcut1_cutter_job.hpgl", 150, 150, 1592, 5378, 683},
    };
    for (const Fact& f : facts) {
        PlotDrawing d;
        FileInput in((dir / f.file).string().c_str());
        readDrawing(in, d);
        ASSERT_FALSE(in.failed()) << f.file;
        EXPECT_EQ(d.minX, f.minX) << f.file;
        EXPECT_EQ(d.minY, f.minY) << f.file;
        EXPECT_EQ(d.maxX, f.maxX) << f.file;
        EXPECT_EQ(d.maxY, f.maxY) << f.file;
        EXPECT_NEAR(d.totalTravel / 40, f.travelMm, 1.0) << f.file;
    }
}

}  // namespace
}  // namespace kerfline
