// The console form of the "Set Graph Style" dialog over the rows of GrSetFm: the frame's
// colour and width, then for each series style its colour, width, mark, pen style, bar fill
// and bar ends. A colour is a number typed into its field (it takes effect at once, as the
// colour dialog's choice does); the lists are answered by item number.
#include <cstdlib>
#include <memory>
#include <string>

#include "graphs/line_styles.h"
#include "shell/form.h"

namespace graphs {
namespace {

const char* const styleItems[] = {"Solid", "Dash", "Dot", "DashDot", "DashDotDot", "Clear"};
const char* const fillItems[] = {"Solid", "Clear", "Horiz", "Vert", "FDiag", "BDiag", "Cross",
                                 "DCross"};

class TGrSetForm : public Form {
public:
    TGrSetForm() : Form("Set Graph Style") {
        colourField(0, "ColorBoxM", "Box  ");
        field("WL0", "Box   width", "");
        for (int i = 1; i <= 7; ++i) {
            const std::string n = std::to_string(i), line = "Line " + n;
            colourField(i, "ColorM" + n, line);
            textField(i, "WL" + n, line + " width", &TGrSetFm::Row::width);
            textField(i, "Left" + n, line + " left", &TGrSetFm::Row::left);
            textField(i, "Right" + n, line + " right", &TGrSetFm::Row::right);
            marks_[i] = &list(i, "ML" + n, line + " mark",
                              {std::begin(TGrSetFm::markItems), std::end(TGrSetFm::markItems)},
                              &TGrSetFm::Row::mark);
            styles_[i] = &list(i, "Style" + n + "CB", line + " style",
                               {std::begin(styleItems), std::end(styleItems)},
                               &TGrSetFm::Row::style);
            fills_[i] = &list(i, "Fill" + n, line + " fill",
                              {std::begin(fillItems), std::end(fillItems)}, &TGrSetFm::Row::fill);
        }
        Button& ok = button("OKBtn", "&OK");
        ok.isDefault = true;
        ok.onClick = [this] {
            GrSetFm.applySettings();
            close();
        };
        Button& cancel = button("CancelBtn", "&Cancel");
        cancel.isCancel = true;
        cancel.onClick = [this] { close(); };
        button("SaveBtn", "&Save to file").onClick = [] {
            if (!GrSetFm.saveDialog)
                GrSetFm.saveDialog = [](std::string& name) {
                    return filedialog("Select a name for the file where the settings will be saved.",
                                      "", name);
                };
            GrSetFm.saveBtnClick();
        };
    }

    // The rows from the styles, and the controls from the rows.
    void FormShow() {
        GrSetFm.formShow();
        filling_ = true;
        setText("WL0", GrSetFm.rows[0].width);
        setText("ColorBoxM", std::to_string(GrSetFm.rows[0].colour));
        for (int i = 1; i <= 7; ++i) {
            const TGrSetFm::Row& r = GrSetFm.rows[i];
            const std::string n = std::to_string(i);
            setText("ColorM" + n, std::to_string(r.colour));
            setText("WL" + n, r.width);
            setText("Left" + n, r.left);
            setText("Right" + n, r.right);
            marks_[i]->index = r.mark;
            styles_[i]->index = r.style;
            fills_[i]->index = r.fill;
        }
        filling_ = false;
    }

private:
    void colourField(int i, const std::string& name, const std::string& label) {
        Field& f = field(name, label, "");
        f.onChange = [this, i, name] {
            if (filling_) return;
            GrSetFm.rows[i].colour = static_cast<std::int32_t>(std::atol(text(name).c_str()));
            lineStyles[i].colour = GrSetFm.rows[i].colour;
        };
    }
    void textField(int i, const std::string& name, const std::string& label,
                   std::string TGrSetFm::Row::*member) {
        field(name, label, "").onChange = [this, i, name, member] {
            if (!filling_) GrSetFm.rows[i].*member = text(name);
        };
    }
    Radio& list(int i, const std::string& name, const std::string& caption,
                std::vector<std::string> items, int TGrSetFm::Row::*member) {
        Radio& r = radio(name, caption, std::move(items));
        r.onClick = [&r, i, member] { GrSetFm.rows[i].*member = r.index; };
        return r;
    }

    Radio* marks_[8] = {};
    Radio* styles_[8] = {};
    Radio* fills_[8] = {};
    bool filling_ = false;
};

TGrSetForm& settingsform() {
    static std::unique_ptr<TGrSetForm> form = std::make_unique<TGrSetForm>();
    return *form;
}

}  // namespace

void showgraphsettings(bool modeless) {
    // A dialog left open keeps what was edited in it; a closed one is filled anew.
    TGrSetForm& form = settingsform();
    if (!form.isOpen()) form.FormShow();
    form.showModal(modeless);
}

bool graphsettingsopen() { return settingsform().isOpen(); }

void closegraphsettings() { settingsform().close(); }

}  // namespace graphs
