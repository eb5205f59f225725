#pragma once

#include <QString>
#include <QStringList>

// The application: opens the main window and ends when it closes.
class COrletApp
{
public:
    // Runs the program; returns the process exit status.
    int Run(int& argc, char** argv);

protected:
    // Shows the main window modally, with the settings file given opened.
    // Returns false: the program then ends instead of entering a message
    // loop of its own.
    bool StartUp();

private:
    QString m_settingsPath;
};

extern COrletApp theOrletApp;

// Picks "宋体" where the system has it, else a CJK font it has.
void ApplyDialogFont();

// The application's name, version, icon, style and font, set on the
// QApplication before the main window is made.
void PrepareApplication();

// What orlet's command line asks for: the window, or an answer without one.
struct OrletArguments {
    enum class Action { OpenWindow, PrintHelp, PrintVersion, Refuse };
    Action action = Action::OpenWindow;
    QString text; // the help or the version for stdout; for Refuse, one line for stderr
    QString settingsPath; // OpenWindow: the settings file (NAME.orlet) to open; empty, none
};

// Reads orlet's arguments (args[0] is the program name). The toolkit's own
// options (-platform NAME, -reverse, ...) open the window; -style is refused.
// One settings file, a name ending in .orlet, opens in the window.
OrletArguments ParseOrletArguments(const QStringList& args);
