// The Windows Installer package as a user meets it: installed silently with
// msiexec, a plot file double-clicked through the association, installed
// again, upgraded from an older version, uninstalled. Runs under Wine in a
// prefix of its own (installer/check), since it changes the machine.
//
//   KERF_MSI          the package under test (the x64 twin of the release)
//   KERF_REBUILT_MSI  the same version packaged again (a new product code)
//   KERF_OLDER_MSI    the same program packaged as an older version
//   KERF_SOURCE_DIR   the source tree, for the files the package holds
#include "running_program.h"

#include <gtest/gtest.h>
#include <msi.h>
#include <msiquery.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace kerfline::test {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kMsiexecTimeoutMs = 180000;
constexpr std::string_view kProgId = "Kerfline.Plot";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? toWindowsPath(value) : std::string();
}

std::string folderOf(int csidl) {
    char folder[MAX_PATH] = {};
    EXPECT_EQ(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder), S_OK) << csidl;
    return folder;
}

// Where a per-machine x64 install must put things.
std::string installFolder() { return folderOf(CSIDL_PROGRAM_FILES) + "\\Kerfline"; }
std::string installedExe() { return installFolder() + "\\kerfline.exe"; }

bool underWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// A per-machine install puts its shortcut into the Start menu of all users.
// Wine's installer always takes the current user's Programs folder for it.
std::string startMenuShortcut() {
    return folderOf(underWine() ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS) + "\\Kerfline.lnk";
}
std::string windowsFile(const char* name) { return folderOf(CSIDL_WINDOWS) + "\\" + name; }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

// Runs a program to its end; its exit code, or nullopt when it did not start
// or had to be stopped.
std::optional<DWORD> runToEnd(const std::string& exe, const std::string& arguments) {
    // msiexec reads its own command line: the arguments go as they are.
    std::string commandLine = quoteArgument(exe) + " " + arguments;
    // What the program prints goes nowhere.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process{};
    const DWORD startError = startRetryingWine([&] {
        return CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                              nullptr, &startup, &process) != 0;
    });
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (startError != 0) return std::nullopt;
    std::optional<DWORD> code;
    if (WaitForSingleObject(process.hProcess, kMsiexecTimeoutMs) == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        if (GetExitCodeProcess(process.hProcess, &exitCode)) code = exitCode;
    } else {
        TerminateProcess(process.hProcess, 999);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::optional<DWORD> msiexec(const std::string& arguments) {
    return runToEnd(folderOf(CSIDL_SYSTEM) + "\\msiexec.exe", arguments);
}

std::optional<DWORD> install(const std::string& msi) {
    return msiexec("/i " + quoteArgument(msi) + " /qn");
}

// A property of the package's Property table, read with the installer's own
// database functions.
std::string packageProperty(const std::string& msi, const char* name) {
    MSIHANDLE database = 0, view = 0, record = 0;
    std::string value;
    if (MsiOpenDatabaseA(msi.c_str(), MSIDBOPEN_READONLY, &database) == ERROR_SUCCESS) {
        const std::string query =
            std::string("SELECT `Value` FROM `Property` WHERE `Property` = '") + name + "'";
        if (MsiDatabaseOpenViewA(database, query.c_str(), &view) == ERROR_SUCCESS &&
            MsiViewExecute(view, 0) == ERROR_SUCCESS && MsiViewFetch(view, &record) == ERROR_SUCCESS) {
            char text[256] = {};
            DWORD size = sizeof text;
            if (MsiRecordGetStringA(record, 1, text, &size) == ERROR_SUCCESS) value = text;
        }
    }
    for (MSIHANDLE handle : {record, view, database})
        if (handle != 0) MsiCloseHandle(handle);
    return value;
}

// Product codes of every installed product of the upgrade code.
std::vector<std::string> installedProducts(const std::string& upgradeCode) {
    std::vector<std::string> products;
    char product[39] = {};
    for (DWORD index = 0;
         MsiEnumRelatedProductsA(upgradeCode.c_str(), 0, index, product) == ERROR_SUCCESS; ++index)
        products.emplace_back(product);
    return products;
}

std::string installedVersion(const std::string& productCode) {
    char version[64] = {};
    DWORD size = sizeof version;
    if (MsiGetProductInfoA(productCode.c_str(), INSTALLPROPERTY_VERSIONSTRING, version, &size) !=
        ERROR_SUCCESS)
        return {};
    return version;
}

// A registry value as text; nullopt when the key or the value is missing.
// An empty `name` is the key's default value.
std::optional<std::string> registryText(HKEY root, const std::string& key, const std::string& name) {
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    if (RegGetValueA(root, key.c_str(), name.empty() ? nullptr : name.c_str(),
                     RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return type == REG_SZ || type == REG_EXPAND_SZ ? std::string(data) : std::string("<not text>");
}

bool keyExists(HKEY root, const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

void deleteKey(HKEY root, const std::string& key) { RegDeleteTreeA(root, key.c_str()); }

void setText(HKEY root, const std::string& key, const std::string& name, const std::string& value) {
    ASSERT_EQ(RegSetKeyValueA(root, key.c_str(), name.empty() ? nullptr : name.c_str(), REG_SZ,
                              value.c_str(), static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS)
        << key;
}

// The machine's classes, where a per-machine install writes file types.
const std::string kClasses = "Software\\Classes\\";

struct RegistryEntry {
    std::string key;   // under HKLM\Software\Classes
    std::string name;  // empty: the default value
    std::string value;
};

// What the package must register, built from the install folder.
std::vector<RegistryEntry> fileTypeEntries() {
    const std::string exe = installedExe();
    return {
        {"Kerfline.Plot", "", "Kerfline plot file"},
        {"Kerfline.Plot\\DefaultIcon", "", exe + ",0"},
        {"Kerfline.Plot\\shell\\open\\command", "", "\"" + exe + "\" \"%1\""},
        {".plt\\OpenWithProgids", "Kerfline.Plot", ""},
    };
}

// The target of a shell link, read with the shell's own link object.
std::string shortcutTarget(const std::string& link) {
    std::string target;
    IShellLinkA* shellLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shellLink)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            const std::wstring wide(link.begin(), link.end());
            char path[MAX_PATH] = {};
            if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
                SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0)))
                target = path;
            file->Release();
        }
        shellLink->Release();
    }
    return target;
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string upperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// A text of the repository as a Windows text file.
std::string withCrLf(std::string_view text) {
    std::string result;
    for (char c : text) {
        if (c == '\n') result += '\r';
        result += c;
    }
    return result;
}

