#include "split/OutputNaming.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace quillane {
namespace {

constexpr const char* none = "";
constexpr const char* llToUr = "_FlippedLLtoUR";
constexpr const char* ulToLr = "_FlippedULtoLR";

struct NamingCase {
    const char* input;
    bool inFolder;       // composeInFolder, else composeBesideInput
    const char* folder;  // for composeInFolder
    const char* suffix;
    const char* first;
    const char* second;
};

void expectNames(const std::vector<NamingCase>& cases, PathStyle style) {
    for (const NamingCase& c : cases) {
        SCOPED_TRACE(std::string(c.input) + (c.inFolder ? " in [" + std::string(c.folder) + "]" : " beside"));
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

std::string times(std::size_t count, const char8_t* character) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += reinterpret_cast<const char*>(character);
    return text;
}

// Windows cuts the base name and the extension to 255 UTF-16 units, as its own path splitting
// does, never inside a character; every folder is kept whole in any script, however long
// (outputs would otherwise land elsewhere), and a POSIX path keeps every part whole.
TEST(OutputNaming, WindowsCutsEachPartTo255AndPosixKeepsItWhole) {
    // Characters of one to four bytes of UTF-8 (the last takes two UTF-16 units), in parts of any length.
    for (const char8_t* character : {u8"b", u8"é", u8"走", u8"𝄞"}) for (const std::size_t length : {45u, 100u, 254u, 255u, 256u, 300u, 3000u}) {
        SCOPED_TRACE(std::to_string(length) + " of " + reinterpret_cast<const char*>(character));
        const std::string longFolder = times(length - 1, character);
        const std::string longBase = times(length, character);
        const std::string longExtension = "." + longFolder;
        const std::size_t units = std::u8string_view(character).size() == 4 ? 2 : 1;
        for (const PathStyle style : {PathStyle::windows, PathStyle::posix}) {
            const char separator = style == PathStyle::windows ? '\\' : '/';
            const std::size_t kept = style == PathStyle::windows ? 255 / units : length;  // characters of a part
            // Two folders, each and together as long as any part.
            const std::string directory = longFolder + separator + longFolder + separator;
            EXPECT_EQ(composeBesideInput(directory + "a.tif", 0, "", style), directory + "Reda.tif");
            EXPECT_EQ(DriveAndDirectory(directory + "a.tif", style), directory);
            // The base name is cut before the suffix goes on; the extension keeps its dot.
            EXPECT_EQ(composeBesideInput(longBase + ".tif", 1, ulToLr, style),
                      "Green" + times(std::min(length, kept), character) + ulToLr + ".tif");
            EXPECT_EQ(composeBesideInput("a" + longExtension, 0, "", style),
                      "Reda." + times(std::min(length - 1, style == PathStyle::windows ? 254 / units : length), character));
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
