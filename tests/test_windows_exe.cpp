// The Windows program as a file and as shipped: a 64-bit console program
// that imports nothing but DLLs every Windows has, and the release zip.
#include "tests/support/wine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

size_t countOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The DLLs a 64-bit Windows always has in its system directory.
const std::set<std::string> SYSTEM_DLLS = {
    "ADVAPI32.DLL", "GDI32.DLL",  "GLU32.DLL", "KERNEL32.DLL",
    "MSVCRT.DLL",   "OPENGL32.DLL", "USER32.DLL", "WINMM.DLL",
};

TEST(WindowsExe, IsA64BitConsoleProgramImportingOnlySystemDlls)
{
    ASSERT_TRUE(fs::is_regular_file(windowsExePath())) << "no program at " << windowsExePath();
    const std::string objdump = "x86_64-w64-mingw32-objdump";
    ASSERT_FALSE(findOnPath(objdump).empty())
        << objdump << " is not on PATH (Debian: binutils-mingw-w64-x86-64)";
    const CommandResult header = runCommand({objdump, "-p", windowsExePath()});
    ASSERT_TRUE(header.finished && header.status == 0) << header.output;

    EXPECT_NE(header.output.find("file format pei-x86-64"), std::string::npos) << header.output;
    // The console subsystem: Windows gives the program a console window.
    std::istringstream lines(header.output);
    std::string line, subsystem;
    std::set<std::string> imports;
    while (std::getline(lines, line)) {
        if (line.rfind("Subsystem", 0) == 0) {
            subsystem = line;
        }
        const size_t at = line.find("DLL Name: ");
        if (at != std::string::npos) {
            imports.insert(upper(line.substr(at + 10)));
        }
    }
    EXPECT_NE(subsystem.find("(Windows CUI)"), std::string::npos) << subsystem;

    // Nothing that would have to sit beside the program (freeglut.dll,
    // libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll).
    EXPECT_TRUE(imports.count("OPENGL32.DLL"));
    for (const std::string& dll : imports) {
        EXPECT_TRUE(SYSTEM_DLLS.count(dll)) << dll << " is not a DLL every Windows has";
    }
    // Hardened: address-space randomisation, no executable data, libssp's stack guard.
    EXPECT_NE(header.output.find("HIGH_ENTROPY_VA\n\t\t\t\t\tDYNAMIC_BASE\n\t\t\t\t\tNX_COMPAT"), std::string::npos);
    EXPECT_NE(readFile(windowsExePath()).find("*** stack smashing detected ***"), std::string::npos);
    std::string list;
    for (const std::string& dll : imports) {
        list += " " + dll;
    }
    std::printf("%s: %ju bytes, imports%s\n", windowsExePath(),
                static_cast<std::uintmax_t>(fs::file_size(windowsExePath())), list.c_str());
}

struct ZipEntry {
    const char* name;
    std::vector<std::string> mustSay;  // text the file must contain
};

TEST(WindowsRelease, ZipHoldsTheProgramItsReadmeAndTheLicencesOfWhatIsLinkedIn)
{
    const fs::path exe = windowsExePath();
    const std::string name = "materials-lights-" ML_PROJECT_VERSION "-windows-x64";
    const fs::path zip = exe.parent_path() / (name + ".zip");
    ASSERT_TRUE(fs::is_regular_file(zip)) << "no release zip at " << zip;
    // Written under a temporary name, then renamed: nothing of it is left.
    for (const auto& entry : fs::directory_iterator(exe.parent_path())) {
        EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos)
            << entry.path();
    }

    char dir[] = "/tmp/ml-release-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const CommandResult unpacked = runCommand({ML_CMAKE_COMMAND, "-E", "chdir", dir,
                                               ML_CMAKE_COMMAND, "-E", "tar", "xf", zip.string()});
    ASSERT_TRUE(unpacked.finished && unpacked.status == 0) << unpacked.output;
    const fs::path folder = fs::path(dir) / name;

    const ZipEntry entries[] = {
        {"materials-lights.exe", {}},
        {"README.txt",
         {"Materiels et lumieres OpenGL", "It needs no installation", "console window",
          "Erreur OpenGL", "Page Up / Page Down", "Escape", "LICENSES.txt"}},
        {"LICENSES.txt",
         {"Copyright (c) 2026 The materials-lights authors", "LICENSE-freeglut.txt",
          "LICENSE-mingw-w64-runtime.txt", "Runtime Library Exception"}},
        {"LICENSE-freeglut.txt", {"Pawel W. Olszta", "Permission is hereby granted"}},
        {"LICENSE-mingw-w64-runtime.txt", {"mingw-w64", "ZPL-2.1"}},
    };
    std::set<std::string> expected;
    for (const ZipEntry& entry : entries) {
        SCOPED_TRACE(entry.name);
        expected.insert(entry.name);
        const std::string text = readFile(folder / entry.name);
        ASSERT_FALSE(text.empty());
        for (const std::string& part : entry.mustSay) {
            EXPECT_NE(text.find(part), std::string::npos) << "missing: " << part;
        }
        // Text files with Windows line ends, which every editor there shows.
        if (fs::path(entry.name).extension() == ".txt") {
            EXPECT_EQ(countOf(text, "\r\n"), countOf(text, "\n")) << "lines ending in a bare LF";
        }
    }
    EXPECT_EQ(readFile(folder / "materials-lights.exe"), readFile(exe)) << "not the built program";
    // A release's zip holds the pages too (tests/test_release.cpp).
    if (fs::exists(folder / "materials-lights.html")) {
        expected.insert({"materials-lights.html", "materials-lights-lab.html", "LICENSE-pages.txt"});
    }
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        found.insert(entry.path().filename().string());
    }
    EXPECT_EQ(found, expected);
    // The zip holds that one folder and nothing beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    fs::remove_all(dir);
}

TEST(WindowsSetup, WithoutAptSaysInOneLineWhatToInstallAndBuildsNothing)
{
    // A copy of setup.sh in a folder of its own, run with a PATH that has
    // what it needs to start but no apt-get: the folder must stay empty.
    const std::vector<std::string> commands[] = {{"windows"}, {"windows", "test"}};
    for (const std::vector<std::string>& command : commands) {
        SCOPED_TRACE(command.back());
        char dir[] = "/tmp/ml-setup-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        const fs::path root = dir;
        fs::create_directory(root / "bin");
        fs::create_symlink(findOnPath("dirname"), root / "bin" / "dirname");
        fs::copy_file(ML_SOURCE_DIR "/setup.sh", root / "setup.sh");

        std::vector<std::string> argv{"/bin/bash", (root / "setup.sh").string()};
        argv.insert(argv.end(), command.begin(), command.end());
        const CommandResult run = runCommand(argv, {"PATH=" + (root / "bin").string()});
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        for (const char* named : {"apt-get", "mingw-w64", "freeglut", "Wine"}) {
            EXPECT_NE(run.output.find(named), std::string::npos) << named << ": " << run.output;
        }
        std::set<std::string> left;
        for (const auto& entry : fs::directory_iterator(root)) {
            left.insert(entry.path().filename().string());
        }
        EXPECT_EQ(left, (std::set<std::string>{"bin", "setup.sh"}));
        fs::remove_all(root);
    }
}

}  // namespace
