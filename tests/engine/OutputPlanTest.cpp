#include "engine/OutputPlan.h"

#include <gtest/gtest.h>

#include "base/ShellHelpers.h"
#include "tests/support/TempFolder.h"

namespace {

// A folder of photos (files with a photo's name; the plan never reads them).
class OutputPlan : public testing::Test {
protected:
  std::wstring Photo(const std::wstring& name) {
    const std::wstring path = temp.File(name);
    EXPECT_TRUE(WriteFileBytes(path, "photo")) << testing::PrintToString(path);
    return path;
  }
  void Folder(const std::wstring& name) { ASSERT_TRUE(CreateDirectoryW(temp.File(name).c_str(), nullptr)); }

  // The planned paths in order; "refused: <reason>" for a refused photo.
  std::vector<std::wstring> Planned(const std::vector<std::wstring>& sources) const {
    const OutputPlan_CL plan(sources, settings);
    std::vector<std::wstring> paths;
    for (const PlannedOutput& output : plan.Outputs()) {
      paths.push_back(output.refusal == PhotoFailure::None
                          ? output.path
                          : std::wstring(L"refused: ") + FailureText(output.refusal));
    }
    return paths;
  }

  TempFolder temp;
  ConvertSettings settings;
};

const std::wstring kSameAsSource = std::wstring(L"refused: ") + FailureText(PhotoFailure::SameAsSource);
const std::wstring kWriteFailed = std::wstring(L"refused: ") + FailureText(PhotoFailure::WriteFailed);

}  // namespace

TEST_F(OutputPlan, EachPhotoGetsItsFolderAndPathAndAnEarlierRunsFileIsReplaced) {
  const std::wstring a = Photo(L"a.JPG");
  const std::wstring b = Photo(L"b.tif");
  Folder(L"Resized");
  ASSERT_TRUE(WriteFileBytes(temp.File(L"Resized\\a.JPG"), "earlier output"));
  const OutputPlan_CL plan({a, b}, settings);
  ASSERT_EQ(plan.Count(), 2u);
  EXPECT_EQ(plan.At(0).folder, temp.File(L"Resized"));
  EXPECT_EQ(plan.At(0).path, temp.File(L"Resized\\a.JPG")) << "not numbered: no photo of the batch";
  EXPECT_EQ(plan.At(0).refusal, PhotoFailure::None);
  EXPECT_EQ(plan.At(1).path, temp.File(L"Resized\\b.jpg"));
}

TEST_F(OutputPlan, OutputsOfOneNameAreNumberedInListOrderWithoutRegardToCase) {
  // Photos of two folders sent to one folder on the desktop.
  settings.SaveDirTypeIndex = OutputPlace::Desktop;
  const std::wstring onDesktop = DesktopFolder() + L"\\Resized\\";
  EXPECT_EQ(Planned({L"C:\\One\\a.jpg", L"C:\\Two\\A.JPG", L"C:\\Three\\a.jpg", L"C:\\One\\b.jpg"}),
            (std::vector<std::wstring>{onDesktop + L"a.jpg", onDesktop + L"A (2).JPG",
                                       onDesktop + L"a (3).jpg", onDesktop + L"b.jpg"}));

  // "x.png" and "x.jpg" both made JPEG beside each other.
  settings.SaveDirTypeIndex = OutputPlace::BesideSource;
  settings.OutputImageType = kAllJpeg;
  const std::wstring png = Photo(L"x.png");
  const std::wstring jpg = Photo(L"x.jpg");
  EXPECT_EQ(Planned({png, jpg}),
            (std::vector<std::wstring>{temp.File(L"Resized\\x.jpg"), temp.File(L"Resized\\x (2).jpg")}));
}

