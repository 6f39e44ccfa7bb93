// The release ./setup.sh release leaves in dist/: the Debian package
// unpacked with dpkg-deb and its programs run from there, its manual pages
// rendered by man, lintian's verdict, the Windows zip and the checksums.
// The pages of both open in Chromium in tests/web/release.test.mjs.
#include "tests/support/e2e.h"
#include "tests/support/program_run.h"
#include "tools/common/png_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string DIST = ML_RELEASE_DIR;
const std::string VERSION = ML_PROJECT_VERSION;
const std::string DEB = DIST + "/materials-lights_" + VERSION + "_amd64.deb";
const std::string ZIP_NAME = "materials-lights-" + VERSION + "-windows-x64";

// The package's files in a fresh folder, as dpkg-deb -x lays them out.
struct UnpackedDeb {
    TempDir root;
    UnpackedDeb()
    {
        const ProgramRun r = runProgram(ML_DPKG_DEB, {"-x", DEB, root.path()});
        if (!r.exited || r.status != 0) {
            ADD_FAILURE() << "dpkg-deb -x " << DEB << ": " << r.err;
        }
    }
    std::string operator/(const std::string& path) const { return root / path; }
};

// The rest of the line that starts with `start`, or "?" when none does.
std::string lineAfter(const std::string& text, const std::string& start)
{
    const std::string::size_type at = ("\n" + text).find("\n" + start);
    return at == std::string::npos ? "?"
                                   : text.substr(at + start.size(),
                                                 text.find('\n', at) - at - start.size());
}

TEST(ReleasePackage, HoldsProgramsPagesEntriesIconsManualPagesAndCopyright)
{
    const UnpackedDeb deb;
    const char* const programs[] = {"materials-lights", "materials-lights-capture",
                                    "materials-lights-explain"};
    for (const char* program : programs) {
        SCOPED_TRACE(program);
        EXPECT_EQ(access((deb / "usr/bin/" + program).c_str(), X_OK), 0);
        EXPECT_TRUE(fs::is_regular_file(deb / "usr/share/man/man1/" + program + ".1.gz"));
    }
    for (const char* file :
         {"usr/share/materials-lights/materials-lights.html",
          "usr/share/materials-lights/materials-lights-lab.html",
          "usr/share/icons/hicolor/48x48/apps/materials-lights.png",
          "usr/share/icons/hicolor/256x256/apps/materials-lights.png",
          "usr/share/doc/materials-lights/copyright", "usr/share/doc/materials-lights/changelog.gz"}) {
        EXPECT_TRUE(fs::is_regular_file(deb / file)) << file;
    }
    // Each desktop entry starts what the package holds: the demo, or the
    // browser on the installed lab page.
    const std::string demo = readText(deb / "usr/share/applications/materials-lights.desktop");
    EXPECT_TRUE(fs::exists(deb / "usr/bin/" + lineAfter(demo, "Exec=")));
    const std::string lab = readText(deb / "usr/share/applications/materials-lights-lab.desktop");
    const std::string exec = lineAfter(lab, "Exec="), opener = "xdg-open \"/";
    ASSERT_EQ(exec.rfind(opener, 0), 0u) << exec;
    EXPECT_TRUE(fs::is_regular_file(deb / exec.substr(opener.size(), exec.size() - opener.size() - 1)))
        << exec;

    // Its dependencies come from dpkg-shlibdeps, with versions.
    const ProgramRun fields = runProgram(ML_DPKG_DEB, {"-f", DEB, "Version", "Depends"});
    EXPECT_EQ(lineAfter(fields.out, "Version: "), VERSION);
    EXPECT_NE(lineAfter(fields.out, "Depends: ").find("libc6 (>= "), std::string::npos)
        << fields.out;
}

// Every file under a folder, by its path from there.
std::set<std::string> filesUnder(const std::string& root)
{
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_directory()) {
            files.insert(fs::relative(entry.path(), root).string());
        }
    }
    return files;
}

