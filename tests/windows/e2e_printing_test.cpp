// kerfline.exe printing through the tests' own print server: the Print
// dialog with its "Send like HP-GL" box, the raw path into the queue that
// stands in for the cutter, the driver path onto a PostScript queue whose
// page is measured in the driver's own pixels, the size question, and the
// print log. Printers are chosen in the dialog's list, as a user does.
#include "program_driver.h"

#include <cmath>
#include <cstdlib>
#include <regex>
#include <cstdio>
#include <set>

#include "resources/resource.h"

namespace kerfline::test {
namespace {

namespace fs = std::filesystem;

constexpr int kSendLikeHpgl = 1280, kPrintToFile = 1040;
constexpr const char* kLongPrinter = "plotter-with-a-forty-character-long-name";
const std::string kLog = "C:\\windows\\kerfline-e2e-print.log";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Chooses a printer in the dialog's list, as a user does; the dialog opens
// on the system's default printer ("plotter").
void choosePrinter(const DialogWindow& dialog, const std::string& name) {
    constexpr int kPrinterList = 1139;
    HWND list = GetDlgItem(dialog.handle(), kPrinterList);
    ASSERT_NE(list, nullptr);
    const std::wstring wide(name.begin(), name.end());
    const LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(wide.c_str()));
    ASSERT_NE(index, CB_ERR) << name << " is not in the printer list";
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog.handle(), WM_COMMAND, MAKEWPARAM(kPrinterList, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(dialog.text(kPrinterList), wide);
}

// The jobs the listener standing in for the cutter has received whole.
std::set<fs::path> cutterJobs() {
    std::set<fs::path> jobs;
    std::error_code error;
    for (const auto& entry :
         fs::directory_iterator(toWindowsPath(environment("KERF_PLOTTER_JOBS")), error))
        if (entry.path().extension() == ".bin") jobs.insert(entry.path());
    return jobs;
}

// The one job that arrives after `before`, or "<none>".
std::string nextCutterJob(const std::set<fs::path>& before) {
    std::set<fs::path> now;
    waitUntil([&] { return (now = cutterJobs()).size() > before.size(); }, 30s);
    std::this_thread::sleep_for(500ms);  // a second job would be a fault
    now = cutterJobs();
    EXPECT_EQ(now.size(), before.size() + 1) << "one print, one job";
    for (const fs::path& job : now)
        if (!before.count(job)) return readBytes(job);
    return "<none>";
}

std::vector<std::string> logLines() {
    std::vector<std::string> lines;
    std::error_code error;
    if (!fs::exists(kLog, error)) return lines;
    std::string text = readBytes(kLog);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            ADD_FAILURE() << "a log line without CR LF";
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// What the log must say after the time for a drawing printed to `printer`.
std::string logTail(std::string_view source, const std::function<void(PlotDrawing&)>& change,
                    const std::string& printer) {
    PlotDrawing drawing;
    MemoryInput in(source);
    readDrawing(in, drawing);
    if (change) change(drawing);
    const auto mm = [](std::int64_t units) { return std::to_string(units / 40); };
    const double travel = std::floor(drawing.totalTravel * 0.025 + 0.5);
    return ",PLOT.PLT," + mm(std::int64_t{drawing.maxX} - drawing.minX) + "," +
           mm(std::int64_t{drawing.maxY} - drawing.minY) + "," +
           std::to_string(static_cast<long long>(travel)) + "," + printer;
}

void expectLogLine(const std::string& line, const std::string& tail) {
    static const std::regex time(R"(^\d\d/\d\d/\d\d \d\d:\d\d,)");
    EXPECT_TRUE(std::regex_search(line, time)) << line;
    EXPECT_TRUE(line.size() > tail.size() &&
                line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
        << line << " should end in " << tail;
}

bool ticked(const DialogWindow& dialog, int id) {
    return SendMessageW(GetDlgItem(dialog.handle(), id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
bool enabled(const DialogWindow& dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog.handle(), id)) != FALSE;
}

// A drawing of its own in a scratch folder, opened from the command line.
class Printing : public ::testing::Test {
protected:
    void SetUp() override {
        if (environment("KERF_PLOTTER_JOBS").empty())
            GTEST_SKIP() << "no print server: run through scripts/run-tests windows";
        std::error_code error;
        fs::remove(kLog, error);
    }
    void TearDown() override {
        std::error_code error;
        fs::remove(kLog, error);
    }

    std::unique_ptr<Kerfline> start(std::string_view plot, int printLikeHpgl) {
        writeBytes(folder_.path("plot.plt"), plot);
        IniValues settings;
        settings.LogFile = kLog;
        settings.PrintLikeHPGL = printLikeHpgl;
        writeIni(settings);
        auto kerfline =
            std::make_unique<Kerfline>(std::vector<std::string>{folder_.path("plot.plt")});
        EXPECT_TRUE(kerfline->ready());
        return kerfline;
    }

    // File/Print up to the dialog, with the added box where it belongs.
    static DialogWindow printDialog(const Kerfline& kerfline) {
        const DialogWindow dialog = kerfline.openDialog(IDM_FILE_PRINT, L"Print");
        EXPECT_TRUE(dialog && GetDlgItem(dialog.handle(), kSendLikeHpgl)) << "no Send like HP-GL";
        EXPECT_EQ(dialog.text(kSendLikeHpgl), L"Send like HP-GL");
        return dialog;
    }

    ScratchFolder folder_;
};

TEST_F(Printing, TheBoxDecidesThePathAndRawJobsAreWhatSaveWrites) {
    auto kerfline = start(kPlot, 0);
    ASSERT_TRUE(kerfline->ready());
    const auto before = cutterJobs();

    // The two boxes exclude each other; Cancel keeps the setting and prints nothing.
    DialogWindow dialog = printDialog(*kerfline);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(ticked(dialog, kSendLikeHpgl));
    EXPECT_TRUE(enabled(dialog, kPrintToFile));
    SendMessageW(GetDlgItem(dialog.handle(), kPrintToFile), BM_CLICK, 0, 0);
    SendMessageW(GetDlgItem(dialog.handle(), kSendLikeHpgl), BM_CLICK, 0, 0);
    EXPECT_TRUE(ticked(dialog, kSendLikeHpgl));
    EXPECT_FALSE(ticked(dialog, kPrintToFile));
    EXPECT_FALSE(enabled(dialog, kPrintToFile));
    SendMessageW(GetDlgItem(dialog.handle(), kSendLikeHpgl), BM_CLICK, 0, 0);
    EXPECT_TRUE(enabled(dialog, kPrintToFile));
    EXPECT_FALSE(ticked(dialog, kPrintToFile));
    dialog.close(Close::cancelButton);
    ASSERT_TRUE(dialog.waitGone());

    // Ticked and OK: the drawing goes to the cutter as File/Save writes it.
    dialog = printDialog(*kerfline);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(ticked(dialog, kSendLikeHpgl)) << "Cancel must not have stored the box";
    SendMessageW(GetDlgItem(dialog.handle(), kSendLikeHpgl), BM_CLICK, 0, 0);
    dialog.close(Close::okButton);
    ASSERT_TRUE(dialog.waitGone());
    EXPECT_EQ(nextCutterJob(before), savedBytes(kPlot));

    // Changed and not saved: sent as it now is; the box opens ticked, and
    // the template made for the first print serves the second.
    runSteps(*kerfline, {{IDM_IMAGE_FRAME, L"Frame", {}, Close::okButton},
                         {IDM_IMAGE_ROTATE, L"Rotate", {}, Close::okButton}});
    dialog = printDialog(*kerfline);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(ticked(dialog, kSendLikeHpgl));
    EXPECT_FALSE(enabled(dialog, kPrintToFile));
    const auto second = cutterJobs();
    dialog.close(Close::okButton);
    ASSERT_TRUE(dialog.waitGone());
    const auto changed = [](PlotDrawing& d) {
        frameDrawing(d, 10);
        rotateDrawing(d);
    };
    EXPECT_EQ(nextCutterJob(second), savedBytes(kPlot, changed));
    EXPECT_EQ(kerfline->errorMessage(kQuietWait), L"") << "no message after a print";

    const std::vector<std::string> lines = logLines();
    ASSERT_EQ(lines.size(), 2u) << "one line a job, none for the cancelled one";
    expectLogLine(lines[0], logTail(kPlot, {}, "plotter"));
    expectLogLine(lines[1], logTail(kPlot, changed, "plotter"));

    EXPECT_EQ(kerfline->endWith(WM_COMMAND, IDM_FILE_EXIT), 0u);
    const std::vector<std::string> ini = iniLines();
    EXPECT_NE(std::find(ini.begin(), ini.end(), "PrintLikeHPGL=1"), ini.end());
}

TEST_F(Printing, APrinterWithALongNameIsUsedAndLoggedByItsWholeName) {
    ASSERT_EQ(std::string(kLongPrinter).size(), 40u);
    auto kerfline = start(kPlot, 1);
    ASSERT_TRUE(kerfline->ready());
    const auto before = cutterJobs();
    const DialogWindow dialog = printDialog(*kerfline);
    ASSERT_TRUE(dialog);
    choosePrinter(dialog, kLongPrinter);
    dialog.close(Close::okButton);
    ASSERT_TRUE(dialog.waitGone());
    EXPECT_EQ(nextCutterJob(before), savedBytes(kPlot));
    const std::vector<std::string> lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    expectLogLine(lines[0], logTail(kPlot, {}, kLongPrinter));
}

// The lines the printer driver drew on the page, in its device pixels (the
// PostScript it writes strokes "X Y moveto" and "X Y lineto" in them).
struct Stroke {
    double x0, y0, x1, y1;
};
std::vector<Stroke> strokesOf(const std::string& postscript) {
    static const std::regex step(R"((-?\d+) (-?\d+) (moveto|lineto))");
    std::vector<Stroke> strokes;
    double x = 0, y = 0;
    for (std::sregex_iterator it(postscript.begin(), postscript.end(), step), end; it != end;
         ++it) {
        const double nx = std::stod((*it)[1]), ny = std::stod((*it)[2]);
        if ((*it)[3] == "lineto") strokes.push_back({x, y, nx, ny});
        x = nx, y = ny;
    }
    return strokes;
}

fs::path paperOutput() { return toWindowsPath(environment("KERF_PAPER_OUTPUT")); }

// Nothing printed on paper yet: each page is looked for anew.
void clearPaper() {
    std::error_code error;
    fs::remove(paperOutput(), error);
}

// The page the paper queue printed, once the print server has written it whole.
bool waitForPage() {
    return waitUntil(
        [&] {
            std::error_code error;
            return fs::exists(paperOutput(), error) &&
                   readBytes(paperOutput()).find("%%EOF") != std::string::npos;
        },
        60s);
}

TEST_F(Printing, ThroughTheDriverADrawingThatFitsIsPrintedAtTrueScale) {
    // 100 mm long, 10 mm right of and 10 mm above plotter (0, 0).
    const std::string_view plot = "IN;PU400,400;PD4400,400;PU0,0;";
    auto kerfline = start(plot, 0);
    ASSERT_TRUE(kerfline->ready());
    clearPaper();
    const DialogWindow dialog = printDialog(*kerfline);
    ASSERT_TRUE(dialog);
    choosePrinter(dialog, "paper");
    dialog.close(Close::okButton);
    ASSERT_TRUE(dialog.waitGone());
    ASSERT_TRUE(waitForPage()) << "no page from the paper queue";

    // The device's own measure: its printable pixels per millimetre, with
    // plotter (0, 0) at the lower-left corner of the printable area.
    HDC dc = CreateDCA("WINEPS.DRV", "paper", nullptr, nullptr);
    ASSERT_NE(dc, nullptr);
    const double perMmX = double(GetDeviceCaps(dc, HORZRES)) / GetDeviceCaps(dc, HORZSIZE);
    const double perMmY = double(GetDeviceCaps(dc, VERTRES)) / GetDeviceCaps(dc, VERTSIZE);
    const int rows = GetDeviceCaps(dc, VERTRES);
    DeleteDC(dc);
    const std::vector<Stroke> strokes = strokesOf(readBytes(paperOutput()));
    ASSERT_EQ(strokes.size(), 1u) << readBytes(paperOutput());
    const Stroke& line = strokes[0];
    EXPECT_NEAR(line.x1 - line.x0, 100 * perMmX, 2.0) << "the line's length";
    EXPECT_EQ(line.y0, line.y1);
    EXPECT_NEAR(line.x0, 10 * perMmX, 2.0) << "10 mm from the printable area's left";
    EXPECT_NEAR(line.y0, rows - 10 * perMmY, 2.0) << "10 mm above its bottom";

    const std::vector<std::string> lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    expectLogLine(lines[0], logTail(plot, {}, "paper"));
}

TEST_F(Printing, ADrawingLargerThanThePageIsPrintedOnlyAfterTheQuestion) {
    const std::string_view plot = "IN;PU400,400;PD16000,400,16000,4000;PU0,0;";  // 400 mm wide
    auto kerfline = start(plot, 0);
    ASSERT_TRUE(kerfline->ready());
    for (const bool agree : {false, true}) {
        SCOPED_TRACE(agree ? "OK" : "Cancel");
        clearPaper();
        const DialogWindow dialog = printDialog(*kerfline);
        ASSERT_TRUE(dialog);
        choosePrinter(dialog, "paper");
        dialog.close(Close::okButton);
        ASSERT_TRUE(dialog.waitGone());
        const DialogWindow question = kerfline->waitForDialog([](HWND window) {
            return textOf(window) == L"Print" && GetDlgItem(window, kSendLikeHpgl) == nullptr;
        });
        ASSERT_TRUE(question) << "no size question";
        std::wstring text;
        for (const std::wstring& piece : question.statics()) text += piece;
        std::erase(text, L'\r');
        EXPECT_TRUE(text ==
                    L"\x0418\x0437\x043E\x0431\x0440\x0430\x0436\x0435\x043D\x0438\x0435 "
                    L"\x0441\x043B\x0438\x0448\x043A\x043E\x043C "
                    L"\x0431\x043E\x043B\x044C\x0448\x043E\x0435.\n"
                    L"\x0423\x043C\x0435\x043D\x044C\x0448\x0438\x0442\x044C \x0434\x043E "
                    L"\x0440\x0430\x0437\x043C\x0435\x0440\x043E\x0432 "
                    L"\x043B\x0438\x0441\x0442\x0430?")
            << "the question's text differs";
        PostMessageW(question.handle(), WM_COMMAND, agree ? IDOK : IDCANCEL, 0);
        ASSERT_TRUE(question.waitGone());
        if (agree) {
            EXPECT_TRUE(waitForPage()) << "no page after OK";
        } else {
            std::this_thread::sleep_for(kQuietWait);
            std::error_code error;
            EXPECT_FALSE(fs::exists(paperOutput(), error)) << "printed after Cancel";
        }
        EXPECT_EQ(logLines().size(), agree ? 1u : 0u);
    }
    const std::vector<std::string> lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    expectLogLine(lines[0], logTail(plot, {}, "paper"));
}

}  // namespace
}  // namespace kerfline::test
