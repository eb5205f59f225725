#pragma once

#include "ControlFit.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QHash>
#include <QLineEdit>

#include <cstdint>
#include <initializer_list>

class CDataExchange;

// The base of every dialog: controls found by numeric id, the binding table
// run in either direction with notifications locked out, OK and Cancel
// processing, and routing of user notifications to member handlers.
class CDialogBase : public QDialog
{
    Q_OBJECT

public:
    explicit CDialogBase(QWidget* parent = nullptr);

    // Dialog result codes.
    static constexpr int IDOK = 1;
    static constexpr int IDCANCEL = 2;

    // Runs the one-time initialisation if it has not run yet (the dialog is
    // then ready to show), so tests can show the dialog without a modal loop.
    void Create();
    // Initialises, shows modally and returns IDOK or IDCANCEL.
    int DoModal();

    QWidget* GetDlgItem(int id) const;

    // Moves values between controls and members: true means controls into
    // members. Returns false when a control's text was refused.
    bool UpdateData(bool saveAndValidate = true);
    bool IsExchanging() const { return m_exchangeDepth > 0; }

    void EndDialog(int result) { done(result); }

signals:
    // A user notification of control `id` reached its handler.
    void handlerRun(int id);

protected:
    // A control the dialog names (an id of ControlIds.h) with the widget
    // that uic made for it.
    struct NamedControl {
        int id;
        QWidget* widget;
    };

    // Collects the controls of the loaded template by their id and sizes
    // the template for the dialog font. In debug and test builds it stops
    // the program when `named` and the template disagree: an id that the
    // template lacks or gives to another widget, or a template control that
    // the dialog does not name.
    void RegisterControls(std::initializer_list<NamedControl> named);
    // One scale for the whole dialog, from the font's base units.
    void ScaleToDialogFont();
    // Names the texts that control `id` can show besides its template caption
    // (a display's formats, a label's other captions), at their longest.
    void ShowsTexts(int id, const QStringList& texts, TextDigits digits = TextDigits::Decimal);
    // Names texts that control `id` shows only in another state of the dialog
    // (another chip's list items): the frame leaves room for them on its row,
    // and the dialog widens the control (WidenWithinRoom) when it shows them.
    void LeavesRoomFor(int id, const QStringList& texts, TextDigits digits = TextDigits::Decimal);
    // Before the dialog is first shown, every caption, display and list is
    // widened within its row's free room to show its widest text whole,
    // whatever the font: the template stays where it is. Where a row lacks
    // the room, the whole template is drawn wider until every row has it.
    void FitControlsToTexts();

    virtual void ExchangeData(CDataExchange& dx);
    // Runs once before the dialog is first shown.
    virtual bool InitialiseDialog();
    virtual void OnOK();
    virtual void OnCancel();

    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

    // Routes user-only notifications of control `id` to a member handler.
    // Program-made changes never emit these, and nothing is delivered while
    // an exchange runs.
    template <typename Dialog> void OnClicked(int id, void (Dialog::*handler)())
    {
        connect(qobject_cast<QAbstractButton*>(GetDlgItem(id)), &QAbstractButton::clicked, this,
            [this, id, handler] { dispatch(id, static_cast<Dialog*>(this), handler); });
    }

    template <typename Dialog> void OnSelChange(int id, void (Dialog::*handler)())
    {
        connect(qobject_cast<QComboBox*>(GetDlgItem(id)), &QComboBox::activated, this,
            [this, id, handler] { dispatch(id, static_cast<Dialog*>(this), handler); });
    }

    template <typename Dialog> void OnEditChange(int id, void (Dialog::*handler)())
    {
        connect(qobject_cast<QLineEdit*>(GetDlgItem(id)), &QLineEdit::textEdited, this,
            [this, id, handler] { dispatch(id, static_cast<Dialog*>(this), handler); });
    }
    // The same for one handler of several like controls (each timer's
    // block), which it is given the argument of.
    template <typename Dialog, typename Arg> void OnClicked(int id, void (Dialog::*handler)(Arg), Arg arg)
    {
        connect(qobject_cast<QAbstractButton*>(GetDlgItem(id)), &QAbstractButton::clicked, this,
            [this, id, handler, arg] { dispatch(id, static_cast<Dialog*>(this), handler, arg); });
    }
    template <typename Dialog, typename Arg> void OnSelChange(int id, void (Dialog::*handler)(Arg), Arg arg)
    {
        connect(qobject_cast<QComboBox*>(GetDlgItem(id)), &QComboBox::activated, this,
            [this, id, handler, arg] { dispatch(id, static_cast<Dialog*>(this), handler, arg); });
    }
    template <typename Dialog, typename Arg> void OnEditChange(int id, void (Dialog::*handler)(Arg), Arg arg)
    {
        connect(qobject_cast<QLineEdit*>(GetDlgItem(id)), &QLineEdit::textEdited, this,
            [this, id, handler, arg] { dispatch(id, static_cast<Dialog*>(this), handler, arg); });
    }
    // The text of a list with an editable field, typed or chosen. The toolkit
    // reports program-made changes of it too: the dialog makes them with the
    // list's signals blocked.
    template <typename Dialog, typename Arg> void OnListTextChange(int id, void (Dialog::*handler)(Arg), Arg arg)
    {
        connect(qobject_cast<QComboBox*>(GetDlgItem(id)), &QComboBox::editTextChanged, this,
            [this, id, handler, arg] { dispatch(id, static_cast<Dialog*>(this), handler, arg); });
    }

    // Reads number box `id` as the exchange to members does: a text that is
    // no whole number is reported, with the focus put back on the box, and
    // `value` keeps its number. False then.
    bool ReadNumber(int id, std::uint32_t& value);

private:
    void focusFirstTabStop();
    void checkNamedControls(std::initializer_list<NamedControl> named) const;

    // False while an exchange runs: the notification then reaches no handler.
    bool admitNotification(int id);

    template <typename Dialog> void dispatch(int id, Dialog* dialog, void (Dialog::*handler)())
    {
        if (admitNotification(id))
            (dialog->*handler)();
    }
    template <typename Dialog, typename Arg>
    void dispatch(int id, Dialog* dialog, void (Dialog::*handler)(Arg), Arg arg)
    {
        if (admitNotification(id))
            (dialog->*handler)(arg);
    }

    struct ShownTexts {
        QStringList texts;
        TextDigits digits;
    };

    int widthNeeded(QWidget& control) const;
    void widenControls();
    // How many times wider the template must be drawn for the control that
    // has the least room; at most 1 when every text fits.
    double roomShortfall() const;
    double roomShortfall(const QWidget& control) const;

    QHash<int, QWidget*> m_controls;
    QHash<int, ShownTexts> m_shownTexts;
    QHash<int, ShownTexts> m_otherStatesTexts;
    int m_exchangeDepth = 0;
    bool m_initialised = false;
};
