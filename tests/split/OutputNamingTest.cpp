#include "split/OutputNaming.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillane {
namespace {

constexpr const char* none = "";
constexpr const char* llToUr = "_FlippedLLtoUR";
constexpr const char* ulToLr = "_FlippedULtoLR";

struct NamingCase {
    std::string input;
    bool inFolder;       // composeInFolder, else composeBesideInput
    std::string folder;  // for composeInFolder
    std::string suffix;
    std::string first;
    std::string second;
};

std::string times(int count, const char8_t* character) {
    std::string text;
    for (int i = 0; i < count; ++i) text += reinterpret_cast<const char*>(character);
    return text;
}

void expectNames(const std::vector<NamingCase>& cases, PathStyle style) {
    // Windows counts UTF-16 units: 走 is one (three bytes of UTF-8), 𝄞 two (four bytes).
    for (const NamingCase& c : cases) {
        SCOPED_TRACE(c.input + (c.inFolder ? " in [" + c.folder + "]" : " beside"));
        for (int colour : {0, 1}) {
            const std::string name = c.inFolder ? composeInFolder(c.folder, c.input, colour, c.suffix, style)
                                                : composeBesideInput(c.input, colour, c.suffix, style);
            EXPECT_EQ(name, colour == 0 ? c.first : c.second);
        }
    }
}

TEST(OutputNaming, WindowsStyleGivesEveryExampleOfTheTable) {
    expectNames({
        {R"(C:\scans\slide01.tif)", false, "", none, R"(C:\scans\Redslide01.tif)", R"(C:\scans\Greenslide01.tif)"},
        {R"(C:\scans\slide01.tif)", false, "", llToUr, R"(C:\scans\Redslide01_FlippedLLtoUR.tif)", R"(C:\scans\Greenslide01_FlippedLLtoUR.tif)"},
        {R"(C:\scans\slide01.tif)", true, R"(D:\out)", none, R"(D:\out\Redslide01.tif)", R"(D:\out\Greenslide01.tif)"},
        {R"(C:\scans\slide01.tif)", true, R"(D:\out\)", ulToLr, R"(D:\out\Redslide01_FlippedULtoLR.tif)", R"(D:\out\Greenslide01_FlippedULtoLR.tif)"},
        {R"(C:\scans\slide01.tif)", true, R"(D:\out/)", none, R"(D:\out/\Redslide01.tif)", R"(D:\out/\Greenslide01.tif)"},
        {R"(C:\scans\slide01.tif)", true, "D:", none, R"(D:\Redslide01.tif)", R"(D:\Greenslide01.tif)"},
        {R"(C:\scans\slide01.tif)", true, "", none, R"(C:\scans\Redslide01.tif)", R"(C:\scans\Greenslide01.tif)"},
        {R"(C:\scans\slide.part.TIF)", false, "", none, R"(C:\scans\Redslide.part.TIF)", R"(C:\scans\Greenslide.part.TIF)"},
        {R"(C:\scans.old\slide01)", false, "", none, R"(C:\scans.old\Redslide01)", R"(C:\scans.old\Greenslide01)"},
        {"C:slide01.tif", false, "", none, "C:Redslide01.tif", "C:Greenslide01.tif"},
        {"slide01.tif", false, "", none, "Redslide01.tif", "Greenslide01.tif"},
        // A forward slash separates too, and a relative path or folder stays relative.
        {"C:/scans/slide01.tif", false, "", none, "C:/scans/Redslide01.tif", "C:/scans/Greenslide01.tif"},
        {R"(..\scans\slide01.tif)", false, "", none, R"(..\scans\Redslide01.tif)", R"(..\scans\Greenslide01.tif)"},
        {"slide01.tif", true, "out", none, R"(out\Redslide01.tif)", R"(out\Greenslide01.tif)"},
        // Folders in any script are kept whole, however many bytes they take; names are cut to
        // 255 UTF-16 units, never inside a character.
        {"D:\\J2\\" + times(45, u8"走") + "\\" + times(45, u8"査") + "\\chip_03.tif", false, "", none,
         "D:\\J2\\" + times(45, u8"走") + "\\" + times(45, u8"査") + "\\Redchip_03.tif",
         "D:\\J2\\" + times(45, u8"走") + "\\" + times(45, u8"査") + "\\Greenchip_03.tif"},
        {"D:\\" + times(100, u8"査") + "\\chip.tif", true, "", none, "D:\\" + times(100, u8"査") + "\\Redchip.tif",
         "D:\\" + times(100, u8"査") + "\\Greenchip.tif"},
        {"chip.tif", true, "E:\\" + times(100, u8"査"), llToUr, "E:\\" + times(100, u8"査") + "\\Redchip" + llToUr + ".tif",
         "E:\\" + times(100, u8"査") + "\\Greenchip" + llToUr + ".tif"},
        {"D:\\s\\" + times(100, u8"走") + ".tif", false, "", none, "D:\\s\\Red" + times(100, u8"走") + ".tif",
         "D:\\s\\Green" + times(100, u8"走") + ".tif"},
        {"D:\\" + times(200, u8"𝄞") + "\\" + times(200, u8"𝄞") + ".tif", false, "", none,
         "D:\\" + times(200, u8"𝄞") + "\\Red" + times(127, u8"𝄞") + ".tif",
         "D:\\" + times(200, u8"𝄞") + "\\Green" + times(127, u8"𝄞") + ".tif"},
        {"D:\\Données\\" + times(300, u8"é") + ".tif", false, "", none, "D:\\Données\\Red" + times(255, u8"é") + ".tif",
         "D:\\Données\\Green" + times(255, u8"é") + ".tif"},
        // Bytes that are no character count one unit each, as the system reads them.
        {"D:\\s\\" + std::string(300, '\xE9') + ".tif", false, "", none, "D:\\s\\Red" + std::string(255, '\xE9') + ".tif",
         "D:\\s\\Green" + std::string(255, '\xE9') + ".tif"},
    }, PathStyle::windows);
}

TEST(OutputNaming, PosixStyleGivesTheSameExamplesInItsOwnForm) {
    expectNames({
        {"/scans/slide01.tif", false, "", none, "/scans/Redslide01.tif", "/scans/Greenslide01.tif"},
        {"/scans/slide01.tif", false, "", llToUr, "/scans/Redslide01_FlippedLLtoUR.tif", "/scans/Greenslide01_FlippedLLtoUR.tif"},
        {"/scans/slide01.tif", true, "/out", none, "/out/Redslide01.tif", "/out/Greenslide01.tif"},
        {"/scans/slide01.tif", true, "/out/", ulToLr, "/out/Redslide01_FlippedULtoLR.tif", "/out/Greenslide01_FlippedULtoLR.tif"},
        // A backslash is an ordinary character: it neither ends a folder nor starts a name.
        {"/scans/slide01.tif", true, R"(/out\)", none, R"(/out\/Redslide01.tif)", R"(/out\/Greenslide01.tif)"},
        {R"(/scans/a\b.tif)", false, "", none, R"(/scans/Reda\b.tif)", R"(/scans/Greena\b.tif)"},
        // No drive letters: "D:" is a relative folder, "C:" part of a name.
        {"/scans/slide01.tif", true, "D:", none, "D:/Redslide01.tif", "D:/Greenslide01.tif"},
        {"/scans/slide01.tif", true, "", none, "/scans/Redslide01.tif", "/scans/Greenslide01.tif"},
        {"/scans/slide.part.TIF", false, "", none, "/scans/Redslide.part.TIF", "/scans/Greenslide.part.TIF"},
        {"/scans.old/slide01", false, "", none, "/scans.old/Redslide01", "/scans.old/Greenslide01"},
        {"C:slide01.tif", false, "", none, "RedC:slide01.tif", "GreenC:slide01.tif"},
        {"slide01.tif", false, "", none, "Redslide01.tif", "Greenslide01.tif"},
        {"../scans/slide01.tif", false, "", none, "../scans/Redslide01.tif", "../scans/Greenslide01.tif"},
        {"slide01.tif", true, "out", none, "out/Redslide01.tif", "out/Greenslide01.tif"},
        {"/scans/.hidden", false, "", none, "/scans/Red.hidden", "/scans/Green.hidden"},
        {"/s/" + times(200, u8"𝄞") + "/" + times(300, u8"é") + "\xE9.tif", false, "", none,
         "/s/" + times(200, u8"𝄞") + "/Red" + times(300, u8"é") + "\xE9.tif", "/s/" + times(200, u8"𝄞") + "/Green" + times(300, u8"é") + "\xE9.tif"},
    }, PathStyle::posix);
}

TEST(OutputNaming, EmptyFolderGivesExactlyTheNameBesideTheInput) {
    for (const PathStyle style : {PathStyle::windows, PathStyle::posix}) {
        for (const char* input : {R"(C:\scans\slide01.tif)", "/scans/slide01.tif", "slide01", "C:a.b.c", "dir/x."}) {
            for (int colour = 0; colour < 4; ++colour)
                EXPECT_EQ(composeInFolder("", input, colour, llToUr, style), composeBesideInput(input, colour, llToUr, style))
                    << input;
        }
    }
}

// Windows cuts the base name and the extension to 255 characters, as its own path splitting
// does; every folder is kept whole, however long (outputs would otherwise land in an ancestor).
TEST(OutputNaming, WindowsCutsEachPartTo255AndPosixKeepsItWhole) {
    for (const std::size_t length : {254u, 255u, 256u, 300u, 3000u}) {
        SCOPED_TRACE(length);
        const std::string longFolder(length - 1, 'd');
        const std::string longBase(length, 'b');
        std::string longExtension(length, 'e');
        longExtension[0] = '.';
        for (const PathStyle style : {PathStyle::windows, PathStyle::posix}) {
            const char separator = style == PathStyle::windows ? '\\' : '/';
            const std::size_t kept = style == PathStyle::windows ? 255 : std::string::npos;
            const std::string directory = longFolder + separator;
            EXPECT_EQ(composeBesideInput(directory + "a.tif", 0, "", style), directory + "Reda.tif");
            EXPECT_EQ(DriveAndDirectory(directory + "a.tif", style), directory);
            // The base name is cut before the suffix goes on; the extension keeps its dot.
            EXPECT_EQ(composeBesideInput(longBase + ".tif", 1, ulToLr, style),
                      "Green" + longBase.substr(0, kept) + ulToLr + ".tif");
            EXPECT_EQ(composeBesideInput("a" + longExtension, 0, "", style), "Reda" + longExtension.substr(0, kept));
            // The chosen folder is never cut.
            EXPECT_EQ(composeInFolder(longFolder, "a.tif", 0, "", style), longFolder + separator + "Reda.tif");
        }
    }
}

TEST(OutputNaming, DriveAndDirectoryKeepsTheTrailingSeparator) {
    struct Case {
        const char* path;
        PathStyle style;
        const char* expected;
    };
    const Case cases[] = {
        {R"(C:\scans\a.tif)", PathStyle::windows, R"(C:\scans\)"},
        {"C:/scans/a.tif", PathStyle::windows, "C:/scans/"},
        {"C:a.tif", PathStyle::windows, "C:"},
        {"a.tif", PathStyle::windows, ""},
        {R"(\\server\share\a.tif)", PathStyle::windows, R"(\\server\share\)"},
        {"/scans/a.tif", PathStyle::posix, "/scans/"},
        {R"(/scans\x/a.tif)", PathStyle::posix, R"(/scans\x/)"},
        {R"(scans\a.tif)", PathStyle::posix, ""},
        {"C:a.tif", PathStyle::posix, ""},
        {"", PathStyle::posix, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(DriveAndDirectory(c.path, c.style), c.expected) << c.path;
}

}  // namespace
}  // namespace quillane