class Installer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }

    void SetUp() override {
        msi_ = environment("KERF_MSI");
        olderMsi_ = environment("KERF_OLDER_MSI");
        rebuiltMsi_ = environment("KERF_REBUILT_MSI");
        sourceDir_ = environment("KERF_SOURCE_DIR");
        ASSERT_FALSE(msi_.empty()) << "KERF_MSI names no package";
        upgradeCode_ = packageProperty(msi_, "UpgradeCode");
        productCode_ = packageProperty(msi_, "ProductCode");
        ASSERT_FALSE(upgradeCode_.empty()) << msi_;
        ASSERT_FALSE(productCode_.empty()) << msi_;
        ASSERT_TRUE(installedProducts(upgradeCode_).empty()) << "Kerfline is installed already";
        // The user's files from an earlier run, and .plt as it came.
        DeleteFileA(windowsFile("kerfline.ini").c_str());
        DeleteFileA(windowsFile("kerfline.log").c_str());
        deleteKey(HKEY_LOCAL_MACHINE, kClasses + ".plt");
        deleteKey(HKEY_LOCAL_MACHINE, kClasses + "Other.Plot");
    }

    // Whatever a failed test left installed goes, for the next test.
    void TearDown() override {
        for (const std::string& product : installedProducts(upgradeCode_))
            msiexec("/x " + product + " /qn");
    }

    // `msi` installed, and nothing else of Kerfline's.
    void expectInstalled(const std::string& why, const std::string& msi) {
        SCOPED_TRACE(why);
        const std::string product = packageProperty(msi, "ProductCode");
        EXPECT_EQ(installedProducts(upgradeCode_), std::vector<std::string>{product});
        EXPECT_EQ(installedVersion(product), packageProperty(msi, "ProductVersion"));

        const std::string folder = installFolder();
        for (const char* name : {"kerfline.exe", "kerfline-cli.exe", "README.txt", "kerfline-cli.txt", "sample.plt"})
            EXPECT_TRUE(fs::is_regular_file(folder + "\\" + name)) << name;
        if (!sourceDir_.empty()) {
            EXPECT_EQ(readFile(folder + "\\sample.plt"), readFile(sourceDir_ + "\\samples\\sample.plt"));
            EXPECT_EQ(readFile(folder + "\\README.txt"),
                      withCrLf(readFile(sourceDir_ + "\\README.md")));
            EXPECT_EQ(readFile(folder + "\\kerfline-cli.txt"),
                      withCrLf(readFile(sourceDir_ + "\\docs\\cli.md")));
        }
        EXPECT_EQ(lowerCase(shortcutTarget(startMenuShortcut())), lowerCase(installedExe()));
        for (const RegistryEntry& entry : fileTypeEntries())
            EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, kClasses + entry.key, entry.name), entry.value)
                << entry.key << " " << entry.name;
    }

    void expectInstalled(const std::string& why) { expectInstalled(why, msi_); }

    // Nothing of the package left: no file, folder, shortcut, file type or
    // product registration.
    void expectNothingLeft() {
        EXPECT_TRUE(installedProducts(upgradeCode_).empty());
        EXPECT_FALSE(fs::exists(installFolder()));
        EXPECT_FALSE(fs::exists(startMenuShortcut()));
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kClasses + "Kerfline.Plot"));
        EXPECT_FALSE(registryText(HKEY_LOCAL_MACHINE, kClasses + ".plt\\OpenWithProgids",
                                  std::string(kProgId)));
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, "Software\\Kerfline"));
        for (const std::string& msi : {msi_, rebuiltMsi_, olderMsi_}) {
            if (msi.empty()) continue;
            EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE,
                                   "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                                       packageProperty(msi, "ProductCode")));
        }
    }

    std::string msi_, olderMsi_, rebuiltMsi_, sourceDir_, upgradeCode_, productCode_;
};

