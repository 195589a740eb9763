// What the Bank, Help and File menu items do, and the commands that share their work (look,
// help). The bank items build the command a user would type and run it through the command
// loop, not echoed, cached or kept in the history; the help and outside-program items say
// on one line what this system cannot open.
#pragma once

#include <cstdio>
#include <string>

// The letter of the bank the look operations last chose ('w' for the workspace bank).
extern char lookBankLetter;

// Bank menu.
void Assign1Click();          // Assign Data Banks
void Workspace1Click();       // Assign Workspace Bank
void Zap1Click();             // Zap:  Clear Workspace Memory
void CloseAllBanks1Click();   // Close All Banks
void Look1Click();            // Look at a Bank
void List1Click();            // List Loaded Banks
// look [letter], l [letter]: checks the letter and the slot; 0, or -1 with its message.
int lookcmd(std::FILE* in);

// Help menu and help, h: the pages of the help file.
extern const char* const helpContentsPage;   // "::/index.html"
extern const char* const helpReferencePage;  // "::/source/referencemanual.html"
extern const char* const helpTutorialPage;   // "::/source/jex7Tutorial.html"
// Opens the help file at a page: the information box when the file is missing (false).
bool openhelppage(const char* page);
int helpcmd(std::FILE* in);

// The web addresses of the Help menu: settings, empty unless configured.
extern std::string onlineHelpAddress, updatesAddress, makerSiteAddress;
// Opens a web address (says when none is configured for the item).
void openwebaddress(const std::string& address, const std::string& item);

// File menu: outside programs and display settings.
void WordPad1Click();
// A console window; the dos command without a command line calls it.
void DOS1Click();
void FontDlgClick();
void BackgroundColor1Click();
void AutoFontSizeClick();
void MainRegZipClick();

// Graph menu (the current graph and the graph windows, graphs/graph_windows.h).
void GraphSaveAsClick();     // Save
void S1Click();              // Shift1
void Shift21Click();         // Shift2
void Print1Click();          // Print
void GraphSettingsClick();   // Settings (and the tool button): the settings dialog, modeless
void GraphFontClick();       // Font: the font dialog on the graph font
void GraphBrowser1Click();   // Graph Browser: the browser, modeless
// The enabled state of Save, Shift1, Shift2 and Print: while a graph window is shown.
bool graphitemsenabled();
// Makes the graph windows (Jex Graph, Graph 1, Graph 2, Graph Browser, Jex Graph Settings)
// known to the Window menu: each row is shown while its window is, with the window's own
// items under it, and Close All Other closes them.
void registergraphwindows();
