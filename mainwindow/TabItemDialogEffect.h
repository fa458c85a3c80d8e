#pragma once
// Second parameter page, "エフェクト": two groups of effect controls, the upper one bound to
// the effect of all photos (the working settings' globalEffect), the lower one to the current
// photo's own effect, and the choice which of the two the current photo uses. Every change goes
// straight into the main window's working settings and asks for a preview refresh.
#include <windows.h>

#include <vector>

#include "engine/SaveData.h"
#include "mainwindow/MainWindowLinks.h"
#include "mainwindow/ParameterPage.h"
#include "toolkit/ControlFactory.h"

// One group of eight controls showing one set of effect values; the eight are enabled and
// disabled together.
struct EffectControls {
  // The keys of one group's texts, "(&N)" and so on: none, grey, sepia, brightness, contrast.
  struct Keys {
    wchar_t none, mono, sepia, bright, contrast;
  };
  // A group's controls by their ids: the group's first id plus their part.
  enum Part : int {
    kNonePart,
    kMonoPart,
    kSepiaPart,
    kBrightPart,
    kBrightSliderPart,
    kContrastPart,
    kContrastSliderPart,
    kFramePart,
    kBrightNamePart,
    kContrastNamePart,
  };

  ControlFactory_CL* controls = nullptr;
  HWND page = nullptr;
  const MainWindowLinks* links = nullptr;  // where the group's refreshes go
  GroupBox_CL* frame = nullptr;
  RadioButton_CL* noneRadio = nullptr;
  RadioButton_CL* monoRadio = nullptr;
  RadioButton_CL* sepiaRadio = nullptr;
  CheckBox_CL* brightCheck = nullptr;
  CheckBox_CL* contrastCheck = nullptr;
  TrackBar_CL* brightSlider = nullptr;
  TrackBar_CL* contrastSlider = nullptr;
  // Unseen labels right before the sliders: "明るさ" and "コントラスト" for a screen reader.
  StaticText_CL* brightName = nullptr;
  StaticText_CL* contrastName = nullptr;
  Keys keys{};
  int firstId = 0;

  // Creates the eight controls on the page through its factory, the frame titled `title`, with
  // the ids from firstId on.
  void Build(ControlFactory_CL& factory, HWND pageWindow, const Keys& groupKeys, const wchar_t* title,
             int groupFirstId);
  // The two unseen slider names; made after every other control, so the ids stay.
  void AddSliderNames(ControlFactory_CL& factory);
  // The group's controls in reading order.
  std::vector<const ControlBase_CL*> TabOrder() const;
  // Shows values: check boxes, slider positions, the chosen colour effect, the texts.
  void Load(const EffectParams& values);
  void Enable(bool enabled) const;
  // "写真の明るさ(1.00)" / "コントラスト(0.00)" from the sliders' positions.
  void UpdateTexts() const;
  // Frame and controls from top, in a page of client width pageWidth.
  void Layout(int top, const LayoutMetrics& metrics) const;
  // A command from one of the group's controls: stores it in values. Posts the refreshes.
  void OnCommand(int id, EffectParams& values) const;
  // A scroll from one of the group's sliders: stores the position. True when it was one.
  bool OnScroll(HWND slider, EffectParams& values) const;

private:
  void PostRefresh() const;
};

class TabItemDialogEffect_CL : public ParameterPage_CL {
public:
  // The ids of the two choices and the first ids of the two groups.
  enum ControlId : int {
    kAllRadioId = 0x1100,
    kPhotoRadioId,
    kAllGroupFirstId = 0x1110,
    kPhotoGroupFirstId = 0x1120,
  };
  // Both groups show their values; the upper one is on until a photo says otherwise.
  void ShowSettings() override;
  // The effects' switches are the groups' own, for all photos and for one: no rows here.
  const std::vector<SwitchRow>& Switches() const override;

  // Brings the page in line with photo (the current photo, or null): the lower group shows
  // the photo's own effect, the radio buttons and the enabled group follow its ownEffect.
  // Without a photo both radio buttons are unchecked and both groups disabled.
  // The tab host calls this while the main window handles a refresh.
  void ShowPhoto(const PhotoItem* photo);

  RadioButton_CL* allRadio = nullptr;
  RadioButton_CL* photoRadio = nullptr;
  EffectControls allGroup;
  EffectControls photoGroup;

protected:
  void CreateControls() override;
  void SetTabOrder() override;
  void Layout() override;
  void OnCommand(int id, int notification) override;
  void OnScroll(HWND slider) override;
};
