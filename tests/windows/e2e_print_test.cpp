// kerfline.exe's File/Print driven from the outside, on the tests' own
// print server: the Print dialog and its "Send like HP-GL" box, the raw
// path into the queue of the stand-in cutter, the driver path onto a
// PostScript queue whose page is rendered and measured, the size question,
// and the print log. The printer is the system's default, chosen before
// the program starts, since every print opens the dialog on it.
#include "print_checks.h"

#include <cmath>
#include <ctime>

#include "resources/resource.h"

namespace kerfline::test {
namespace {

constexpr int kSendLikeHpgl = 1280, kPrintToFile = 1040, kWhere = 1101, kPrinterList = 1139;
constexpr char kLongName[] = "plotter-with-a-forty-character-long-name";
static_assert(sizeof kLongName - 1 == 40);

LRESULT sendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                                    kSendTimeoutMs, &result));
    return static_cast<LRESULT>(result);
}

// The Print dialog and the size question share the caption "Print"; only
// the dialog has the printer list.
DialogWindow waitForPrint(const Kerfline& kerfline, bool dialog,
                          std::chrono::milliseconds timeout = kDialogTimeout) {
    return kerfline.waitForDialog(
        [&](HWND window) {
            return textOf(window) == L"Print" &&
                   (GetDlgItem(window, kPrinterList) != nullptr) == dialog;
        },
        timeout);
}

// Where a control sits in the dialog's client area.
RECT placeOf(const DialogWindow& dialog, int id) {
    RECT rect{};
    GetWindowRect(GetDlgItem(dialog.handle(), id), &rect);
    MapWindowPoints(nullptr, dialog.handle(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The two boxes as the user sees them, e.g. "HP-GL yes, to file no greyed".
std::string boxes(const DialogWindow& dialog) {
    const auto state = [&](int id) {
        HWND box = GetDlgItem(dialog.handle(), id);
        if (box == nullptr) return std::string("missing");
        return std::string(sendTo(box, BM_GETCHECK) == BST_CHECKED ? "yes" : "no") +
               (IsWindowEnabled(box) ? "" : " greyed");
    };
    return "HP-GL " + state(kSendLikeHpgl) + ", to file " + state(kPrintToFile);
}

// Chooses a printer in the dialog's list as a user does.
void choosePrinter(const DialogWindow& dialog, const std::wstring& name) {
    HWND list = GetDlgItem(dialog.handle(), kPrinterList);
    ASSERT_GE(sendTo(list, CB_SELECTSTRING, WPARAM(-1), LPARAM(name.c_str())), 0) << "not listed";
    sendTo(dialog.handle(), WM_COMMAND, MAKEWPARAM(kPrinterList, CBN_SELCHANGE), LPARAM(list));
    EXPECT_EQ(dialog.text(kPrinterList), name);
}

// File/Print: the dialog, what `inDialog` checks and does there, then OK.
bool printWithOk(const Kerfline& kerfline,
                 const std::function<void(const DialogWindow&)>& inDialog = {}) {
    kerfline.command(IDM_FILE_PRINT);
    const DialogWindow dialog = waitForPrint(kerfline, true);
    // A template without "Print to file" would bring a message box first.
    EXPECT_TRUE(dialog) << "no Print dialog; an error box says: "
                        << testing::PrintToString(kerfline.errorMessage(0ms));
    if (!dialog) return false;
    EXPECT_FALSE(kerfline.waitForDialog(L"Error", 0ms)) << "an error box beside the dialog";
    if (inDialog) inDialog(dialog);
    dialog.close(Close::okButton);
    return dialog.waitGone();
}

using Change = std::function<void(PlotDrawing&)>;

// One settings file, plot file and print log per test, in its own folder.
class Printing : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(environment("KERF_PLOTTER_JOBS").empty() ||
                     environment("KERF_PAPER_OUTPUT").empty())
            << "no print server: run through scripts/run-tests windows";
    }

    // An instruction that the program carries through unchanged and that
    // tells this test's jobs from any other's.
    static std::string makeTag() {
        static int count = 0;
        return "CO\"KERFLINE E2E " + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++count) + "\";";
    }

    // kerfline.exe on `source`, opened from the command line as PLOT.PLT.
    std::unique_ptr<Kerfline> start(const std::string& source) {
        writeBytes(folder.path("plot.plt"), source);
        ini.LogFile = folder.path("print.log");
        writeIni(ini);
        auto kerfline =
            std::make_unique<Kerfline>(std::vector<std::string>{folder.path("plot.plt")});
        const std::string title = "Kerfline - " + upperCase(folder.path("plot.plt"));
        if (!kerfline->ready() || kerfline->titleOnceItIs(title) != title) return nullptr;
        from = std::time(nullptr);
        return kerfline;
    }

    // The log's lines are one for each of `jobs` (`source` changed as it
    // says, on `printer`), with times since the program started.
    void expectLog(const std::string& source, const std::vector<Change>& jobs,
                   const std::string& printer) const {
        const std::time_t to = std::time(nullptr);
        std::set<std::string> stamps;  // "dd/mm/yy HH:MM" of every minute in between
        for (std::time_t time = from;; time = std::min(time + 60, to)) {
            char stamp[32];
            std::strftime(stamp, sizeof stamp, "%d/%m/%y %H:%M", std::localtime(&time));
            stamps.insert(stamp);
            if (time == to) break;
        }
        std::vector<std::string> lines;  // each with its line end
        const std::string text = fs::exists(ini.LogFile) ? readBytes(ini.LogFile) : "";
        for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
            end = std::min(text.find('\n', at), text.size() - 1);
            lines.push_back(text.substr(at, end + 1 - at));
        }
        ASSERT_EQ(lines.size(), jobs.size()) << text;
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            PlotDrawing drawing;
            MemoryInput in(source);
            readDrawing(in, drawing);
            if (jobs[i]) jobs[i](drawing);
            char travel[32];
            std::snprintf(travel, sizeof travel, "%.6g",
                          std::floor(drawing.totalTravel * 0.025 + 0.5));
            EXPECT_TRUE(stamps.contains(lines[i].substr(0, 14))) << "time of " << lines[i];
            EXPECT_EQ(lines[i].substr(std::min<std::size_t>(14, lines[i].size())),
                      ",PLOT.PLT," + std::to_string((drawing.maxX - drawing.minX) / 40) + "," +
                          std::to_string((drawing.maxY - drawing.minY) / 40) + "," + travel + "," +
                          printer + "\r\n");
        }
    }

    // Exit through the menu; the settings file then holds our settings with
    // DefaultDir the plot's folder and PrintLikeHPGL as given.
    void expectExit(const Kerfline& kerfline, int printLikeHpgl) const {
        EXPECT_EQ(kerfline.endWith(WM_COMMAND, IDM_FILE_EXIT), std::optional<DWORD>(0));
        IniValues expected = ini;
        expected.DefaultDir = upperCase(folder.path()) + "\\";
        expected.PrintLikeHPGL = printLikeHpgl;
        EXPECT_EQ(iniLines(), expected.lines());
    }

    const std::string tag = makeTag();
    ScratchFolder folder;
    IniValues ini;
    std::time_t from = 0;
};

