#include "platform/ui/graphics/AffineTransform.h"
#include "platform/ui/graphics/Rect.h"
#include "platform/ui/graphics/Transform3D.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(Geometry, ContainmentExcludesRightAndBottomEdges)
{
    Rect r { 10, 20, 30, 40 };
    EXPECT_TRUE(r.contains({ 10, 20 }));
    EXPECT_TRUE(r.contains({ 39.999, 59.999 }));
    EXPECT_FALSE(r.contains({ 40, 30 }));
    EXPECT_FALSE(r.contains({ 20, 60 }));
    // Neighbours sharing an edge never both claim a point on it.
    Rect right { 40, 20, 30, 40 };
    EXPECT_TRUE(right.contains({ 40, 30 }));
    EXPECT_FALSE(Rect(0, 0, 0, 10).contains({ 0, 5 }));
    // A negative size still covers its area.
    EXPECT_TRUE(Rect(40, 60, -30, -40).contains({ 10, 20 }));
    EXPECT_EQ(Rect(0, 0, 10, 10).intersection({ 5, 5, 10, 10 }), Rect(5, 5, 5, 5));
    EXPECT_FALSE(Rect(0, 0, 10, 10).intersects({ 10, 0, 5, 5 }));
}

TEST(Geometry, AffineConcatOrderAndInverse)
{
    // Scale first, then move: (1, 1) → (2, 2) → (12, 2).
    auto t = AffineTransform::makeScale(2, 2).concat(AffineTransform::makeTranslation(10, 0));
    EXPECT_EQ(t.apply(Point { 1, 1 }), (Point { 12, 2 }));
    Point back = t.inverted().apply(Point { 12, 2 });
    EXPECT_NEAR(back.x, 1, 1e-12);
    EXPECT_NEAR(back.y, 1, 1e-12);
    // A singular transform has no inverse; it comes back unchanged instead of NaNs.
    auto flat = AffineTransform::makeScale(0, 1);
    EXPECT_EQ(flat.inverted(), flat);
    Rect box = AffineTransform::makeRotation(M_PI / 2).apply(Rect { 0, 0, 10, 20 });
    EXPECT_NEAR(box.width(), 20, 1e-9);
    EXPECT_NEAR(box.height(), 10, 1e-9);
}

TEST(Geometry, Transform3DKeepsAffinePartAndComposes)
{
    auto t = Transform3D::makeScale(1.5, 1.5, 1).concat(Transform3D::makeTranslation(3, 4, 0));
    EXPECT_TRUE(t.isAffine());
    EXPECT_EQ(t.affine(), AffineTransform::makeScale(1.5, 1.5).concat(AffineTransform::makeTranslation(3, 4)));
    auto flip = Transform3D::makeRotation(M_PI / 2, 0, 1, 0);
    EXPECT_FALSE(flip.isAffine());
    EXPECT_TRUE(Transform3D::makeRotation(1, 0, 0, 0).isIdentity());
}
