#pragma once
// First parameter page, "変換後画像タイプ／変換サイズ": the output image type and the box
// every photo is fitted into (nine fixed sizes, a custom width x height, no resizing,
// the long edge, a percentage of the photo's size), whether a photo smaller than the box is
// left at its size, whether a downscaled photo is sharpened, and whether a photo is cropped
// to fill the box exactly (at the centre or around what draws the eye). Choices go straight into
// the main window's working settings; a size change asks for a preview refresh, a type change saves the settings
// at once. Clicks on the start button, which the tab host moves onto the visible page, are
// forwarded to the main window.
#include <windows.h>

#include <string>
#include <vector>

#include "engine/ConvertSettings.h"
#include "mainwindow/ParameterPage.h"
#include "toolkit/ControlFactory.h"
#include "toolkit/ToolTips.h"

class TabItemDialogImageSize_CL : public ParameterPage_CL {
public:
  // The ids of the page's yes/no options (the rows of Switches()) and of the crop's anchors,
  // which the fill greys.
  enum SwitchId : int {
    kNoEnlargeId = 0x1200,
    kSharpenId,
    kFillId,
    kCentreId,
    kAttentionId,
  };
  // The ids of its other controls: a type's button is kFirstTypeId + OutputImageType, a size's
  // kFirstSizeId + ResizeRadioIndex.
  enum ControlId : int {
    kFirstTypeId = 0x1100,
    kTypeGroupId = kFirstTypeId + kOutputTypeCount,
    kFirstSizeId,
    kLongEdgeEditId = kFirstSizeId + kSizeChoiceCount,
    kScaleEditId,
    kPercentLabelId,
    kWidthEditId,
    kTimesLabelId,
    kHeightEditId,
    kSizeGroupId,
    kWidthNameId,
    kHeightNameId,
    kLongEdgeNameId,
    kScaleNameId,
  };
  // One size radio button and its text.
  struct SizeButton {
    std::wstring label;
    RadioButton_CL* radio = nullptr;
  };

  void ShowSettings() override;
  const std::vector<SwitchRow>& Switches() const override;

  std::vector<RadioButton_CL*> typeRadios;  // index = OutputImageType
  std::vector<SizeButton> sizeChoices;      // index = ResizeRadioIndex
  GroupBox_CL* sizeGroup = nullptr;
  GroupBox_CL* typeGroup = nullptr;
  Edit_CL* widthEdit = nullptr;
  Edit_CL* heightEdit = nullptr;
  StaticText_CL* timesLabel = nullptr;
  CheckBox_CL* noEnlargeCheck = nullptr;  // NoEnlarge
  // The edit boxes of "長辺を指定"
  // (sizeChoices[SizeChoice::LongEdge]) and "元のサイズの N %" (sizeChoices[SizeChoice::Percent]).
  Edit_CL* longEdgeEdit = nullptr;        // LongEdge
  Edit_CL* scaleEdit = nullptr;           // ScalePercent
  StaticText_CL* percentLabel = nullptr;  // the "%" after scaleEdit
  CheckBox_CL* sharpenCheck = nullptr;    // Sharpen
  // "切り抜いてぴったりにする" and where the crop sits. Greyed for the size choices
  // without a box (keep, long edge, percent); the anchor also while the crop is off.
  CheckBox_CL* fillCheck = nullptr;         // CropToFill
  RadioButton_CL* centreRadio = nullptr;    // CropAnchor FillAnchor::Centre, "中央"
  RadioButton_CL* attentionRadio = nullptr;  // CropAnchor FillAnchor::Attention, "見どころ"
  // Unseen labels that name the number boxes for a screen reader: "幅", "高さ", "長辺 (px)",
  // "縮小率 (%)".
  StaticText_CL* widthName = nullptr;
  StaticText_CL* heightName = nullptr;
  StaticText_CL* longEdgeName = nullptr;
  StaticText_CL* scaleName = nullptr;
  ToolTips_CL tips;                       // what keeping the type does to a HEIC

protected:
  void CreateControls() override;
  void SetTabOrder() override;
  void Layout() override;
  void OnCommand(int id, int notification) override;

private:
  void CreateTypeButtons(int unitWidth, int unitHeight);
  void CreateSizeButtons(int unitWidth);
  void CreateCustomSizeControls();
  void CreateLongEdgeAndScaleControls();
  void CreateFillControls();
  // Greys the fill controls where they have no effect.
  void EnableFill();
  // Reads one edit box into its field, then makes the custom size the chosen one.
  void OnCustomSizeTyped(const Edit_CL& edit, int& field);
  // Reads a long edge or percent box into its field when the number is within low..high,
  // then makes its size choice the chosen one.
  void OnChoiceNumberTyped(const Edit_CL& edit, int low, int high, int& field, SizeChoice choice);
  void SelectCustomSize();
  // Checks the button of size choice `index` alone and takes its box.
  void SelectSize(SizeChoice index);
  SizeButton& Button(SizeChoice choice);
  void PlaceKeepTypeTip();
};