TEST_F(Printing, RawSendsWhatSaveWritesOncePerJobWithEveryChangeAndLogsEachJob) {
    ini = {.FrameDistance = 5, .Scale_K = 50, .xMove = 3, .yMove = -4, .PrintLikeHPGL = 1};
    const std::string source = std::string(kPlot) + tag;
    const std::unique_ptr<Kerfline> kerfline = start(source);
    ASSERT_TRUE(kerfline);
    PlotterJobs jobs;
    const Change changed = [](PlotDrawing& drawing) {
        frameDrawing(drawing, 5);
        scaleDrawing(drawing, 50);
        rotateDrawing(drawing);
        moveDrawing(drawing, 3, -4);
    };
    const std::pair<std::vector<Step>, Change> rounds[] = {
        {{}, {}},
        {{{IDM_IMAGE_FRAME, L"Frame", {}, Close::okButton},
          {IDM_IMAGE_SCALE, L"Scale", {}, Close::okButton},
          {IDM_IMAGE_ROTATE, L"Rotate", {}, Close::okButton},
          {IDM_IMAGE_MOVE, L"Move", {}, Close::okButton}},
         changed},
    };
    std::optional<std::array<RECT, 2>> firstPlaces;
    for (const auto& [steps, change] : rounds) {
        SCOPED_TRACE(steps.empty() ? "as opened" : "framed, scaled, rotated, moved, not saved");
        runSteps(*kerfline, steps);
        ASSERT_TRUE(printWithOk(*kerfline, [&](const DialogWindow& dialog) {
            EXPECT_EQ(dialog.text(kPrinterList), L"plotter");
            EXPECT_EQ(boxes(dialog), "HP-GL yes, to file no greyed");
            EXPECT_EQ(dialog.text(kSendLikeHpgl), L"Send like HP-GL");
            // Directly above "Print to file", as wide and as high.
            const RECT box = placeOf(dialog, kSendLikeHpgl), file = placeOf(dialog, kPrintToFile);
            EXPECT_EQ(box.left, file.left);
            EXPECT_EQ(box.right, file.right);
            EXPECT_NEAR(box.bottom - box.top, file.bottom - file.top, 1);
            EXPECT_NEAR(box.bottom, file.top, 1);
            // The template of the first print serves the second unchanged.
            if (!firstPlaces) firstPlaces = {box, file};
            EXPECT_TRUE(EqualRect(&box, &(*firstPlaces)[0]) &&
                        EqualRect(&file, &(*firstPlaces)[1]));
        }));
        EXPECT_EQ(jobs.holding(tag, 30s), std::vector<std::string>{savedBytes(source, change)})
            << jobs.serverSays();
    }
    expectLog(source, {{}, changed}, "plotter");
    expectExit(*kerfline, 1);
}

