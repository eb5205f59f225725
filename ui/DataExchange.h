#pragma once

#include <QString>

#include <cstdint>

class CDialogBase;
class CWnd;

// One run of a dialog's binding table, in one direction. The first binding
// that refuses its control's text shows why, puts the focus on that control
// and stops the run: later bindings are skipped.
class CDataExchange
{
public:
    CDataExchange(CDialogBase& dialog, bool saveAndValidate);

    const bool m_bSaveAndValidate; // true: controls into members
    bool Failed() const { return m_failed; }

    // Attaches the wrapper to control `id`; moves no value.
    void Control(int id, CWnd& wrapper);
    void Text(int id, QString& value);
    // Unsigned decimal whole number, blanks around it allowed.
    void Number(int id, std::uint32_t& value);
    // Decimal number, converted in double and kept in single precision.
    void Number(int id, float& value);

private:
    bool skip() const { return m_failed; }
    void fail(int id, const QString& message);

    CDialogBase& m_dialog;
    bool m_failed = false;
};

inline const char* const kEnterWholeNumberMessage = "请输入一个正整数。";
inline const char* const kEnterNumberMessage = "请输入一个数字。";

// Parses what the number binding accepts; false for anything else,
// values above 4294967295 included.
bool ParseUnsignedText(const QString& text, std::uint32_t& value);
