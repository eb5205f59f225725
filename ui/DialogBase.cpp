#include "DialogBase.h"

#include "DataExchange.h"
#include "DialogControls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

#include <algorithm>

CDialogBase::CDialogBase(QWidget* parent)
    : QDialog(parent)
{
    // A modal frame on Windows: the thin dialog border, no sizing.
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
}

namespace {

// The templates are laid out for a dialog font with base units of 6 x 12
// pixels (9-point 宋体 at 96 dpi): one dialog unit is 1.5 pixels both ways.
constexpr double kTemplateBaseX = 6.0;
constexpr double kTemplateBaseY = 12.0;

QSizeF dialogBaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int letters
        = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return { double((letters / 26 + 1) / 2), double(metrics.height()) };
}

// Only the digits 0-9 get into a number box, typed or pasted. A plain check:
// a regular-expression validator would bring a regex engine into start-up.
class DigitsOnly : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override
    {
        const bool digits = std::all_of(input.cbegin(), input.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        return digits ? Acceptable : Invalid;
    }
};

QRect scaled(const QRect& r, double fx, double fy)
{
    const int left = qRound(r.left() * fx), top = qRound(r.top() * fy);
    return { left, top, qRound((r.left() + r.width()) * fx) - left, qRound((r.top() + r.height()) * fy) - top };
}

bool isCaptioned(const QWidget& control)
{
    auto* label = qobject_cast<const QLabel*>(&control);
    return (label && !label->wordWrap() && label->pixmap().isNull()) || qobject_cast<const QAbstractButton*>(&control);
}

// The texts `control` holds now: its caption, or a list's items.
QStringList heldTexts(const QWidget& control)
{
    QStringList texts;
    if (auto* combo = qobject_cast<const QComboBox*>(&control)) {
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
    } else if (auto* label = qobject_cast<const QLabel*>(&control); label && isCaptioned(control)) {
        texts << label->text();
    } else if (auto* button = qobject_cast<const QAbstractButton*>(&control)) {
        texts << button->text();
    }
    return texts;
}

// Enough rounds for any font; each draws the template at least 1 % wider.
constexpr int kWideningRounds = 12;

} // namespace

void CDialogBase::ScaleToDialogFont()
{
    if (!QFontDatabase::families().contains(font().family())) {
        // 宋体 is missing: the application's CJK font stands in, same size.
        QFont substitute = font();
        substitute.setFamily(QApplication::font().family());
        setFont(substitute);
    }
    const QSizeF base = dialogBaseUnits(font());
    const double fx = base.width() / kTemplateBaseX, fy = base.height() / kTemplateBaseY;
    if (qFuzzyCompare(fx, 1.0) && qFuzzyCompare(fy, 1.0))
        return;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setGeometry(scaled(child->geometry(), fx, fy));
    resize(qRound(width() * fx), qRound(height() * fy));
}

void CDialogBase::ShowsTexts(int id, const QStringList& texts, TextDigits digits)
{
    m_shownTexts.insert(id, { texts, digits });
}

void CDialogBase::LeavesRoomFor(int id, const QStringList& texts, TextDigits digits)
{
    m_otherStatesTexts.insert(id, { texts, digits });
}

int CDialogBase::widthNeeded(QWidget& control) const
{
    if (qobject_cast<QComboBox*>(&control))
        return WidthForItems(control);
    int needed = 0;
    if (isCaptioned(control)) {
        CWnd wnd;
        wnd.Attach(&control);
        needed = WidthForText(control, wnd.GetWindowText());
    }
    const int id = control.property("controlId").toInt();
    if (const auto shown = m_shownTexts.find(id); id && shown != m_shownTexts.end()) {
        for (const QString& text : shown->texts)
            needed = std::max(needed, WidthForText(control, WidestForm(text, control.font(), shown->digits)));
    }
    return needed;
}

void CDialogBase::widenControls()
{
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow())
            WidenWithinRoom(*child, widthNeeded(*child));
    }
}

double CDialogBase::roomShortfall(const QWidget& control) const
{
    QStringList texts = heldTexts(control);
    const int id = control.property("controlId").toInt();
    for (const QHash<int, ShownTexts>* table : { &m_shownTexts, &m_otherStatesTexts }) {
        if (const auto shown = table->find(id); id && shown != table->end()) {
            for (const QString& text : shown->texts)
                texts << WidestForm(text, control.font(), shown->digits);
        }
    }
    int needed = 0;
    for (const QString& text : texts)
        needed = std::max(needed, WidthToShow(control, text));
    if (needed <= control.width())
        return 0.0;
    return double(needed) / WidenedPlace(control, needed).width();
}