TEST_F(Printing, TheBoxGreysPrintToFileNarrowsWhereAndOnlyOkStoresIt) {
    ini.PrintLikeHPGL = 0;
    const std::string source = "IN;PU400,400;PD4400,400,4400,4400;" + tag;
    const std::unique_ptr<Kerfline> kerfline = start(source);
    ASSERT_TRUE(kerfline);
    PlotterJobs jobs;
    kerfline->command(IDM_FILE_PRINT);
    const DialogWindow dialog = waitForPrint(*kerfline, true);
    ASSERT_TRUE(dialog);
    const std::tuple<const char*, int, const char*> clicks[] = {
        {"as the setting says", 0, "HP-GL no, to file no"},
        {"print to file ticked", kPrintToFile, "HP-GL no, to file yes"},
        {"the box ticked", kSendLikeHpgl, "HP-GL yes, to file no greyed"},
        {"and unticked", kSendLikeHpgl, "HP-GL no, to file no"},
        {"and ticked again", kSendLikeHpgl, "HP-GL yes, to file no greyed"},
    };
    for (const auto& [what, id, expected] : clicks) {
        if (id != 0) sendTo(GetDlgItem(dialog.handle(), id), BM_CLICK);
        EXPECT_EQ(boxes(dialog), expected) << what;
    }

    // "Where:" reaches under the box until another printer is chosen; then
    // it stops where the box begins.
    const RECT box = placeOf(dialog, kSendLikeHpgl), where = placeOf(dialog, kWhere);
    EXPECT_GT(where.right, box.left);
    choosePrinter(dialog, L"paper");
    const RECT narrowed = placeOf(dialog, kWhere);
    EXPECT_EQ(narrowed.left, where.left);
    EXPECT_EQ(narrowed.right, box.left);
    EXPECT_EQ(narrowed.bottom - narrowed.top, where.bottom - where.top);
    EXPECT_EQ(boxes(dialog), "HP-GL yes, to file no greyed") << "after the printer changed";

    // Cancel: nothing sent, nothing logged, the setting kept.
    dialog.close(Close::cancelButton);
    ASSERT_TRUE(dialog.waitGone());
    EXPECT_EQ(jobs.holding(tag, kQuietWait), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(ini.LogFile));

    // OK, ticked, on the printer whose name is longer than a DEVMODE's 31
    // characters: sent there and logged under its whole name.
    ASSERT_TRUE(printWithOk(*kerfline, [&](const DialogWindow& again) {
        EXPECT_EQ(again.text(kPrinterList), L"plotter") << "the default printer again";
        EXPECT_EQ(boxes(again), "HP-GL no, to file no");
        sendTo(GetDlgItem(again.handle(), kSendLikeHpgl), BM_CLICK);
        EXPECT_EQ(boxes(again), "HP-GL yes, to file no greyed");
        const std::string name = kLongName;
        choosePrinter(again, std::wstring(name.begin(), name.end()));
    }));
    EXPECT_EQ(jobs.holding(tag, 30s), std::vector<std::string>{savedBytes(source)})
        << jobs.serverSays();
    expectLog(source, {Change()}, kLongName);
    expectExit(*kerfline, 1);
}

// The driver path, on the PostScript queue as the default printer.
class PrintingOnPaper : public Printing {
protected:
    void SetUp() override {
        Printing::SetUp();
        ASSERT_TRUE(paper.set());
        page = printerPage("paper");
        ASSERT_TRUE(page);
        std::error_code error;
        fs::remove(paperOutput(), error);
    }