TEST_F(OutputPlan, ANumberNeverTakesTheNameOfAnotherPhotoOrItsOutput) {
  const std::wstring png = Photo(L"x.png");
  const std::wstring jpg = Photo(L"x.jpg");
  const std::wstring second = Photo(L"x (2).jpg");
  settings.OutputImageType = kAllJpeg;
  EXPECT_EQ(Planned({png, jpg, second}),
            (std::vector<std::wstring>{temp.File(L"Resized\\x.jpg"), temp.File(L"Resized\\x (3).jpg"),
                                       temp.File(L"Resized\\x (2).jpg")}));

  // Beside the photos, " (2)" would be the photo "x_s (2).jpg".
  settings.MakeFolder = L"";
  settings.CheckAddFileNameBottom = true;
  const std::wstring suffixed = Photo(L"x_s (2).jpg");
  EXPECT_EQ(Planned({png, jpg, suffixed}),
            (std::vector<std::wstring>{temp.File(L"x_s.jpg"), temp.File(L"x_s (3).jpg"), temp.File(L"x_s (2)_s.jpg")}));
}

TEST_F(OutputPlan, AnOutputNamingAnyPhotoOfTheBatchIsRefused) {
  // x.tif would be written as x.jpg, over the photo x.jpg; x.jpg over itself.
  const std::wstring jpg = Photo(L"x.jpg");
  const std::wstring tif = Photo(L"x.tif");
  settings.MakeFolder = L"";
  EXPECT_EQ(Planned({jpg, tif}), (std::vector<std::wstring>{kSameAsSource, kSameAsSource}));
  EXPECT_EQ(Planned({tif, jpg}), (std::vector<std::wstring>{kSameAsSource, kSameAsSource}));
  EXPECT_EQ(Planned({tif}), std::vector<std::wstring>{temp.File(L"x.jpg")})
      << "x.jpg is no photo of this batch: an earlier output, replaced";
  EXPECT_EQ(ReadFileBytes(jpg), "photo");

  settings.CheckAddFileNameBottom = true;
  EXPECT_EQ(Planned({jpg, tif}), (std::vector<std::wstring>{temp.File(L"x_s.jpg"), temp.File(L"x_s (2).jpg")}));

  // A photo lying in the output folder of another photo of the batch.
  settings.MakeFolder = L"Resized";
  settings.CheckAddFileNameBottom = false;
  Folder(L"Resized");
  const std::wstring inside = Photo(L"Resized\\X.JPG");
  EXPECT_EQ(Planned({jpg, inside}),
            (std::vector<std::wstring>{kSameAsSource, temp.File(L"Resized\\Resized\\X.JPG")}));
}

TEST_F(OutputPlan, AnOutputThatIsAPhotoUnderAnotherNameIsRefused) {
  const std::wstring photo = Photo(L"a.jpg");
  Folder(L"Resized");
  ASSERT_TRUE(CreateHardLinkW(temp.File(L"Resized\\a.jpg").c_str(), photo.c_str(), nullptr));
  EXPECT_EQ(Planned({photo}), std::vector<std::wstring>{kSameAsSource});
}

TEST_F(OutputPlan, AFolderNameOrFileNameThatLeavesTheFolderRefusesThePhotos) {
  const std::wstring a = Photo(L"a.jpg");
  const std::wstring b = Photo(L"b.jpg");
  settings.MakeFolder = L"..";
  const OutputPlan_CL plan({a, b}, settings);
  EXPECT_EQ(plan.FolderProblem(), FolderNameProblem::RelativeName);
  for (const PlannedOutput& output : plan.Outputs()) {
    EXPECT_EQ(output.refusal, PhotoFailure::WriteFailed);
    EXPECT_TRUE(output.path.empty());
    EXPECT_TRUE(output.folder.empty());
  }

  settings.MakeFolder = L"Resized";
  settings.CheckAddFileNameTop = true;
  for (const wchar_t* prefix : {L"..\\", L"sub/", L"a:", L"x?"}) {
    settings.ValueAddFileNameTop = prefix;
    EXPECT_EQ(Planned({a}), std::vector<std::wstring>{kWriteFailed}) << testing::PrintToString(std::wstring(prefix));
  }
}
