#include "BaudDlg.h"
#include "BaudReload.h"
#include "ChipTable.h"
#include "ControlFit.h"
#include "ControlIds.h"
#include "Crystal.h"
#include "LayoutCheck.h"
#include "MainWindowFixture.h"
#include "MyCry.h"
#include "Orlet.h"
#include "OrletDlg.h"
#include "TimerReload.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QProxyStyle>
#include <QSet>
#include <QStyleFactory>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>

using DialogFactory = std::function<std::unique_ptr<CDialogBase>()>;
Q_DECLARE_METATYPE(DialogFactory)

namespace {

template <typename Dialog> DialogFactory factory()
{
    return [] { return std::make_unique<Dialog>(); };
}

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

// Every text a display of the main window can come to hold.
QStringList baudErrorTexts()
{
    QSet<QString> texts { QStringLiteral("00%") };
    QList<std::uint32_t> crystals;
    for (const orlet::CrystalEntry& c : orlet::kCrystals)
        crystals << c.hz;
    for (int mhz = 1; mhz <= 100; ++mhz)
        crystals << orlet::CustomMhzToHz(float(mhz));
    for (std::uint32_t hz : crystals) {
        for (int rate = 0; rate < int(orlet::kBaudRates.size()); ++rate) {
            for (bool doubled : { false, true })
                texts << text(orlet::ComputeBaudReload(hz, rate, doubled).errorText);
        }
    }
    return texts.values();
}

QStringList baudReloadTexts()
{
    QStringList texts;
    for (int r = 0; r <= 0xFF; ++r)
        texts << QStringLiteral("0x%1").arg(r, 0, 16);
    return texts;
}

QStringList timerReloadTexts()
{
    // One and two hex digits of every kind, in both spellings.
    QList<int> bytes;
    for (int digit = 0; digit < 16; ++digit)
        bytes << digit << digit * 0x11;
    QStringList texts { QStringLiteral("ffh,ffh") };
    for (int th : bytes) {
        for (int tl : bytes)
            texts << text(orlet::FormatReloadText(std::uint8_t(th), std::uint8_t(tl)));
    }
    return texts;
}

QStringList customMhzTexts()
{
    QStringList texts;
    for (float mhz : { 1.0f, 11.0592f, 14.7456f, 88.8888f, 99.99999f, 100.0f })
        texts << text(orlet::FormatCustomMhz(mhz));
    return texts;
}

struct ShownTexts {
    int id;
    QStringList texts;
    bool pairedBaudReload = false; // shown where the serial port reloads 16 bits (a timer 2 pair)
};

bool showsPairedBaudReload(const orlet::ChipRow& row)
{
    return std::any_of(row.baudSources.begin(), row.baudSources.end(),
        [](const orlet::BaudSourceRow& source) { return source.limit > 256; });
}

const QList<ShownTexts>& mainWindowDisplays()
{
    static const QList<ShownTexts> displays {
        { ctl::BaudError, baudErrorTexts() },
        { ctl::BaudReload, baudReloadTexts() },
        { ctl::BaudReload, timerReloadTexts(), true },
        { ctl::Timer0Reload, timerReloadTexts() },
        { ctl::Timer1Reload, timerReloadTexts() },
        { ctl::Timer2Reload, timerReloadTexts() },
        { ctl::Timer0Unit, { "us", "plus" } },
        { ctl::Timer1Unit, { "us", "plus" } },
        { ctl::Timer2Unit, { "us", "plus" } },
        { ctl::CustomMhz, customMhzTexts() },
        { ctl::VendorHeader, { "STC15F2K60S2.H" } },
    };
    return displays;
}

QString widestOf(const QStringList& texts, const QFont& font)
{
    const QFontMetricsF metrics(font);
    return *std::max_element(texts.begin(), texts.end(), [&metrics](const QString& a, const QString& b) {
        return metrics.horizontalAdvance(a) < metrics.horizontalAdvance(b);
    });
}

// The narrowest family the system has stands for the narrow Latin fonts
// that lend a CJK font its letters and digits.
QString narrowestFamily()
{
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    QString narrowest;
    int least = INT_MAX;
    for (const QString& family : QFontDatabase::families(QFontDatabase::Latin)) {
        if (const int width = QFontMetrics(QFont(family, 9)).horizontalAdvance(letters); width < least) {
            least = width;
            narrowest = family;
        }
    }
    return narrowest;
}

// A style whose size hint for a line edit asks more room than the box
// paints its text into, as the Windows Vista style's does.
class GenerousLineEditHint : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    QSize sizeFromContents(
        ContentsType type, const QStyleOption* option, const QSize& size, const QWidget* widget) const override
    {
        const QSize hint = QProxyStyle::sizeFromContents(type, option, size, widget);
        return type == CT_LineEdit ? hint + QSize(25, 0) : hint;
    }
};

