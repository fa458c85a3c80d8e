#include <gtest/gtest.h>
#include <windows.h>

#include "mainwindow/TabItemDialogEffect.h"
#include "tests/mainwindow/PageTestHost.h"
#include "mainwindow/MainWindowLinks.h"

namespace {

using EffectPage = PageTest;

bool GroupEnabled(const EffectControls& group, bool enabled) {
  const ControlBase_CL* const all[] = {group.frame,       group.noneRadio,     group.monoRadio,
                                       group.sepiaRadio,  group.brightCheck,   group.contrastCheck,
                                       group.brightSlider, group.contrastSlider};
  for (const ControlBase_CL* control : all) {
    if (Enabled(control) != enabled) return false;
  }
  return true;
}

void ExpectShows(const EffectControls& group, const EffectParams& values) {
  EXPECT_EQ(Checked(group.noneRadio), values.EffectRadioIndex == 0);
  EXPECT_EQ(Checked(group.monoRadio), values.EffectRadioIndex == 1);
  EXPECT_EQ(Checked(group.sepiaRadio), values.EffectRadioIndex == 2);
  EXPECT_EQ(Checked(group.brightCheck), values.CheckBriteness != 0);
  EXPECT_EQ(Checked(group.contrastCheck), values.CheckContrast != 0);
  EXPECT_EQ(SliderPosition(group.brightSlider), values.ValueBriteness);
  EXPECT_EQ(SliderPosition(group.contrastSlider), values.ValueContrast);
}

class EffectPageWithPhotos : public PageTest {
protected:
  void SetUp() override {
    PageTest::SetUp();
    theSaveData.items.resize(2);
    theSaveData.items[0].path = L"C:\\photos\\a.jpg";
    theSaveData.items[1].path = L"C:\\photos\\b.jpg";
    theSaveData.items[1].ownEffect = 1;
    theSaveData.items[1].effect = EffectParams{1, 1, 90, 1, 40};
    ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  }
  TabItemDialogEffect_CL page;
};

}  // namespace

TEST_F(EffectPage, FirstStartShowsTheDefaultsWithTheLowerGroupDisabled) {
  TabItemDialogEffect_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);

  EXPECT_EQ(TextOf(page.allRadio), L"全ての写真にエフェクトをかける");
  EXPECT_EQ(TextOf(page.photoRadio), L"この写真にエフェクトをかける");
  EXPECT_TRUE(Checked(page.allRadio));
  EXPECT_FALSE(Checked(page.photoRadio));
  EXPECT_EQ(TextOf(page.allGroup.noneRadio), L"そのまま");
  EXPECT_EQ(TextOf(page.allGroup.sepiaRadio), L"セピア調");
  ExpectShows(page.allGroup, EffectParams{});
  ExpectShows(page.photoGroup, EffectParams{});
  EXPECT_EQ(TextOf(page.allGroup.brightCheck), L"写真の明るさ(1.00)");
  EXPECT_EQ(TextOf(page.allGroup.contrastCheck), L"コントラスト(0.00)");
  EXPECT_EQ(TextOf(page.photoGroup.brightCheck), L"写真の明るさ(1.00)");
  EXPECT_TRUE(GroupEnabled(page.allGroup, true));
  EXPECT_TRUE(GroupEnabled(page.photoGroup, false));
  EXPECT_EQ(mainWindow.TakeRefreshes(), 0);

  // Consecutive ids let the page map a button to its index.
  EXPECT_EQ(page.allRadio->id, 4352);
  EXPECT_EQ(page.photoRadio->id, 4353);
  EXPECT_EQ(page.allGroup.noneRadio->id, 4354);
  EXPECT_EQ(page.allGroup.sepiaRadio->id, 4356);
  EXPECT_EQ(page.allGroup.brightSlider->id, 4358);
  EXPECT_EQ(page.allGroup.frame->id, 4361);
  EXPECT_EQ(page.photoGroup.noneRadio->id, 4362);
}

TEST_F(EffectPage, UpperGroupWritesTheGlobalEffectAndSlidersQueueOneRefresh) {
  TabItemDialogEffect_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);

  DragSlider(page.allGroup.brightSlider, 75);
  EXPECT_EQ(theSaveData.globalEffect.ValueBriteness, 75);
  EXPECT_EQ(TextOf(page.allGroup.brightCheck), L"写真の明るさ(1.50)");
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1);

  theSaveData.refreshPending = 0;  // the main window handled it
  PressKeyOn(page.allGroup.contrastSlider, VK_END);
  EXPECT_EQ(theSaveData.globalEffect.ValueContrast, 100);
  EXPECT_EQ(TextOf(page.allGroup.contrastCheck), L"コントラスト(2.00)");
  EXPECT_EQ(mainWindow.TakeRefreshes(), 1);
  EXPECT_EQ(theSaveData.photoEffect.ValueContrast, 0) << "the lower group's defaults are never written";

  Click(page.allGroup.monoRadio);
  Click(page.allGroup.brightCheck);
  EXPECT_EQ(theSaveData.globalEffect.EffectRadioIndex, 1);
  EXPECT_EQ(theSaveData.globalEffect.CheckBriteness, 1);
  EXPECT_EQ(theSaveData.globalEffect.CheckContrast, 0);
  EXPECT_GE(mainWindow.TakeRefreshes(), 2) << "every command asks for a refresh";
}

