#include "canvas/backgroundpictures.h"

#include <gtest/gtest.h>

namespace kelvara {
namespace {

TEST(BackgroundPictures, MidnightComesFirstAndNamesThatAreNoPictureFindNothing)
{
    EXPECT_EQ(backgroundPictureNames().front(), QStringLiteral("Midnight"));
    EXPECT_FALSE(backgroundPictureNamed(QString()));
    EXPECT_FALSE(backgroundPictureNamed(QStringLiteral("midnight")));
    EXPECT_FALSE(backgroundPictureNamed(QStringLiteral("../images/caution")));
}

} // namespace
} // namespace kelvara
