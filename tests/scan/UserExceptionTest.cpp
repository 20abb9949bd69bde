#include "platform/SystemError.h"
#include "scan/UserException.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace quillane {
namespace {

TEST(UserException, ComposesPathSeparatorAndSystemText) {
    const std::string missing = systemErrorText(ENOENT);
    ASSERT_FALSE(missing.empty());

    EXPECT_EQ(UserException("/scans/a.tif", ENOENT).message, "/scans/a.tif : " + missing);
    // No separator after an empty or one-character path.
    EXPECT_EQ(UserException("", ENOENT).message, missing);
    EXPECT_EQ(UserException("a", ENOENT).message, "a" + missing);
    // A number the system has no text for appends nothing after the separator.
    EXPECT_EQ(UserException("ab", 999999u).message, "ab : ");
}

TEST(UserException, CopyCarriesTheSameTextAndIsAStandardException) {
    try {
        throw UserException("file : reason");
    } catch (const std::exception& caught) {
        const UserException copy(dynamic_cast<const UserException&>(caught));
        EXPECT_STREQ(copy.what(), "file : reason");
        EXPECT_STREQ(caught.what(), "file : reason");
    }
}

}  // namespace
}  // namespace quillane
