#include "views/small_dialogs.h"

TSaveQuFm SaveQuFm;
TSorryFm SorryFm;
TShowCopy ShowCopy;

TSaveQuFm::TSaveQuFm() : Form("Save Query") {
    field("Label1", "", "Save the current contents of the editor?");
    Button& yes = button("YesBtn", "&Yes");
    yes.isDefault = true;
    yes.onClick = [this] { modalResult = saveYes; close(); };
    button("NoBtn", "&No").onClick = [this] { modalResult = saveNo; close(); };
    Button& cancel = button("CancelBtn", "Cancel");
    cancel.isCancel = true;
    cancel.onClick = [this] { modalResult = saveCancel; close(); };
}

int TSaveQuFm::ask() {
    // A form closed any other way than by its buttons answers Cancel.
    modalResult = saveCancel;
    showModal();
    return modalResult;
}

TSorryFm::TSorryFm() : Form("Sorry, Not Found") {
    field("Label1", "", "     Not Found");
    Button& ok = button("OKSorry", "OK");
    ok.isDefault = true;
    ok.onClick = [this] { OKSorryClick(); };
}

void TSorryFm::notfound() {
    enabled = true;
    FormShow();
    showModal();
    enabled = false;
}

TShowCopy::TShowCopy() : Form("Copy options") {
    title_ = &check("cbIncTitle", "&Title", true);
    rows_ = &check("cbIncRowHeaders", "Fixed &rows", true);
    cols_ = &check("cbIncColHeaders", "Fixed &columns", true);
    notation_ = &radio("gbNotation", "Notation for data cells", {"Scientific", "Fixed decimals"});
    notation_->index = 1;
    Button& ok = button("BitBtn1", "OK");
    ok.isDefault = true;
}

void TShowCopy::ask() { showModal(); }
bool TShowCopy::cbIncTitle() const { return title_->checked; }
bool TShowCopy::cbIncRowHeaders() const { return rows_->checked; }
bool TShowCopy::cbIncColHeaders() const { return cols_->checked; }
bool TShowCopy::rbScientific() const { return notation_->index == 0; }
