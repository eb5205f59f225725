#pragma once

// The application: opens the main window and ends when it closes.
class COrletApp
{
public:
    // Runs the program; returns the process exit status.
    int Run(int& argc, char** argv);

protected:
    // Shows the main window modally. Returns false: the program then ends
    // instead of entering a message loop of its own.
    bool StartUp();
};

extern COrletApp theOrletApp;

// Picks "宋体" where the system has it, else a CJK font it has.
void ApplyDialogFont();

// The application's name, version, icon, style and font, set on the
// QApplication before the main window is made.
void PrepareApplication();