// Install, install again, double-click a plot file, uninstall: the life of
// the package on a machine where nothing owns .plt.
TEST_F(Installer, InstallsOpensPlotFilesAndUninstallsLeavingTheUsersFiles) {
    ASSERT_EQ(install(msi_), 0u);
    expectInstalled("after the install");
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, kClasses + ".plt", ""), std::string(kProgId));

    // The installed console tool runs (it needs no DLL the package lacks).
    EXPECT_EQ(runToEnd(installFolder() + "\\kerfline-cli.exe", "--help"), 0u);

    // The same package again: nothing changes, nothing is added.
    ASSERT_EQ(install(msi_), 0u);
    expectInstalled("after installing the same package again");

    // A plot file in a folder with a blank, opened as Explorer opens a
    // double-clicked file.
    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string folder = std::string(temp) + "Plots to cut";
    fs::create_directories(folder);
    const std::string plot = folder + "\\shop sign.plt";
    writeFile(plot, "IN;PU0,0;PD400,0,400,400;PU;");
    char fullPath[MAX_PATH] = {};
    ASSERT_GT(GetFullPathNameA(plot.c_str(), MAX_PATH, fullPath, nullptr), 0u);

    SHELLEXECUTEINFOA execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS;
    execute.lpVerb = "open";
    execute.lpFile = plot.c_str();
    execute.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExA(&execute)) << GetLastError();
    ASSERT_NE(execute.hProcess, nullptr);
    const DWORD processId = GetProcessId(execute.hProcess);
    const std::string expectedTitle = "Kerfline - " + upperCase(fullPath);
    HWND window = nullptr;
    std::string title;
    waitUntil(
        [&] {
            window = findTopLevelWindow(processId, std::string("KERFLINE"));
            title = window != nullptr ? windowText(window) : std::string();
            return title == expectedTitle;
        },
        kStartTimeout);
    EXPECT_EQ(title, expectedTitle);
    std::printf("opened through .plt: \"%s\" shows \"%s\"\n", plot.c_str(), title.c_str());
    char programPath[MAX_PATH] = {};
    DWORD programPathSize = MAX_PATH;
    QueryFullProcessImageNameA(execute.hProcess, 0, programPath, &programPathSize);
    EXPECT_EQ(lowerCase(programPath), lowerCase(installedExe()));
    // Closed by its frame, the program writes its settings.
    if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(execute.hProcess, 20000) != WAIT_OBJECT_0)
        TerminateProcess(execute.hProcess, 999);
    CloseHandle(execute.hProcess);
    fs::remove_all(folder);

    const std::string ini = readFile(windowsFile("kerfline.ini"));
    EXPECT_NE(ini.find("[kerfline]"), std::string::npos) << "the program wrote no settings";
    const std::string log = "17.12.2026 10:00 shop sign.plt plotter\r\n";
    writeFile(windowsFile("kerfline.log"), log);

    ASSERT_EQ(msiexec("/x " + quoteArgument(msi_) + " /qn"), 0u);
    expectNothingLeft();
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kClasses + ".plt"));
    EXPECT_EQ(readFile(windowsFile("kerfline.ini")), ini);
    EXPECT_EQ(readFile(windowsFile("kerfline.log")), log);
}

