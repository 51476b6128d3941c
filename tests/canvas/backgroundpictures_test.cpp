#include "canvas/backgroundpictures.h"

#include <gtest/gtest.h>

#include <set>

namespace kelvara {
namespace {

TEST(BackgroundPictures, MidnightComesFirstAmongAtLeastFive)
{
    const QStringList names = backgroundPictureNames();
    ASSERT_GE(names.size(), 5);
    EXPECT_EQ(names.front(), QStringLiteral("Midnight"));
    EXPECT_EQ(std::set<QString>(names.begin(), names.end()).size(), std::size_t(names.size()));
}

TEST(BackgroundPictures, EveryPictureIs274By100PointsAtRatioTwo)
{
    for (const QString& name : backgroundPictureNames()) {
        const auto picture = backgroundPictureNamed(name);
        ASSERT_TRUE(picture) << name.toStdString();
        EXPECT_EQ(picture->size(), QSize(548, 200)) << name.toStdString();
        EXPECT_EQ(picture->deviceIndependentSize(), QSizeF(274, 100)) << name.toStdString();
    }
    EXPECT_EQ(cautionPicture().deviceIndependentSize(), QSizeF(274, 100));
}

TEST(BackgroundPictures, NamesThatAreNoPictureFindNothing)
{
    EXPECT_FALSE(backgroundPictureNamed(QString()));
    EXPECT_FALSE(backgroundPictureNamed(QStringLiteral("midnight")));
    EXPECT_FALSE(backgroundPictureNamed(QStringLiteral("../images/caution")));
}

} // namespace
} // namespace kelvara
