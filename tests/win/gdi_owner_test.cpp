// Owners release their handle exactly once and put back what they replaced.
#include <gtest/gtest.h>

#include "win/data_exchange.h"
#include "win/dc.h"
#include "win/gdi_object.h"
#include "win/image_list.h"

TEST(GdiOwners, MovedObjectIsDeletedOnceByItsLastOwner)
{
    HBITMAP raw = nullptr;
    {
        CClientDC screen(nullptr);
        CBitmap first;
        ASSERT_TRUE(first.CreateCompatibleBitmap(screen, 8, 8));
        raw = first;
        CBitmap second(std::move(first));
        EXPECT_EQ(nullptr, first.Get());
        EXPECT_EQ(raw, second.Get());
        CBitmap third;
        third = std::move(second);
        EXPECT_NE(0u, ::GetObjectType(raw));
    }
    EXPECT_EQ(0u, ::GetObjectType(raw)) << "the last owner deletes the bitmap";

    HBRUSH brush = nullptr;
    {
        CBrush owner(RGB(1, 2, 3));
        brush = owner;
        HBRUSH kept = owner.Detach();
        EXPECT_EQ(brush, kept);
    }
    EXPECT_NE(0u, ::GetObjectType(brush)) << "a detached object is no longer owned";
    ::DeleteObject(brush);
}

TEST(GdiOwners, SelectGuardRestoresSelectionBeforeTheObjectGoes)
{
    CClientDC screen(nullptr);
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(screen));
    HGDIOBJ original = ::GetCurrentObject(memory, OBJ_BITMAP);
    HBITMAP raw = nullptr;
    {
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.CreateCompatibleBitmap(screen, 4, 4));
        raw = bitmap;
        CSelectGuard select(memory, bitmap);
        EXPECT_EQ(raw, ::GetCurrentObject(memory, OBJ_BITMAP));
        // The guard is declared after the bitmap, so it restores before the bitmap is deleted.
    }
    EXPECT_EQ(original, ::GetCurrentObject(memory, OBJ_BITMAP));
    EXPECT_EQ(0u, ::GetObjectType(raw));
}

TEST(GdiOwners, FillAndFrameTouchExactlyTheirPixels)
{
    CClientDC screen(nullptr);
    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(screen));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(screen, 10, 10));
    CSelectGuard select(memory, bitmap);
    memory.FillSolidRect(RECT{0, 0, 10, 10}, RGB(0, 0, 0));
    memory.FrameRect(RECT{2, 2, 8, 8}, RGB(90, 90, 90));
    EXPECT_EQ(RGB(90, 90, 90), ::GetPixel(memory, 2, 2));
    EXPECT_EQ(RGB(90, 90, 90), ::GetPixel(memory, 7, 7));
    EXPECT_EQ(RGB(0, 0, 0), ::GetPixel(memory, 3, 3)) << "inside the outline stays untouched";
    EXPECT_EQ(RGB(0, 0, 0), ::GetPixel(memory, 8, 8)) << "the right and bottom edges are exclusive";
}

TEST(ImageListOwner, StripIsCutIntoEqualImages)
{
    CClientDC screen(nullptr);
    CBitmap strip;
    ASSERT_TRUE(strip.CreateCompatibleBitmap(screen, 4 * 36, 36));
    CImageList list;
    ASSERT_TRUE(list.Create(36, 36, ILC_COLOR24, 1, 0));
    list.Add(strip, RGB(255, 0, 255));
    EXPECT_EQ(4, list.GetImageCount());
    CImageList moved(std::move(list));
    EXPECT_FALSE(list);
    EXPECT_EQ(4, moved.GetImageCount());
}

TEST(LeadingIntParse, BehavesLikeTheRuntimeParse)
{
    EXPECT_EQ(25, ParseLeadingInt(L"25"));
    EXPECT_EQ(25, ParseLeadingInt(L"  25fps"));
    EXPECT_EQ(-7, ParseLeadingInt(L"-7"));
    EXPECT_EQ(7, ParseLeadingInt(L"+7"));
    EXPECT_EQ(0, ParseLeadingInt(L"abc"));
    EXPECT_EQ(0, ParseLeadingInt(L""));
    EXPECT_EQ(0, ParseLeadingInt(nullptr));
    EXPECT_EQ(2147483647, ParseLeadingInt(L"99999999999999999999")) << "no wrap into a small value";
    EXPECT_EQ(-2147483647 - 1, ParseLeadingInt(L"-99999999999999999999"));
}