TEST_F(EffectPage, WithoutACurrentPhotoTheLowerGroupStoresNothing) {
  TabItemDialogEffect_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  EnableWindow(page.photoGroup.sepiaRadio->hwnd, TRUE);
  EnableWindow(page.photoGroup.brightCheck->hwnd, TRUE);

  Click(page.photoGroup.sepiaRadio);
  Click(page.photoGroup.brightCheck);
  DragSlider(page.photoGroup.brightSlider, 10);
  Click(page.photoRadio);
  EXPECT_EQ(theSaveData.globalEffect.EffectRadioIndex, 0);
  EXPECT_EQ(theSaveData.globalEffect.CheckBriteness, 0);
  EXPECT_EQ(theSaveData.globalEffect.ValueBriteness, 50);
  EXPECT_EQ(theSaveData.photoEffect.EffectRadioIndex, 0);
  EXPECT_TRUE(GroupEnabled(page.photoGroup, true)) << "only the enabling follows the choice";
  EXPECT_TRUE(GroupEnabled(page.allGroup, false));
}

TEST_F(EffectPageWithPhotos, ChoosingThisPhotosEffectSwapsTheEnabledGroup) {
  PhotoItem& photo = MakeCurrent(0);
  page.ShowPhoto(theSaveData.currentItem);
  EXPECT_TRUE(Checked(page.allRadio));
  EXPECT_TRUE(GroupEnabled(page.allGroup, true));
  EXPECT_TRUE(GroupEnabled(page.photoGroup, false));

  Click(page.photoRadio);
  EXPECT_EQ(photo.ownEffect, 1);
  EXPECT_TRUE(GroupEnabled(page.allGroup, false));
  EXPECT_TRUE(GroupEnabled(page.photoGroup, true));
  EXPECT_GE(mainWindow.TakeRefreshes(), 1);

  Click(page.allRadio);
  EXPECT_EQ(photo.ownEffect, 0);
  EXPECT_TRUE(GroupEnabled(page.allGroup, true));
  EXPECT_TRUE(GroupEnabled(page.photoGroup, false));
}

TEST_F(EffectPageWithPhotos, SepiaInTheLowerGroupChangesOnlyTheCurrentPhoto) {
  PhotoItem& photo = MakeCurrent(0);
  page.ShowPhoto(theSaveData.currentItem);
  Click(page.photoRadio);

  Click(page.photoGroup.sepiaRadio);
  EXPECT_EQ(photo.effect.EffectRadioIndex, 2);
  EXPECT_EQ(theSaveData.globalEffect.EffectRadioIndex, 0);
  EXPECT_EQ(theSaveData.items[1].effect.EffectRadioIndex, 1);
  EXPECT_EQ(theSaveData.photoEffect.EffectRadioIndex, 0);

  DragSlider(page.photoGroup.brightSlider, 20);
  EXPECT_EQ(photo.effect.ValueBriteness, 20);
  EXPECT_EQ(TextOf(page.photoGroup.brightCheck), L"写真の明るさ(0.40)");
  EXPECT_EQ(theSaveData.globalEffect.ValueBriteness, 50);
  EXPECT_EQ(TextOf(page.allGroup.brightCheck), L"写真の明るさ(1.00)");
}

TEST_F(EffectPageWithPhotos, ShowPhotoFollowsTheCurrentPhoto) {
  MakeCurrent(1);
  page.ShowPhoto(theSaveData.currentItem);
  EXPECT_FALSE(Checked(page.allRadio));
  EXPECT_TRUE(Checked(page.photoRadio));
  EXPECT_TRUE(GroupEnabled(page.allGroup, false));
  EXPECT_TRUE(GroupEnabled(page.photoGroup, true));
  ExpectShows(page.photoGroup, theSaveData.items[1].effect);
  EXPECT_EQ(TextOf(page.photoGroup.brightCheck), L"写真の明るさ(1.80)");
  EXPECT_EQ(TextOf(page.photoGroup.contrastCheck), L"コントラスト(0.80)");
  ExpectShows(page.allGroup, theSaveData.globalEffect);

  MakeCurrent(0);
  page.ShowPhoto(theSaveData.currentItem);
  EXPECT_TRUE(Checked(page.allRadio));
  EXPECT_FALSE(Checked(page.photoRadio));
  EXPECT_TRUE(GroupEnabled(page.allGroup, true));
  ExpectShows(page.photoGroup, EffectParams{});

  page.ShowPhoto(nullptr);
  EXPECT_FALSE(Checked(page.allRadio));
  EXPECT_FALSE(Checked(page.photoRadio));
  EXPECT_TRUE(GroupEnabled(page.allGroup, false));
  EXPECT_TRUE(GroupEnabled(page.photoGroup, false));

  theSaveData.items[0].effect.EffectRadioIndex = 7;  // from a hand-edited file
  page.ShowPhoto(&theSaveData.items[0]);
  EXPECT_FALSE(Checked(page.photoGroup.noneRadio));
  EXPECT_FALSE(Checked(page.photoGroup.monoRadio));
  EXPECT_FALSE(Checked(page.photoGroup.sepiaRadio));
}

TEST_F(EffectPage, StartButtonOnThePageAsksTheMainWindowToConvert) {
  TabItemDialogEffect_CL page;
  ASSERT_NE(page.Create(mainWindow.hwnd), nullptr);
  PutStartButtonOn(page.hwnd);
  Click(theMainWindowLinks.convertButton);
  EXPECT_EQ(mainWindow.TakeConvertCommands(), 1);
}
