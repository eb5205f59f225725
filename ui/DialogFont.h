#pragma once

#include <QString>

// The family of the window's font: "宋体" where the system has it, else the
// first CJK font of a list of common ones that it has; empty when it has
// none of them. Qt Gui only, so a bare dialog can show the same font.
QString DialogFontFamily();