double CDialogBase::roomShortfall() const
{
    double shortfall = 0.0;
    for (const QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow())
            shortfall = std::max(shortfall, roomShortfall(*child));
    }
    return shortfall;
}

void CDialogBase::FitControlsToTexts()
{
    // A font's base units are whole pixels and describe its Latin letters,
    // and the toolkit's check boxes and lists take more room around a text
    // than the classic controls the templates were laid out for. Where a
    // row cannot hold its texts, the template is drawn wider as a whole:
    // every control keeps its place in it.
    QHash<QWidget*, QRect> places;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow())
            places.insert(child, child->geometry());
    }
    const int templateWidth = width();
    double across = 1.0;
    for (int round = 1;; ++round) {
        widenControls();
        const double shortfall = roomShortfall();
        if (shortfall <= 1.0 || round == kWideningRounds)
            return;
        across *= std::max(shortfall, 1.01);
        for (auto place = places.cbegin(); place != places.cend(); ++place)
            place.key()->setGeometry(scaled(place.value(), across, 1.0));
        setFixedSize(qRound(templateWidth * across), height());
    }
}

void CDialogBase::RegisterControls(std::initializer_list<NamedControl> named)
{
    ScaleToDialogFont();
    // Dialog templates have a fixed frame: no sizing border, no size grip,
    // and a window manager's resize changes nothing.
    setSizeGripEnabled(false);
    setFixedSize(size());
    const auto widgets = findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        const QVariant id = widget->property("controlId");
        if (id.isValid())
            m_controls.insert(id.toInt(), widget);
        if (auto* line = qobject_cast<QLineEdit*>(widget); line && widget->property("digitsOnly").toBool())
            line->setValidator(new DigitsOnly(line));
    }
    if (auto* ok = qobject_cast<QPushButton*>(GetDlgItem(IDOK)))
        connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    if (auto* cancel = qobject_cast<QPushButton*>(GetDlgItem(IDCANCEL)))
        connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    checkNamedControls(named);
}

void CDialogBase::checkNamedControls(std::initializer_list<NamedControl> named) const
{
#ifdef ORLET_CHECK_CONTROL_IDS
    for (const NamedControl& control : named) {
        if (!control.widget || GetDlgItem(control.id) != control.widget)
            qFatal("%s: the template has no control %d as %s", metaObject()->className(), control.id,
                control.widget ? qPrintable(control.widget->objectName()) : "(none)");
    }
    if (qsizetype(named.size()) != m_controls.size())
        qFatal("%s: the template has %d controls, the dialog names %d", metaObject()->className(),
            int(m_controls.size()), int(named.size()));
#else
    Q_UNUSED(named);
#endif
}

void CDialogBase::Create()
{
    if (m_initialised)
        return;
    m_initialised = true;
    const bool focusFirst = InitialiseDialog();
    FitControlsToTexts();
    if (focusFirst)
        focusFirstTabStop();
}

void CDialogBase::focusFirstTabStop()
{
    for (QWidget* widget = nextInFocusChain(); widget != this; widget = widget->nextInFocusChain()) {
        if (widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) && isAncestorOf(widget)) {
            widget->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

int CDialogBase::DoModal()
{
    Create();
    return exec() == IDOK ? IDOK : IDCANCEL;
}

QWidget* CDialogBase::GetDlgItem(int id) const
{
    return m_controls.value(id, nullptr);
}

bool CDialogBase::UpdateData(bool saveAndValidate)
{
    CDataExchange dx(*this, saveAndValidate);
    ++m_exchangeDepth;
    ExchangeData(dx);
    --m_exchangeDepth;
    return !dx.Failed();
}

bool CDialogBase::ReadNumber(int id, std::uint32_t& value)
{
    CDataExchange dx(*this, true);
    ++m_exchangeDepth;
    dx.Number(id, value);
    --m_exchangeDepth;
    return !dx.Failed();
}

bool CDialogBase::admitNotification(int id)
{
    if (IsExchanging())
        return false;
    emit handlerRun(id);
    return true;
}

void CDialogBase::ExchangeData(CDataExchange&) { }

bool CDialogBase::InitialiseDialog()
{
    UpdateData(false);
    return true;
}

void CDialogBase::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialogBase::OnCancel()
{
    EndDialog(IDCANCEL);
}
