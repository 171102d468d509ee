#include "ui/dialog_form.h"

#include <algorithm>
#include <utility>

namespace zent {

Control& Form::Find(std::string_view controlName) {
  return const_cast<Control&>(std::as_const(*this).Find(controlName));
}

const Control& Form::Find(std::string_view controlName) const {
  const auto found = std::find_if(controls.begin(), controls.end(), [&](const Control& control) {
    return control.name == controlName;
  });
  if (found == controls.end()) {
    throw std::out_of_range(name + " has no control " + std::string(controlName));
  }
  return *found;
}

namespace {

constexpr int kLabelHeight = 13;
constexpr int kCheckHeight = 17;
constexpr int kEditHeight = 21;
constexpr int kIndent = 26;

Control Make(std::string name, ControlKind kind, int page, int tag, std::string text, int left,
             int top, int width, int height) {
  Control control;
  control.name = std::move(name);
  control.kind = kind;
  control.page = page;
  control.tag = tag;
  control.text = std::move(text);
  control.left = left;
  control.top = top;
  control.width = width;
  control.height = height;
  return control;
}

// Labels size themselves to their text, so they carry no width of their own.
Control MakeLabel(std::string name, int page, int tag, std::string text, int left, int top) {
  return Make(std::move(name), ControlKind::Label, page, tag, std::move(text), left, top, 0,
              kLabelHeight);
}

Control MakeRadio(std::string name, int page, int tag, std::string text, int left, int top,
                  int width, bool checked) {
  Control control = Make(std::move(name), ControlKind::RadioButton, page, tag, std::move(text),
                         left, top, width, kCheckHeight);
  control.checked = checked;
  return control;
}

Control MakeTabSheet(std::string name, int page, std::string caption) {
  // The entry sets the page captions by id, so the sheets carry no tag.
  return Make(std::move(name), ControlKind::TabSheet, page, 0, std::move(caption), 0, 0, 0, 0);
}

// The first page's choice of the safety set, with the lines that explain it.
void AddSafetyChoice(std::vector<Control>& controls, int page) {
  controls.push_back(MakeRadio(
      "RadioButton1", page, 102,
      "Es sollen für den Bildschirmschoner besondere Einstellungen gelten, die Konflikte mit", 8,
      104, 473, true));
  controls.push_back(MakeLabel(
      "Label8", page, 103,
      "anderen laufenden Programmen (insbesondere Installations-Programmen) vermeiden sollen.",
      kIndent, 120));
  controls.push_back(
      MakeLabel("Label9", page, 104,
                "Temporäre Dateien (und Ordner) sowie Verknüpfungen und Deinstallations-Einträge",
                kIndent, 136));
  controls.push_back(MakeLabel(
      "Label17", page, 105,
      "werden dabei nicht beachtet, um eine evtl. laufende Installation nicht zu zerstören.",
      kIndent, 152));
  controls.push_back(
      MakeLabel("Label12", page, 106, "Diese Methode wird empfohlen.", kIndent, 168));
}

// The first page's choice of the main program's options, with the lines that
// explain it.
void AddMainProgramChoice(std::vector<Control>& controls, int page) {
  controls.push_back(MakeRadio("RadioButton2", page, 110,
                               "Die Einstellungen sollen aus dem Hauptprogramm übernommen werden.",
                               8, 200, 393, false));
  controls.push_back(MakeLabel(
      "Label4", page, 111,
      "Starten Sie dazu das Hauptprogramm und verändern Sie die Optionen unter", kIndent, 216));
  controls.push_back(MakeLabel("Label5", page, 112,
                               "den Menüpunkten \"Optionen\" und \"Benutzer\".", kIndent, 232));
  controls.push_back(
      MakeLabel("Label18", page, 113,
                "!Alle! dort getroffenen Einstellungen werden vom Bildschirmschoner übernommen!",
                kIndent, 248));
  controls.push_back(
      MakeLabel("Label7", page, 114,
                "Damit die Änderungen wirksam werden, müssen Sie das Hauptprogramm verlassen!",
                kIndent, 264));
}

void AddSourcePage(std::vector<Control>& controls) {
  constexpr int page = 0;
  controls.push_back(MakeTabSheet("TabSheet1", page, "Einstellungen zur Suche"));
  controls.push_back(MakeLabel("Label1", page, 100,
                               "Bitte wählen Sie, aus welcher Quelle der Bildschirmschoner seine "
                               "Einstellungen beziehen soll.",
                               8, 16));
  controls.push_back(MakeLabel(
      "Label2", page, 101,
      "Dies betrifft alle Einstellungen, die Sie im Hauptprogramm auch ändern können.", 8, 32));
  AddSafetyChoice(controls, page);
  AddMainProgramChoice(controls, page);
  // A cleaning run with administrator rights, started beside the open dialog.
  controls.push_back(
      Make("Button3", ControlKind::Button, page, 115, "Jetzt säubern", 8, 304, 121, 25));
}

void AddAppearancePage(std::vector<Control>& controls) {
  constexpr int page = 1;
  controls.push_back(MakeTabSheet("TabSheet2", page, "Optische Einstellungen"));
  controls.push_back(MakeLabel("Label10", page, 200,
                               "Hier können Sie optische Effekte des Bildschirmschoners festlegen.",
                               8, 16));
  controls.push_back(MakeLabel(
      "Label15", page, 201,
      "Sie können das Resultat begutachten, wenn Sie auf die Schaltfläche \"Sehen\" klicken.", 8,
      32));
  controls.push_back(MakeLabel("Label11", page, 202, "Anzahl der Sterne:", 8, 75));
  controls.push_back(Make("Edit1", ControlKind::Edit, page, 0, "100", 104, 72, 73, kEditHeight));

  // The arrows are deliberately not attached to the star-count edit: they keep
  // their own position and never wrap around.
  Control arrows = Make("UpDown1", ControlKind::UpDown, page, 0, "", 180, 71, 16, 24);
  arrows.minimum = 20;
  arrows.maximum = 5000;
  arrows.step = 2;
  arrows.position = 100;
  controls.push_back(std::move(arrows));

  controls.push_back(MakeLabel("Label3", page, 203, "Geschwindigkeit:", 8, 131));
  // Horizontal, a tick at every step, ticks below.
  Control speed = Make("TrackBar1", ControlKind::TrackBar, page, 0, "", 96, 128, 150, 25);
  speed.minimum = 1;
  speed.maximum = 10;
  speed.step = 1;
  speed.position = 2;
  controls.push_back(std::move(speed));

  controls.push_back(MakeLabel("Label19", page, 0, "slow", 96, 160));
  controls.push_back(MakeLabel("Label20", page, 0, "fast", 227, 160));
  Control blocks = Make("CheckBox1", ControlKind::CheckBox, page, 204,
                        "Sterne als 4 Pixel-Block darstellen (sonst 1 Stern = 1 Pixel)", 8, 192,
                        401, kCheckHeight);
  blocks.checked = true;
  controls.push_back(std::move(blocks));
  controls.push_back(MakeLabel(
      "Label16", page, 205, "Dies macht die Sterne besser sichtbar, kostet aber mehr Rechenzeit.",
      kIndent, 208));
}

void AddSecurityPage(std::vector<Control>& controls) {
  constexpr int page = 2;
  controls.push_back(MakeTabSheet("TabSheet3", page, "Sicherheit"));
  controls.push_back(MakeLabel("Label6", page, 300,
                               "Bitte wählen Sie, ob der Bildschirmschoner schreibgeschützte "
                               "Dateien und Ordner löschen soll.",
                               8, 16));
  controls.push_back(
      MakeRadio("RadioButton4", page, 301, "Niemals löschen (empfohlen)", 8, 64, 257, true));
  controls.push_back(MakeLabel("Label13", page, 302,
                               "Alle schreibgeschützten Dateien und Ordner werden nicht gelöscht.",
                               kIndent, 80));
  controls.push_back(MakeRadio("RadioButton5", page, 303, "Immer löschen", 8, 104, 409, false));
  controls.push_back(MakeLabel("Label14", page, 304,
                               "Alle schreibgeschützten Dateien und Ordner werden gelöscht.",
                               kIndent, 120));
}

}  // namespace

Form MakeConfigurationDialog() {
  Form dialog;
  dialog.name = "Form1";
  dialog.caption = "QRV-Kelvaro 98 ZENT-EDITION - Bildschirmschoner einstellen";
  dialog.clientWidth = 482;
  dialog.clientHeight = 473;

  Control pages = Make("PageControl1", ControlKind::PageControl, -1, 0, "", 0, 0, 480, 420);
  pages.minimum = 0;
  pages.maximum = 2;
  pages.position = 1;  // the active page: the dialog opens on the star settings
  dialog.controls.push_back(std::move(pages));
  AddSourcePage(dialog.controls);
  AddAppearancePage(dialog.controls);
  AddSecurityPage(dialog.controls);
  dialog.controls.push_back(Make("Button2", ControlKind::Button, -1, 2, "Sehen", 294, 432, 89, 33));
  dialog.controls.push_back(
      Make("Button1", ControlKind::Button, -1, 3, "Übernehmen", 392, 432, 89, 33));
  return dialog;
}

Control& SafetyModeButton(Form& dialog) { return dialog.Find("RadioButton1"); }
Control& MainProgramModeButton(Form& dialog) { return dialog.Find("RadioButton2"); }
Control& NeverDeleteButton(Form& dialog) { return dialog.Find("RadioButton4"); }
Control& AlwaysDeleteButton(Form& dialog) { return dialog.Find("RadioButton5"); }
Control& StarCountEdit(Form& dialog) { return dialog.Find("Edit1"); }
Control& StarCountArrows(Form& dialog) { return dialog.Find("UpDown1"); }
Control& SpeedBar(Form& dialog) { return dialog.Find("TrackBar1"); }
Control& BlockStarsBox(Form& dialog) { return dialog.Find("CheckBox1"); }
Control& PreviewButton(Form& dialog) { return dialog.Find("Button2"); }
Control& ApplyButton(Form& dialog) { return dialog.Find("Button1"); }
Control& CleanNowButton(Form& dialog) { return dialog.Find("Button3"); }
const Control& SafetyModeButton(const Form& dialog) { return dialog.Find("RadioButton1"); }
const Control& MainProgramModeButton(const Form& dialog) { return dialog.Find("RadioButton2"); }
const Control& NeverDeleteButton(const Form& dialog) { return dialog.Find("RadioButton4"); }
const Control& AlwaysDeleteButton(const Form& dialog) { return dialog.Find("RadioButton5"); }
const Control& StarCountEdit(const Form& dialog) { return dialog.Find("Edit1"); }
const Control& SpeedBar(const Form& dialog) { return dialog.Find("TrackBar1"); }
const Control& BlockStarsBox(const Form& dialog) { return dialog.Find("CheckBox1"); }

void CheckRadioButton(Form& form, Control& button) {
  for (Control& other : form.controls) {
    if (other.kind == ControlKind::RadioButton && other.page == button.page) {
      other.checked = false;
    }
  }
  button.checked = true;
}

void SetTrackBarPosition(Control& trackBar, int position) {
  trackBar.position = std::clamp(position, trackBar.minimum, trackBar.maximum);
}

void FillStarCountFromArrows(Form& dialog) {
  StarCountEdit(dialog).text = std::to_string(StarCountArrows(dialog).position);
}

void MoveStarCountArrows(Form& dialog, int newPosition) {
  Control& arrows = StarCountArrows(dialog);
  arrows.position = std::clamp(newPosition, arrows.minimum, arrows.maximum);
  StarCountEdit(dialog).text = std::to_string(arrows.position);
}

}  // namespace zent
