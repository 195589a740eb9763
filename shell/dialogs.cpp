#include "shell/dialogs.h"

#include <cstdlib>

#include "core/date.h"
#include "core/printout.h"
#include "graphs/line_styles.h"
#include "platform/files.h"
#include "platform/home.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "regress/regress_state.h"
#include "regress/settings_commands.h"
#include "series/series_state.h"
#include "shell/menu.h"
#include "shell/paths.h"
#include "shell/shell_commands.h"

Orientation printerOrientation = Orientation::portrait;

void fitonscreen(Bounds& f, int W, int H) {
    const int margin = 10;
    if (f.height <= margin) f.height = margin;
    else if (f.height > H) f.height = H;
    if (f.width <= margin) f.width = margin;
    else if (f.width > W) f.width = W;
    if (f.top > H - margin) f.top = H - margin;
    if (f.top + f.height < margin) f.top = margin - f.height;
    if (f.left + f.width < margin) f.left = margin - f.width;
    if (f.left > W - margin) f.left = W - margin;
}

Bounds mainwindowsize(int screenWidth) {
    const float factor = static_cast<float>(screenWidth) / 800.0f;
    return Bounds{static_cast<int>(454 * factor), static_cast<int>(570 * factor), 0, 0};
}

int autofontsize(int clientWidth) {
    if (clientWidth < 600) return 7;
    if (clientWidth < 700) return 8;
    if (clientWidth < 780) return 10;
    return 12;
}

bool showokcancel(Form& form) {
    bool ok = false;
    Form::Button& b = form.button("OKBtn", "OK");
    b.isDefault = true;
    b.onClick = [&] {
        ok = true;
        form.close();
    };
    form.button("CancelBtn", "Cancel").isCancel = true;
    form.showModal();
    return ok;
}

void printersetupdialog() {
    Form form("Printer Setup");
    Form::Radio& r = form.radio("Orientation", "Orientation", {"Portrait", "Landscape"});
    r.index = printerOrientation == Orientation::landscape ? 1 : 0;
    const bool ok = showokcancel(form);
    if (ok) printerOrientation = r.index == 1 ? Orientation::landscape : Orientation::portrait;
}

void fontdialog(WindowFont& font, const std::string& caption) {
    Form form(caption);
    form.field("FontName", "Font", font.name);
    form.field("FontSize", "Size", std::to_string(font.size));
    form.field("FontColor", "Color", std::to_string(font.color));
    Form::Check& bold = form.check("Bold", "Bold", font.bold);
    Form::Check& italic = form.check("Italic", "Italic", font.italic);
    Form::Check& underline = form.check("Underline", "Underline", font.underline);
    Form::Check& strikeout = form.check("StrikeOut", "StrikeOut", font.strikeout);
    const bool ok = showokcancel(form);
    if (!ok) return;
    font.name = form.text("FontName");
    font.size = std::atoi(form.text("FontSize").c_str());
    font.color = std::atoi(form.text("FontColor").c_str());
    font.bold = bold.checked;
    font.italic = italic.checked;
    font.underline = underline.checked;
    font.strikeout = strikeout.checked;
}

void colordialog(int& color) {
    Form form("Color");
    form.field("Color", "Color", std::to_string(color));
    const bool ok = showokcancel(form);
    if (ok) color = std::atoi(form.text("Color").c_str());
}

TJex7OptionFm::TJex7OptionFm() : Form("Jex7 Options") {
    button("OutputFontBtn", "Change Output Window Font").onClick = [] { fontdialog(mainFont, "Font"); };
    button("BackgroundColorBtn", "Change Background Color").onClick = [] { colordialog(mainColor); };
    check("AutoFontSizeBtn", "Automatic Font Size", mainAutoFontSize).onClick = [] {
        mainAutoFontSize = !mainAutoFontSize;
    };
    check("AutoCompleteBox", "Automatic Completion", autoComplete).onClick = [] { autoComplete = !autoComplete; };
    button("GraphFontBtn", "Configure Graph Window Font").onClick = [] { fontdialog(Main.graphFont, "Font"); };
    button("ConfigureGraphBtn", "Configure Graphs").onClick = [] { graphs::showgraphsettings(false); };
    button("ConfigurePrinterBtn", "Configure Printer").onClick = [] { printersetupdialog(); };
    button("ConfigureRegressionBtn", "Set Regression Options").onClick = [] {
        notavailable("Set Regression Options");
    };
    check("ZipBox", "Zip", mainRegZipChecked).onClick = [] { setregzip(!mainRegZipChecked); };
    Form::Radio& r = radio("OryRunType", "Orrery Model Interface", {"Tiny Model Style", "Norvane Style"});
    r.index = Main.modelInterface == 0 || Main.modelInterface == 1 ? Main.modelInterface : -1;
    r.onClick = [&r] {
        if (r.index == 0 || r.index == 1) Main.modelInterface = r.index;
    };
    button("DoneBtn", "Done").onClick = [this] { close(); };
}

void TJex7OptionFm::FormResize() { pagesWidth = width <= 50 ? 50 : width - 15; }

void TJex7OptionFm::activate() { FormResize(); }

void showoptions() {
    // A fresh model each time, so that its controls show the present state.
    TJex7OptionFm dialog;
    dialog.showModal();
}

TChDirForm::TChDirForm() : Form("Folder Selection") {
    top = static_cast<int>(static_cast<float>(platform::screenWidth) / 800.0f * 200.0f);
    left = 0;
    field("ChDirEditBox", "Look in", "");
    Form::Button& ok = button("ChDirOKBtn", "&OK");
    ok.isDefault = true;
    ok.onClick = [this] { ChDirOKBtnClick(); };
    Form::Button& cancel = button("ChDirCancelBtn", "&Cancel");
    cancel.isCancel = true;
    cancel.onClick = [this] { close(); };
}

void TChDirForm::activate() { setText("ChDirEditBox", platform::currentDirectory()); }

void TChDirForm::ChDirOKBtnClick() {
    const std::string dir = text("ChDirEditBox");
    if (!dir.empty()) platform::changeDirectory(nativepath(dir));
    close();
}

void ChangeDirClick() {
    TChDirForm form;
    form.showModal();
    recordworkingdirectory();
    pwdcmd();
}

const char* const aboutText =
    "Jex7 is a tool for economic research. It handles data banks; regression, with "
    "statistics such as mexvals; soft imposition of polynomial-lag and other constraints; "
    "constraints across equations, SUR and common-coefficient regression; graphs; building "
    "and using simultaneous-equation models; and building multisectoral models that combine "
    "input-output and regression analysis.\n"
    "This is version 7.41 for Windows\n";

TAboutBox::TAboutBox() : Form("About Jex7") {
    // Any answer closes the box; its memo is its text.
    field("Memo1", "", aboutText).visible = false;
    Form::Button& ok = button("Button1", "&OK");
    ok.isDefault = true;
}

void TDateConfig1::FormShow() {
    startDate = startDate2 = printDates[0];
    endDate = endDate2 = printDates[1];
    dateFrequency = static_cast<unsigned char>(JexDate(startDate).frequency);
}

TWren1::TWren1() : Form("Wren's Box") {
    field("Edit1", "Name of Programmer", "");
    button("OKButton", "OK").onClick = [] {};
    radio("RadioButton", "", {"RadioButton1", "RadioButton2", "RadioButton3"});
}