TEST(ReleasePackage, HoldsWhatCmakeInstallPutsUnderThePrefix)
{
    const UnpackedDeb deb;
    TempDir prefix;
    const ProgramRun r = runProgram(ML_CMAKE_COMMAND, {"--install", ML_BINARY_DIR, "--prefix",
                                                       prefix.path()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(filesUnder(prefix.path()), filesUnder(deb / "usr"));
}

TEST(ReleasePackage, ProgramsRunFromWhereItIsUnpacked)
{
    const UnpackedDeb deb;
    for (const std::string tool : {"materials-lights-capture", "materials-lights-explain"}) {
        const ProgramRun r = runProgram(deb / "usr/bin/" + tool, {"--version"});
        EXPECT_TRUE(r.exited && r.status == 0) << tool << ": " << r.err;
        EXPECT_EQ(r.out, tool + " " + VERSION + "\n");
    }

    // The demo's first frame, the capture tool's frame of the same state and
    // the colour the explainer gives a lit pixel of it all agree.
    DemoLaunch launch;
    launch.program = deb / "usr/bin/materials-lights";
    DemoSession demo(launch);
    const Image first = demo.waitForStill();
    keepForInspection(first, "release_demo_first_frame");
    const ProgramRun captured =
        runProgram(deb / "usr/bin/materials-lights-capture",
                   {"--viewpoint", "0", "--mode", "0", "--output", deb / "frame.png"},
                   demo.display());
    ASSERT_EQ(captured.status, 0) << captured.err;
    RgbImage frame;
    std::string error;
    ASSERT_TRUE(readPng(deb / "frame.png", frame, error)) << error;
    EXPECT_EQ(frame.width, first.width);
    EXPECT_TRUE(frame.rgb == first.rgb) << "the demo's first frame is not the captured one";

    int x = 0, y = 0;  // the first pixel of the lit green sphere
    while (y < first.height && !(first.at(x, y).g > 100 && first.at(x, y).r < 100)) {
        x = (x + 1) % first.width;
        y += x == 0;
    }
    ASSERT_LT(y, first.height) << "no lit sphere in the first frame";
    const ProgramRun explained = runProgram(
        deb / "usr/bin/materials-lights-explain",
        {"--viewpoint", "0", "--mode", "0", "--pixel", std::to_string(x) + "," + std::to_string(y)},
        demo.display());
    ASSERT_EQ(explained.status, 0) << explained.err;
    const Rgb shown = first.at(x, y);
    const std::string drawn = "drawn         (" + std::to_string(shown.r) + ", " +
                              std::to_string(shown.g) + ", " + std::to_string(shown.b) + ")";
    EXPECT_NE(explained.out.find(drawn), std::string::npos) << drawn << "\n" << explained.out;
}

TEST(ReleasePackage, ManualPagesRenderWithWhatEachMustSay)
{
    const UnpackedDeb deb;
    struct Page {
        const char* program;
        std::vector<std::string> mustSay;
    };
    const Page pages[] = {
        {"materials-lights", {"EXIT STATUS", "Escape", "-display", "xvfb-run"}},
        {"materials-lights-capture", {"Exit status:", "--output FILE", "--version", "a.png"}},
        {"materials-lights-explain", {"Exit status:", "--pixel X,Y", "--version", "181,76"}},
    };
    for (const Page& page : pages) {
        SCOPED_TRACE(page.program);
        const ProgramRun r = runProgram(
            ML_MAN, {"-l", "--warnings", deb / "usr/share/man/man1/" + page.program + ".1.gz"});
        EXPECT_TRUE(r.exited && r.status == 0);
        EXPECT_EQ(r.err, "") << "man or groff complained";
        std::vector<std::string> mustSay = {"NAME", "SYNOPSIS", "DESCRIPTION", "EXAMPLES",
                                            page.program + (" " + VERSION)};
        mustSay.insert(mustSay.end(), page.mustSay.begin(), page.mustSay.end());
        for (const std::string& part : mustSay) {
            EXPECT_NE(r.out.find(part), std::string::npos) << "missing: " << part << "\n" << r.out;
        }
    }
}

TEST(ReleasePackage, LintianFindsNoError)
{
    const ProgramRun r = runProgram(ML_LINTIAN, {"--display-info", DEB}, "", 300);
    ASSERT_TRUE(r.exited) << "lintian did not finish";
    std::printf("lintian:\n%s%s", r.out.c_str(), r.err.c_str());
    EXPECT_EQ(lineAfter(r.out, "E: "), "?") << r.out;
    EXPECT_EQ(r.out.find(": hardening-"), std::string::npos) << r.out;
    EXPECT_EQ(r.status, 0) << r.err;
}

// hardening-check passes each program, but for the IBT and SHSTK property no program linked on
// Debian 12 can carry (glibc's start files lack it): its functions' endbr64 marks show it instead.
TEST(ReleasePackage, ProgramsAreHardenedAndSoftwareCentresMetadataIsValid)
{
    const UnpackedDeb deb;
    for (const char* program : {"materials-lights", "materials-lights-capture", "materials-lights-explain"}) {
        const ProgramRun r = runProgram(ML_HARDENING_CHECK, {"--nocfprotection", deb / "usr/bin/" + program});
        EXPECT_TRUE(r.exited && r.status == 0) << r.out << r.err;
        const std::string code = runProgram(ML_OBJDUMP, {"-d", deb / "usr/bin/" + program}).out;
        const std::regex mark("endbr64");
        EXPECT_GT(std::distance(std::sregex_iterator(code.begin(), code.end(), mark), std::sregex_iterator()), 20);
    }
    const ProgramRun r = runProgram(ML_APPSTREAMCLI, {"validate-tree", "--no-net", deb.root.path()});
    EXPECT_TRUE(r.exited && r.status == 0 && filesUnder(deb / "usr/share/metainfo").size() == 2) << r.out;
    EXPECT_NE(readText(deb / "usr/share/doc/materials-lights/copyright")
                  .find("Files: *\nCopyright: 2026 The materials-lights authors\nLicense: Expat\n"), std::string::npos);
}

TEST(ReleaseZip, HoldsThePackagesPagesAndTellsWhichFileToOpen)
{
    const UnpackedDeb deb;
    TempDir dir;
    const ProgramRun r =
        runProgram(ML_CMAKE_COMMAND, {"-E", "tar", "xf", DIST + "/" + ZIP_NAME + ".zip"},
                   RunSetup{"", dir.path(), -1, 60});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string folder = dir / ZIP_NAME;
    for (const char* page : {"materials-lights.html", "materials-lights-lab.html"}) {
        EXPECT_EQ(readText(folder + "/" + page),
                  readText(deb / "usr/share/materials-lights/" + page))
            << page << " is not the package's";
    }
    const std::string readme = readText(folder + "/README.txt");
    for (const char* part : {"Which file to open", "materials-lights.exe", "materials-lights.html",
                             "materials-lights-lab.html"}) {
        EXPECT_NE(readme.find(part), std::string::npos) << "README.txt lacks " << part;
    }
    EXPECT_NE(readme.find("OpenGL " + VERSION + " for Windows"), std::string::npos);
    EXPECT_EQ(std::count(readme.begin(), readme.end(), '\n'),
              std::count(readme.begin(), readme.end(), '\r'))
        << "README.txt has lines that do not end in CR LF";
    EXPECT_NE(readText(folder + "/LICENSES.txt").find("Copyright (c) 2026 The materials-lights authors\r\n\r\n"
                                                      "Permission is hereby granted"), std::string::npos);
    // The version Windows shows in the program's properties: UTF-16 text,
    // read here with its zero bytes dropped.
    std::string exe = readText(folder + "/materials-lights.exe");
    exe.erase(std::remove(exe.begin(), exe.end(), '\0'), exe.end());
    EXPECT_NE(exe.find("ProductVersion" + VERSION), std::string::npos);
}

TEST(ReleaseSums, ListThePackageAndTheZipWithTheirHashes)
{
    const ProgramRun r = runProgram(ML_SHA256SUM, {"--check", "--strict", "SHA256SUMS"},
                                    RunSetup{"", DIST, -1, 60});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, fs::path(DEB).filename().string() + ": OK\n" + ZIP_NAME + ".zip: OK\n");
}

}  // namespace