// The application font for one test, the program's own afterwards.
class FontForTest
{
public:
    explicit FontForTest(const QString& family) { QApplication::setFont(QFont(family, 9)); }
    ~FontForTest() { ApplyDialogFont(); }
};

} // namespace

// The dialogs' frames: fixed size, and every text whole in any CJK font.
class DialogFrameTest : public MainWindowFixture
{
    Q_OBJECT

private slots:
    void framesKeepTheirSize_data()
    {
        QTest::addColumn<DialogFactory>("make");
        QTest::newRow("main window") << factory<COrletDlg>();
        QTest::newRow("About box") << factory<CAboutDlg>();
        QTest::newRow("custom frequency") << factory<CMyCry>();
        QTest::newRow("rate off the list") << factory<CBaudDlg>();
    }

    void framesKeepTheirSize()
    {
        QFETCH(DialogFactory, make);
        const std::unique_ptr<CDialogBase> dialog = make();
        dialog->Create();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        const QSize size = dialog->size();
        QCOMPARE(dialog->minimumSize(), size);
        QCOMPARE(dialog->maximumSize(), size);
        QVERIFY(!dialog->isSizeGripEnabled());
        // What a window manager reads: no range to size the frame in.
        QCOMPARE(dialog->windowHandle()->minimumSize(), size);
        QCOMPARE(dialog->windowHandle()->maximumSize(), size);

        dialog->resize(size + QSize(120, 80));
        QCOMPARE(dialog->size(), size);
    }

    // The frame's icon, read by the PNG reader alone: both sizes, each the
    // picture of its file.
    void frameIconHasBothSizes()
    {
        const QIcon icon = dlg->windowIcon();
        for (int side : { 16, 32 }) {
            QVERIFY(icon.availableSizes().contains(QSize(side, side)));
            const QImage expected = QImage(QStringLiteral(":/icons/orlet-%1.png").arg(side));
            QVERIFY(!expected.isNull());
            QCOMPARE(icon.pixmap(side).toImage().convertToFormat(QImage::Format_ARGB32),
                expected.convertToFormat(QImage::Format_ARGB32));
        }
    }

    // A line edit takes the room its text needs, whatever the style's hint.
    void lineEditTakesWhatItPaints()
    {
        const QString name = QStringLiteral("STC15F2K60S2.H");
        GenerousLineEditHint generous(QStyleFactory::create(QStringLiteral("Windows")));
        for (QStyle* style : { QApplication::style(), static_cast<QStyle*>(&generous) }) {
            QLineEdit edit;
            edit.setStyle(style);
            edit.resize(WidthForText(edit, name), 20);
            QVERIFY(ClippedText(edit, name).isEmpty());
            edit.resize(edit.width() - 1, 20);
            QVERIFY(!ClippedText(edit, name).isEmpty());
        }
    }

    // Every CJK font, and a narrow Latin one, on every chip. CTest runs it
    // at QT_SCALE_FACTOR 1, 1.5 and 2.
    void textsShownWhole_data()
    {
        QTest::addColumn<QString>("family");
        QStringList families = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        if (families.isEmpty())
            families << QApplication::font().family();
        if (const QString narrow = narrowestFamily(); !families.contains(narrow))
            families << narrow;
        for (const QString& family : families)
            QTest::newRow(qPrintable(family)) << family;
    }

    void textsShownWhole()
    {
        QFETCH(QString, family);
        const FontForTest font(family);
        COrletDlg window;
        window.Create();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QStringList widest;
        for (const ShownTexts& display : mainWindowDisplays())
            widest << widestOf(display.texts, window.GetDlgItem(display.id)->font());
        DialogDriver driver(window);
        QStringList problems;
        const QStringList chips = driver.items(ctl::ChipList);
        for (int chip = 0; chip < chips.size(); ++chip) {
            if (chip > 0)
                driver.pressKey(ctl::ChipList, Qt::Key_Down);
            QCOMPARE(driver.selected(ctl::ChipList), chip);
            QStringList found = ClippedControls(window) + MisplacedControls(window);
            for (qsizetype i = 0; i < widest.size(); ++i) {
                const ShownTexts& display = mainWindowDisplays()[i];
                // The list shows the table's rows in order.
                if (display.pairedBaudReload && !showsPairedBaudReload(orlet::ChipRows()[std::size_t(chip)]))
                    continue;
                if (const QString problem = ClippedText(*window.GetDlgItem(display.id), widest[i]); !problem.isEmpty())
                    found << problem;
            }
            for (const QString& problem : found)
                problems << chips[chip] + ": " + problem;
        }
        for (DialogFactory make : { factory<CAboutDlg>(), factory<CMyCry>(), factory<CBaudDlg>() }) {
            const std::unique_ptr<CDialogBase> dialog = make();
            dialog->Create();
            problems += ClippedControls(*dialog) + MisplacedControls(*dialog);
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.mid(0, 12).join('\n')));
    }
};

QTEST_MAIN(DialogFrameTest)
#include "DialogFrameTest.moc"