    DefaultPrinter paper{"paper"};
    std::optional<PrinterPage> page;
    const PrintServerLog server;
};

TEST_F(PrintingOnPaper, ADrawingThatFitsIsTrueToScaleFromTheLowerLeftCorner) {
    // 100 mm long, from (10 mm, 10 mm).
    const std::string source = "IN;PU400,400;PD4400,400;" + tag;
    ASSERT_LT(4400 / 40, page->mmWide) << "the drawing must fit the page";
    const std::unique_ptr<Kerfline> kerfline = start(source);
    ASSERT_TRUE(kerfline);
    ASSERT_TRUE(printWithOk(*kerfline, [](const DialogWindow& dialog) {
        EXPECT_EQ(dialog.text(kPrinterList), L"paper");
        EXPECT_EQ(boxes(dialog), "HP-GL no, to file no");
    }));
    ASSERT_FALSE(waitForPaper(60s, server).empty())
        << (waitForPrint(*kerfline, false, 0ms) ? "the size question came"
                                                : "no PostScript job; " + server.account());

    const std::optional<RenderedPage> ink = renderPaper(page->dpi);
    ASSERT_TRUE(ink);
    EXPECT_NEAR(ink->width, page->paperWide, 1) << "rendered at the printer's resolution";
    EXPECT_NEAR(ink->height, page->paperHigh, 1);
    const double perMmX = page->pixelsPerMmX(), perMmY = page->pixelsPerMmY();
    EXPECT_NEAR(ink->right - ink->left, 100 * perMmX, 2) << "100 mm long";
    EXPECT_NEAR(ink->left, page->offsetX + 10 * perMmX, 2) << "10 mm from the printable left edge";
    EXPECT_NEAR((ink->top + ink->bottom) / 2.0, page->offsetY + page->pixelsHigh - 10 * perMmY, 2)
        << "10 mm above the printable bottom edge";
    EXPECT_LE(ink->bottom - ink->top, 2) << "one line, nothing else";
    expectLog(source, {Change()}, "paper");
    expectExit(*kerfline, 0);
}

TEST_F(PrintingOnPaper, ALargerDrawingIsFittedToThePageOnlyIfTheUserAgrees) {
    // 400 x 100 mm from the origin: wider than any page here.
    const std::string source = "IN;PU0,0;PD16000,0,16000,4000,0,4000,0,0;" + tag;
    const std::unique_ptr<Kerfline> kerfline = start(source);
    ASSERT_TRUE(kerfline);
    for (const WPARAM answer : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(answer == IDOK ? "OK" : "Cancel");
        ASSERT_TRUE(printWithOk(*kerfline));
        const DialogWindow question = waitForPrint(*kerfline, false);
        ASSERT_TRUE(question) << "no size question";
        std::wstring text;
        for (const std::wstring& piece : question.statics()) text += piece;
        if (const std::size_t crlf = text.find(L"\r\n"); crlf != std::wstring::npos)
            text.erase(crlf, 1);
        EXPECT_EQ(text, L"Изображение слишком большое.\nУменьшить до размеров листа?");
        EXPECT_TRUE(GetDlgItem(question.handle(), IDOK) && GetDlgItem(question.handle(), IDCANCEL));
        PostMessageW(question.handle(), WM_COMMAND, answer, 0);
        ASSERT_TRUE(question.waitGone());
        if (answer == IDCANCEL) {
            EXPECT_FALSE(waitUntil([] { return fs::exists(paperOutput()); }, kQuietWait));
            EXPECT_FALSE(fs::exists(ini.LogFile));
        }
    }
    ASSERT_FALSE(waitForPaper(60s, server).empty()) << "no PostScript job; " << server.account();
    // The whole drawing on the printable area, its upper-left corner on the
    // area's, its proportions kept.
    const std::optional<RenderedPage> ink = renderPaper(page->dpi);
    ASSERT_TRUE(ink);
    EXPECT_NEAR(ink->left, page->offsetX, 2);
    EXPECT_NEAR(ink->top, page->offsetY, 2);
    EXPECT_NEAR(ink->right - ink->left, page->pixelsWide, 2);
    EXPECT_NEAR(ink->bottom - ink->top, page->pixelsWide / 4.0, 2);
    expectLog(source, {Change()}, "paper");
    expectExit(*kerfline, 0);
}

}  // namespace
}  // namespace kerfline::test
