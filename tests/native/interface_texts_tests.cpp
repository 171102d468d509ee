#include "ui/interface_texts.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "platform/memory/memory_platform.h"
#include "ui/dialog_form.h"

namespace zent {
namespace {

// The program's string table, as the resources of the built program hold it.
memory::MemoryResources ProgramTexts() {
  std::map<int, std::string> texts;
  for (const StringTableEntry& entry : StringTable()) texts.emplace(entry.id, entry.text);
  return memory::MemoryResources(std::move(texts));
}

struct StartedForms {
  memory::MemoryResources resources = ProgramTexts();
  Form dialog = MakeConfigurationDialog();

  StartedForms() { ApplyInterfaceTexts({&dialog}, resources); }
};

TEST(ApplyInterfaceTexts, EveryTaggedDialogControlShowsItsEnglishText) {
  StartedForms forms;
  const Form german = MakeConfigurationDialog();
  int tagged = 0;
  for (const Control& control : forms.dialog.controls) {
    if (control.tag == 0) {
      EXPECT_EQ(control.text, german.Find(control.name).text) << control.name;
      continue;
    }
    ++tagged;
    EXPECT_EQ(control.text, StringTableText(control.tag)) << control.name;
    EXPECT_FALSE(control.text.empty()) << control.name;
  }
  // Every id of the table but the captions set by id (1, 10, 11, 12, 400).
  EXPECT_EQ(tagged, 26);
  EXPECT_EQ(forms.dialog.Find("Label19").text, "slow");
  EXPECT_EQ(forms.dialog.Find("Label20").text, "fast");
  EXPECT_EQ(forms.dialog.Find("Button2").text, "Preview");
  EXPECT_EQ(forms.dialog.Find("RadioButton1").text, "SAFETY OPTIMIZED SETTINGS ");
  // The pass leaves the captions the entry sets by id.
  EXPECT_EQ(forms.dialog.caption, german.caption);
  EXPECT_EQ(forms.dialog.Find("TabSheet1").text, "Einstellungen zur Suche");
}

TEST(ApplyInterfaceTexts, FollowsTheClassListOfEachKind) {
  memory::MemoryResources resources = ProgramTexts();
  Form form;
  const auto add = [&](ControlKind kind, int tag) {
    Control control;
    control.name = "C" + std::to_string(form.controls.size());
    control.kind = kind;
    control.tag = tag;
    control.text = "German";
    control.hint = "old hint";
    form.controls.push_back(control);
  };
  for (ControlKind kind :
       {ControlKind::Button, ControlKind::CheckBox, ControlKind::Label, ControlKind::TabSheet,
        ControlKind::GroupBox, ControlKind::RadioButton}) {
    add(kind, 2);
  }
  add(ControlKind::Edit, 2);
  add(ControlKind::ListBox, 2);
  add(ControlKind::Other, 2);

  ApplyInterfaceTexts({&form}, resources);

  for (std::size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(form.controls[i].text, "Preview") << i;
    EXPECT_EQ(form.controls[i].hint, "old hint") << i;
  }
  for (std::size_t i = 6; i < 9; ++i) {
    EXPECT_EQ(form.controls[i].text, "German") << i;
  }
}

TEST(LoadText, KeepsTheTableTextsByteForByte) {
  memory::MemoryResources resources = ProgramTexts();
  EXPECT_EQ(resources.LoadText(1), "Kelvaro 99  ULVEX Screen Saver Configuration");
  EXPECT_EQ(resources.LoadText(103).back(), ' ');
  EXPECT_EQ(resources.LoadText(112),
            "in the \"Options\" and \"User-Defined\" sections (main menu).");
  EXPECT_EQ(resources.LoadText(201), "Click \"Preview\" to view the results before saving.");
  EXPECT_EQ(resources.LoadText(400), "Please wait...");
  EXPECT_EQ(StringTable().size(), 33u);
}

TEST(LoadText, GivesEmptyTextForIdsOutsideTheTable) {
  memory::MemoryResources resources = ProgramTexts();
  for (int id : {0, 4, 5, 13, 99, 401, 10002, 20200, 20213, 20300, 20315, 65535, -1}) {
    EXPECT_EQ(resources.LoadText(id), "") << id;
    EXPECT_EQ(StringTableText(id), "") << id;
  }
}

TEST(LoadText, CutsTextsAt510Characters) {
  memory::MemoryResources resources;
  resources.texts[7] = std::string(509, 'a');
  resources.texts[8] = std::string(510, 'b');
  resources.texts[9] = std::string(600, 'c');
  EXPECT_EQ(resources.LoadText(7), std::string(509, 'a'));
  EXPECT_EQ(resources.LoadText(8), std::string(510, 'b'));
  EXPECT_EQ(resources.LoadText(9), std::string(510, 'c'));
}

}  // namespace
}  // namespace zent
