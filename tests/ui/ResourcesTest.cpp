#include "ScriptedServices.h"

#include "ui/AboutBox.h"
#include "ui/Artwork.h"
#include "ui/DialogTemplate.h"
#include "ui/SettingsStore.h"
#include "ui/VersionInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSet>
#include <gtest/gtest.h>

namespace quillane {
namespace {

using namespace testing;

QSet<QRgb> coloursOf(const QImage& image) {
    QSet<QRgb> colours;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) colours.insert(argb.pixel(x, y));
    }
    return colours;
}

TEST(Artwork, IconAndBitmapsHaveTheirSizesAndColours) {
    const QImage icon = programIcon().toImage();
    EXPECT_EQ(icon.size(), QSize(32, 32));
    EXPECT_LE(coloursOf(icon).size(), 16);

    const QImage mainDiagonal = diagonalBitmapImage(mainDiagonalBitmapId);
    const QImage oppositeDiagonal = diagonalBitmapImage(oppositeDiagonalBitmapId);
    for (const QImage& bitmap : {mainDiagonal, oppositeDiagonal}) {
        EXPECT_EQ(bitmap.size(), QSize(33, 33));
        EXPECT_EQ(coloursOf(bitmap).size(), 2);
    }
    EXPECT_EQ(oppositeDiagonal, mainDiagonal.mirrored(false, true));
    // The main diagonal runs from top left to bottom right, the marker sits at the bottom left.
    const QRgb ink = qRgb(0, 0, 0);
    EXPECT_EQ(mainDiagonal.pixel(16, 16), ink);
    EXPECT_EQ(mainDiagonal.pixel(5, 25), ink);
    EXPECT_NE(mainDiagonal.pixel(5, 7), ink);
    EXPECT_TRUE(diagonalBitmapImage(132).isNull());
}

TEST(Resources, StringTableHoldsTheAboutItem) {
    EXPECT_STREQ(loadString(aboutMenuStringId), "&About Quillane ...");
    EXPECT_STREQ(loadString(102), "");
}

TEST(Version, ProductVersionTextIsALetterAndThreeNumbers) {
    const struct {
        FixedVersion version;
        const char* text;
    } cases[] = {
        {{1, 6, 3, 1}, "A.6.3.1"},
        {{2, 0, 0, 5}, "B.0.0.5"},
        {{0, 1, 2, 3}, "@.1.2.3"},
        {{26, 10, 200, 65535}, "Z.10.200.65535"},
    };
    for (const auto& c : cases) EXPECT_EQ(ProductVersionText(c.version), c.text);

    const VersionResource program = programVersionResource();
    ASSERT_TRUE(program.productVersion);
    EXPECT_EQ(ProductVersionText(*program.productVersion), "A.6.3.1");
    EXPECT_EQ(versionCaption("Quillane", program), "Quillane (A.6.3.1)");
    EXPECT_EQ(versionCaption("Quillane", VersionResource{}), "Quillane");
}

TEST(Version, AboutBoxShowsWhatIsKnownAndLeavesTheRestEmpty) {
    struct Case {
        VersionResource resource;
        const char* version;
        const char* legal;
    };
    const Case cases[] = {
        {programVersionResource(), "Quillane Version: A.6.3.1", "Copyright (C) 2026 Velmora Technologies"},
        {{FixedVersion{2, 0, 0, 5}, std::nullopt}, "Quillane Version: B.0.0.5", ""},
        {{std::nullopt, std::string("(C) Someone")}, "", "(C) Someone Velmora Technologies"},
        {{}, "", ""},
    };
    for (const Case& c : cases) {
        AboutBox about;
        about.takeVersion(c.resource);
        about.show();  // opening copies the fields over the template's placeholders
        const auto labels = about.findChildren<QLabel*>();
        ASSERT_EQ(labels.size(), 3);
        EXPECT_EQ(labels[1]->text().toStdString(), c.version);
        EXPECT_EQ(labels[2]->text().toStdString(), c.legal);
    }
}

TEST(SettingsStore, LivesUnderTheOrganisationPathAndKeepsValuesWhole) {
    clearStore();
    const SettingsStore settings;
    const QString expected = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + "/Velmora/DarozAvazi/quillane.conf";
    EXPECT_EQ(settings.location(), expected);

    QDir(QFileInfo(expected).absolutePath()).removeRecursively();
    EXPECT_EQ(settings.read("LastTiffpath"), "");
    EXPECT_EQ(settings.read("LastTiffpath", "fallback"), "fallback");
    EXPECT_TRUE(QFileInfo(expected).dir().exists()) << "a read creates the store's folder";

    for (const std::string value : {"  /a folder/with blanks \t", "C:\\scans\\", "a,b;c=d", "@at", "[General]",
                                    "/ünïcödé/路径", "line\nbreak", ""}) {
        settings.write("LastOutputpath", value);
        EXPECT_EQ(settings.read("LastOutputpath", "<missing>"), value);
    }
    settings.write("LastTiffdir", "/scans/");
    EXPECT_EQ(SettingsStore("quillane").read("LastTiffdir"), "/scans/");
    EXPECT_EQ(SettingsStore("another").read("LastTiffdir"), "") << "each application has its own values";
}

}  // namespace
}  // namespace quillane