// A program that already opens .plt files keeps them; Kerfline only joins
// the Open With list, and leaves the other program's entries alone.
TEST_F(Installer, LeavesPlotFilesToTheProgramThatOwnsThem) {
    setText(HKEY_LOCAL_MACHINE, kClasses + ".plt", "", "Other.Plot");
    setText(HKEY_LOCAL_MACHINE, kClasses + ".plt\\OpenWithProgids", "Other.Plot", "");
    setText(HKEY_LOCAL_MACHINE, kClasses + "Other.Plot\\shell\\open\\command", "",
            "C:\\Other\\other.exe \"%1\"");

    ASSERT_EQ(install(msi_), 0u);
    expectInstalled("beside another program");
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, kClasses + ".plt", ""), std::string("Other.Plot"));
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, kClasses + ".plt\\OpenWithProgids", "Other.Plot"),
              std::string());

    ASSERT_EQ(msiexec("/x " + quoteArgument(msi_) + " /qn"), 0u);
    expectNothingLeft();
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, kClasses + ".plt", ""), std::string("Other.Plot"));
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, kClasses + ".plt\\OpenWithProgids", "Other.Plot"),
              std::string());
    EXPECT_EQ(registryText(HKEY_LOCAL_MACHINE, kClasses + "Other.Plot\\shell\\open\\command", ""),
              std::string("C:\\Other\\other.exe \"%1\""));
}

// An older version is replaced in place; going back over the newer one is
// refused and changes nothing.
TEST_F(Installer, UpgradesAnOlderVersionInPlaceAndRefusesToGoBack) {
    ASSERT_FALSE(olderMsi_.empty()) << "KERF_OLDER_MSI names no package";
    const std::string olderProduct = packageProperty(olderMsi_, "ProductCode");
    ASSERT_EQ(packageProperty(olderMsi_, "UpgradeCode"), upgradeCode_);
    ASSERT_EQ(install(olderMsi_), 0u);
    ASSERT_EQ(installedProducts(upgradeCode_), std::vector<std::string>{olderProduct});
    EXPECT_EQ(installedVersion(olderProduct), packageProperty(olderMsi_, "ProductVersion"));

    ASSERT_EQ(install(msi_), 0u);
    expectInstalled("after the upgrade");
    EXPECT_TRUE(installedVersion(olderProduct).empty());

    // 1603: the installation failed (the launch condition against a newer
    // version stops it).
    EXPECT_EQ(install(olderMsi_), 1603u);
    expectInstalled("after trying to install the older version again");

    ASSERT_EQ(msiexec("/x " + quoteArgument(msi_) + " /qn"), 0u);
    expectNothingLeft();
}

// The same version packaged again, as every build of the package has a
// product code of its own: it takes the place of the installed one instead
// of going in beside it.
TEST_F(Installer, ReplacesTheSameVersionPackagedAgain) {
    ASSERT_FALSE(rebuiltMsi_.empty()) << "KERF_REBUILT_MSI names no package";
    ASSERT_EQ(packageProperty(rebuiltMsi_, "ProductVersion"), packageProperty(msi_, "ProductVersion"));
    ASSERT_NE(packageProperty(rebuiltMsi_, "ProductCode"), productCode_);
    ASSERT_EQ(install(msi_), 0u);
    ASSERT_EQ(install(rebuiltMsi_), 0u);
    expectInstalled("after the same version packaged again", rebuiltMsi_);

    ASSERT_EQ(msiexec("/x " + quoteArgument(rebuiltMsi_) + " /qn"), 0u);
    expectNothingLeft();
}

}  // namespace
}  // namespace kerfline::test
