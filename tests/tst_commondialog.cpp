#include "helpers/IsolatedSettings.h"
#include "helpers/ScriptedDialogs.h"
#include "platform/CommonDialog.h"
#include "platform/FontDialog.h"
#include "platform/MessageBox.h"
#include "platform/QtCommonDialogBackend.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

const QString saveFilter = QStringLiteral(
    "Текстовые документы|*.txt|Web страница|*.htm|RTF Text (*.rtf)|*.rtf|Все файлы (*.*)|*.*");

// Runs act on the modal dialog of type T as soon as it shows, then makes sure
// it closes so that a failed step cannot leave the test waiting forever.
template <typename T, typename Act>
void onModal(Act act, int triesLeft = 300)
{
    QTimer::singleShot(10, [act, triesLeft] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            act(dialog);
            if (dialog->isVisible())
                dialog->reject();
        } else if (triesLeft > 0) {
            onModal<T>(act, triesLeft - 1);
        }
    });
}

// What one dialog looked like when the test saw it.
struct Seen {
    bool shown = false;
    QString title;
    QString filter;
    QString fileName;
    QString directory;
    bool confirmsOverwrite = false;
};

} // namespace

class TestCommonDialog : public QObject
{
    Q_OBJECT

private slots:
    // Qt's file dialog keeps its history in the per-user settings.
    void initTestCase() { m_settings = std::make_unique<IsolatedSettings>(); }
    void cleanupTestCase() { m_settings.reset(); }

    void propertiesPersistPerInstance();
    void cancelKeepsOrClearsFileName();
    void cancelledFontAndColourChangeNothing();
    void parsesRealAndMalformedFilters();
    void scriptedBackendsReportSurprises();
    void msgBoxTitle();

    void qtSaveDialogReturnsTypedNameAndFilter();
    void qtOpenDialogNeedsAnExistingFile();
    void qtMessageBoxMapsButtons();
    void qtPrintDialogFollowsFlags();
    void qtFontAndColourDialogsRoundTrip();
    void fontDialogOpensOnTheAskedStyle();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestCommonDialog::propertiesPersistPerInstance()
{
    ScriptedCommonDialogs dialogs;
    CommonDialog shared;
    CommonDialog own;

    shared.DialogTitle = QStringLiteral("Сохранить как...");
    shared.Flags = CommonDialog::OFN_OVERWRITEPROMPT;
    shared.Filter = saveFilter;
    dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(QStringLiteral("/tmp/a.rtf"), 3));
    QVERIFY(shared.ShowSave());
    QCOMPARE(shared.FileName, QStringLiteral("/tmp/a.rtf"));
    QCOMPARE(shared.FilterIndex, 3);

    // The next command sets only what it needs; the rest comes from the last use.
    shared.DialogTitle = QStringLiteral("Открыть");
    dialogs.expect(CommonDialogKind::Open, ScriptedCommonDialogs::accept());
    QVERIFY(shared.ShowOpen());
    QCOMPARE(dialogs.shown().size(), 2);
    const auto& second = dialogs.shown().at(1);
    QCOMPARE(second.title, QStringLiteral("Открыть"));
    QCOMPARE(second.flags, CommonDialog::OFN_OVERWRITEPROMPT);
    QCOMPARE(second.filter, saveFilter);
    QCOMPARE(second.filterIndex, 3);
    QCOMPARE(second.fileName, QStringLiteral("/tmp/a.rtf"));

    // A print command in between leaves the file settings alone, and its
    // cancel-as-error switch stays for the next command.
    shared.CancelError = true;
    shared.Flags = CommonDialog::PD_RETURNDC | CommonDialog::PD_NOPAGENUMS;
    dialogs.expect(CommonDialogKind::Printer, ScriptedCommonDialogs::cancel());
    QVERIFY(!shared.ShowPrinter());
    dialogs.expect(CommonDialogKind::Color, ScriptedCommonDialogs::chooseColor(Qt::red));
    QVERIFY(shared.ShowColor());
    QCOMPARE(dialogs.shown().last().flags, 0x108u);
    QVERIFY(dialogs.shown().last().cancelError);
    QCOMPARE(shared.FileName, QStringLiteral("/tmp/a.rtf"));
    QCOMPARE(shared.FilterIndex, 3);

    // A second instance (a document window's own) starts fresh: no name, first entry.
    own.Filter = saveFilter;
    dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::cancel());
    QVERIFY(!own.ShowSave());
    QCOMPARE(dialogs.shown().last().fileName, QString());
    QCOMPARE(dialogs.shown().last().filterIndex, 1);
    QCOMPARE(dialogs.shown().last().flags, 0u);
    QVERIFY(!dialogs.shown().last().cancelError);
    QCOMPARE(own.Color, QColor(Qt::black));
    QCOMPARE(shared.Color, QColor(Qt::red));
    QCOMPARE(dialogs.unexpected(), 0);
    QCOMPARE(dialogs.remaining(), 0);
}

void TestCommonDialog::cancelKeepsOrClearsFileName()
{
    ScriptedCommonDialogs dialogs;
    CommonDialog dialog;
    dialog.Filter = saveFilter;
    dialog.FileName = QStringLiteral("/tmp/kept.txt");
    dialog.FilterIndex = 2;

    // A cancel that reports as an error leaves the name as it was, even when
    // the dialog had changed it before the user cancelled.
    dialog.CancelError = true;
    dialogs.expect(CommonDialogKind::Save, [](CommonDialog& d) {
        d.FileName = QStringLiteral("/tmp/half-typed");
        d.FilterIndex = 4;
        return false;
    });
    QVERIFY(!dialog.ShowSave());
    QCOMPARE(dialog.FileName, QStringLiteral("/tmp/kept.txt"));
    QCOMPARE(dialog.FilterIndex, 2);

    // Without it, a cancel is told by an empty name.
    dialog.CancelError = false;
    dialogs.expect(CommonDialogKind::Open, ScriptedCommonDialogs::cancel());
    QVERIFY(!dialog.ShowOpen());
    QCOMPARE(dialog.FileName, QString());
    QCOMPARE(dialog.FilterIndex, 2);
}

void TestCommonDialog::cancelledFontAndColourChangeNothing()
{
    ScriptedCommonDialogs dialogs;
    CommonDialog dialog;
    dialogs.expect(CommonDialogKind::Font,
                   ScriptedCommonDialogs::chooseFont(QStringLiteral("Times New Roman"), 14.25f, true));
    QVERIFY(dialog.ShowFont());

    dialogs.expect(CommonDialogKind::Font, [](CommonDialog& d) {
        d.FontName = QStringLiteral("Arial");
        d.FontSize = 8;
        d.FontBold = false;
        d.FontUnderline = true;
        return false;
    });
    QVERIFY(!dialog.ShowFont());
    QCOMPARE(dialog.FontName, QStringLiteral("Times New Roman"));
    QCOMPARE(dialog.FontSize, 14.25f);
    QVERIFY(dialog.FontBold);
    QVERIFY(!dialog.FontUnderline);

    dialogs.expect(CommonDialogKind::Color, [](CommonDialog& d) {
        d.Color = Qt::green;
        return false;
    });
    QVERIFY(!dialog.ShowColor());
    QCOMPARE(dialog.Color, QColor(Qt::black));
}

void TestCommonDialog::parsesRealAndMalformedFilters()
{
    using Entries = QList<QPair<QString, QString>>;
    QCOMPARE(CommonDialog::parseFilter(saveFilter),
             (Entries{{QStringLiteral("Текстовые документы"), QStringLiteral("*.txt")},
                      {QStringLiteral("Web страница"), QStringLiteral("*.htm")},
                      {QStringLiteral("RTF Text (*.rtf)"), QStringLiteral("*.rtf")},
                      {QStringLiteral("Все файлы (*.*)"), QStringLiteral("*.*")}}));
    QCOMPARE(QtCommonDialogBackend::nameFilters(saveFilter),
             (QStringList{QStringLiteral("Текстовые документы (*.txt)"), QStringLiteral("Web страница (*.htm)"),
                          QStringLiteral("RTF Text (*.rtf)"), QStringLiteral("Все файлы (*)")}));

    QVERIFY(CommonDialog::parseFilter(QString()).isEmpty());
    QVERIFY(CommonDialog::parseFilter(QStringLiteral("Только описание")).isEmpty());
    // A description without its pattern at the end is dropped.
    QCOMPARE(CommonDialog::parseFilter(QStringLiteral("A|*.a|B")),
             (Entries{{QStringLiteral("A"), QStringLiteral("*.a")}}));
    // An empty pattern ends the list, so later entries cannot shift numbers.
    QCOMPARE(CommonDialog::parseFilter(QStringLiteral("A|*.a|B||C|*.c")),
             (Entries{{QStringLiteral("A"), QStringLiteral("*.a")}}));
    QCOMPARE(CommonDialog::parseFilter(QStringLiteral("|*.a")), (Entries{{QStringLiteral("*.a"), QStringLiteral("*.a")}}));
    QCOMPARE(QtCommonDialogBackend::nameFilters(QStringLiteral("Тексты|*.txt; *.log")),
             QStringList{QStringLiteral("Тексты (*.txt *.log)")});
}

void TestCommonDialog::scriptedBackendsReportSurprises()
{
    CommonDialog dialog;
    const QRegularExpression surprise(QStringLiteral("^(Unexpected|Expected) "));
    QTest::ignoreMessage(QtWarningMsg, surprise);
    QTest::ignoreMessage(QtWarningMsg, surprise);
    QTest::ignoreMessage(QtWarningMsg, surprise);
    {
        ScriptedMessageBoxes outer;
        {
            ScriptedMessageBoxes inner;
            QCOMPARE(MsgBox(nullptr, QStringLiteral("нет ответа"), MsgButtons::YesNoCancel), MsgResult::Cancel);
            QCOMPARE(inner.unexpected(), 1);
        }
        // The inner one gave the boxes back to the outer one.
        outer.expect(MsgResult::OK);
        QCOMPARE(MsgBox(nullptr, QStringLiteral("x")), MsgResult::OK);
        QCOMPARE(outer.unexpected(), 0);
        QCOMPARE(outer.texts(), QStringList{QStringLiteral("x")});

        ScriptedCommonDialogs dialogs;
        dialogs.expect(CommonDialogKind::Save, ScriptedCommonDialogs::saveAs(QStringLiteral("/tmp/x")));
        QVERIFY(!dialog.ShowOpen());
        QCOMPARE(dialogs.unexpected(), 1);
        QVERIFY(!dialog.ShowFont());
        QCOMPARE(dialogs.unexpected(), 2);
        QCOMPARE(dialogs.shown().size(), 2);
        QCOMPARE(dialogs.shown().at(1).kind, CommonDialogKind::Font);
    }
    QVERIFY(!MessageBoxBackend::installed());
    QVERIFY(!CommonDialogBackend::installed());
}

void TestCommonDialog::msgBoxTitle()
{
    ScriptedMessageBoxes boxes;
    boxes.expect(MsgResult::No);
    boxes.expect(MsgResult::OK);
    QCOMPARE(MsgBox(nullptr, QStringLiteral("Сохранить изменения в Документ 1 ?"), MsgButtons::YesNoCancel,
                    MsgIcon::Question),
             MsgResult::No);
    QCOMPARE(MsgBox(nullptr, QStringLiteral("текст"), MsgButtons::OKOnly, MsgIcon::None, QStringLiteral("Свой")),
             MsgResult::OK);
    QCOMPARE(boxes.requests().size(), 2);
    QCOMPARE(boxes.requests().at(0).title, QStringLiteral("Пергалот"));
    QCOMPARE(boxes.requests().at(0).buttons, MsgButtons::YesNoCancel);
    QCOMPARE(boxes.requests().at(0).icon, MsgIcon::Question);
    QCOMPARE(boxes.requests().at(1).title, QStringLiteral("Свой"));
}

void TestCommonDialog::qtSaveDialogReturnsTypedNameAndFilter()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    CommonDialog dialog;
    dialog.DialogTitle = QStringLiteral("Сохранить как...");
    dialog.Flags = CommonDialog::OFN_OVERWRITEPROMPT;
    dialog.Filter = saveFilter;
    dialog.InitDir = dir.path();

    // A fresh instance proposes the first entry; the user picks the third and
    // types a name without extension.
    Seen first;
    onModal<QFileDialog>([&first](QFileDialog* d) {
        first.shown = true;
        first.title = d->windowTitle();
        first.filter = d->selectedNameFilter();
        first.directory = d->directory().absolutePath();
        first.confirmsOverwrite = !d->testOption(QFileDialog::DontConfirmOverwrite);
        auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!types || !name)
            return;
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);
        QTest::keyClick(types, Qt::Key_Down);
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("plain"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    QVERIFY(dialog.ShowSave());
    QVERIFY(first.shown);
    QCOMPARE(first.title, QStringLiteral("Сохранить как..."));
    QCOMPARE(first.filter, QStringLiteral("Текстовые документы (*.txt)"));
    QCOMPARE(first.directory, QDir(dir.path()).absolutePath());
    QVERIFY(first.confirmsOverwrite);
    QCOMPARE(dialog.FileName, QDir::toNativeSeparators(dir.filePath(QStringLiteral("plain"))));
    QCOMPARE(dialog.FilterIndex, 3);

    // The next use proposes what the last one left: the entry, the folder and the name.
    Seen second;
    onModal<QFileDialog>([&second](QFileDialog* d) {
        second.shown = true;
        second.filter = d->selectedNameFilter();
        second.directory = d->directory().absolutePath();
        if (auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            second.fileName = name->text();
        d->reject();
    });
    QVERIFY(!dialog.ShowSave());
    QVERIFY(second.shown);
    QCOMPARE(second.filter, QStringLiteral("RTF Text (*.rtf)"));
    QCOMPARE(second.directory, QDir(dir.path()).absolutePath());
    QCOMPARE(second.fileName, QStringLiteral("plain"));
    QCOMPARE(dialog.FileName, QString());
    QCOMPARE(dialog.FilterIndex, 3);

    // With a default extension a bare name gets it; without the overwrite
    // flag the dialog does not ask.
    dialog.DefaultExt = QStringLiteral("txt");
    dialog.FilterIndex = 1;
    dialog.Flags = 0;
    Seen third;
    onModal<QFileDialog>([&third](QFileDialog* d) {
        third.confirmsOverwrite = !d->testOption(QFileDialog::DontConfirmOverwrite);
        if (auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            name->setText(QStringLiteral("notes"));
            QTest::keyClick(name, Qt::Key_Return);
        }
    });
    QVERIFY(dialog.ShowSave());
    QVERIFY(!third.confirmsOverwrite);
    QCOMPARE(dialog.FileName, QDir::toNativeSeparators(dir.filePath(QStringLiteral("notes.txt"))));
    QCOMPARE(dialog.FilterIndex, 1);
}

void TestCommonDialog::qtOpenDialogNeedsAnExistingFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("page.htm")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    CommonDialog dialog;
    dialog.DialogTitle = QStringLiteral("Открыть");
    dialog.Flags = CommonDialog::OFN_FILEMUSTEXIST;
    dialog.Filter = QStringLiteral(
        "Текстовые документы|*.txt|Web страница|*.htm|RTF text (*.rtf)|*.rtf|Все файлы (*.*)|*.*");
    dialog.FilterIndex = 2;
    dialog.FileName = dir.filePath(QStringLiteral("page.htm"));

    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QFileDialog::AcceptMode accept = QFileDialog::AcceptSave;
    onModal<QFileDialog>([&](QFileDialog* d) {
        mode = d->fileMode();
        accept = d->acceptMode();
        if (auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            QTest::keyClick(name, Qt::Key_Return);
    });
    QVERIFY(dialog.ShowOpen());
    QCOMPARE(mode, QFileDialog::ExistingFile);
    QCOMPARE(accept, QFileDialog::AcceptOpen);
    QCOMPARE(dialog.FileName, QDir::toNativeSeparators(file.fileName()));
    QCOMPARE(dialog.FilterIndex, 2);
}

void TestCommonDialog::qtMessageBoxMapsButtons()
{
    struct {
        bool shown = false;
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool yesIsDefault = false, cancelIsEscape = false;
        int buttons = 0;
    } seen;
    onModal<QMessageBox>([&seen](QMessageBox* box) {
        seen.shown = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = int(box->buttons().size());
        seen.yesIsDefault = box->defaultButton() && box->defaultButton() == box->button(QMessageBox::Yes);
        seen.cancelIsEscape = box->escapeButton() && box->escapeButton() == box->button(QMessageBox::Cancel);
        if (QAbstractButton* no = box->button(QMessageBox::No))
            QTest::mouseClick(no, Qt::LeftButton);
    });
    const MsgResult answer =
        MsgBox(nullptr, QStringLiteral("Сохранить изменения в Документ 1 ?"), MsgButtons::YesNoCancel, MsgIcon::Question);
    QVERIFY(seen.shown);
    QCOMPARE(answer, MsgResult::No);
    QCOMPARE(seen.title, QStringLiteral("Пергалот"));
    QCOMPARE(seen.text, QStringLiteral("Сохранить изменения в Документ 1 ?"));
    QCOMPARE(seen.icon, QMessageBox::Question);
    QCOMPARE(seen.buttons, 3);
    QVERIFY(seen.yesIsDefault);
    QVERIFY(seen.cancelIsEscape);

    // Escape answers Cancel; a plain box answers OK.
    onModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    QCOMPARE(MsgBox(nullptr, QStringLiteral("?"), MsgButtons::OKCancel), MsgResult::Cancel);
    int plainButtons = 0;
    QMessageBox::Icon plainIcon = QMessageBox::Critical;
    onModal<QMessageBox>([&](QMessageBox* box) {
        plainButtons = int(box->buttons().size());
        plainIcon = box->icon();
        QTest::keyClick(box, Qt::Key_Return);
    });
    QCOMPARE(MsgBox(nullptr, QStringLiteral("Готово")), MsgResult::OK);
    QCOMPARE(plainButtons, 1);
    QCOMPARE(plainIcon, QMessageBox::NoIcon);
}

void TestCommonDialog::qtPrintDialogFollowsFlags()
{
    CommonDialog dialog;
    dialog.DialogTitle = QStringLiteral("Печать");
    dialog.CancelError = true;
    dialog.Flags = CommonDialog::PD_RETURNDC | CommonDialog::PD_NOPAGENUMS | CommonDialog::PD_SELECTION;

    struct {
        bool shown = false;
        QString title;
        QAbstractPrintDialog::PrintRange range = QAbstractPrintDialog::AllPages;
        bool selection = false, pageRange = true;
    } seen;
    onModal<QPrintDialog>([&seen](QPrintDialog* d) {
        seen.shown = true;
        seen.title = d->windowTitle();
        seen.range = d->printRange();
        seen.selection = d->testOption(QAbstractPrintDialog::PrintSelection);
        seen.pageRange = d->testOption(QAbstractPrintDialog::PrintPageRange);
        d->accept();
    });
    QPrinter* printer = dialog.printer();
    QVERIFY(dialog.ShowPrinter());
    QVERIFY(seen.shown);
    QCOMPARE(seen.title, QStringLiteral("Печать"));
    QCOMPARE(seen.range, QAbstractPrintDialog::Selection);
    QVERIFY(seen.selection);
    QVERIFY(!seen.pageRange);
    QCOMPARE(dialog.printer(), printer);

    // Without a selection the whole document is offered, whatever the last
    // dialog chose; a cancel is reported.
    dialog.Flags = CommonDialog::PD_RETURNDC | CommonDialog::PD_NOPAGENUMS;
    seen.shown = false;
    onModal<QPrintDialog>([&seen](QPrintDialog* d) {
        seen.shown = true;
        seen.range = d->printRange();
        seen.selection = d->testOption(QAbstractPrintDialog::PrintSelection);
        d->reject();
    });
    QVERIFY(!dialog.ShowPrinter());
    QVERIFY(seen.shown);
    QCOMPARE(seen.range, QAbstractPrintDialog::AllPages);
    QVERIFY(!seen.selection);

    // Page setup works on the same printer, so its choices reach later printing.
    dialog.Flags = CommonDialog::PD_PRINTSETUP;
    dialog.DialogTitle = QStringLiteral("Page Setup");
    QPrinter* setupPrinter = nullptr;
    QString setupTitle;
    onModal<QPageSetupDialog>([&](QPageSetupDialog* d) {
        setupPrinter = d->printer();
        setupTitle = d->windowTitle();
        d->accept();
    });
    QVERIFY(dialog.ShowPrinter());
    QCOMPARE(setupPrinter, printer);
    QCOMPARE(setupTitle, QStringLiteral("Page Setup"));
}

void TestCommonDialog::qtFontAndColourDialogsRoundTrip()
{
    QString family;
    for (const QString& f : QFontDatabase::families()) {
        if (QFontDatabase::isScalable(f) && QFontDatabase::styles(f).contains(QStringLiteral("Bold"))) {
            family = f;
            break;
        }
    }
    if (family.isEmpty())
        QSKIP("no scalable font with a bold style on this machine");

    CommonDialog dialog;
    dialog.Flags = CommonDialog::CF_BOTH | CommonDialog::CF_EFFECTS | CommonDialog::CF_APPLY;
    dialog.FontName = family;
    dialog.FontSize = 12;
    dialog.FontUnderline = true;
    dialog.DialogTitle = QStringLiteral("Печать");

    dialog.Color = QColor(0x12, 0x34, 0x56);

    // The font dialog opens with the instance's values, colour included;
    // Apply hands the current choices over while it stays open.
    QFont shownFont;
    QColor shownColor;
    QString fontTitle;
    bool appliedWhileOpen = false;
    dialog.onApply = [&] { appliedWhileOpen = dialog.FontSize == 17.0f && dialog.Color == QColor(Qt::red); };
    onModal<FontDialog>([&](FontDialog* d) {
        shownFont = d->currentFont();
        shownColor = d->currentColor();
        fontTitle = d->windowTitle();
        QVERIFY(d->colorButton()->isVisible());
        QFont choice(family);
        choice.setPointSizeF(17);
        choice.setBold(true);
        choice.setStrikeOut(true);
        d->setCurrentFont(choice);
        d->setCurrentColor(Qt::red);
        d->buttons()->button(QDialogButtonBox::Apply)->click();
        QVERIFY(d->isVisible());
        d->buttons()->button(QDialogButtonBox::Ok)->click();
    });
    QVERIFY(dialog.ShowFont());
    QCOMPARE(shownFont.family(), family);
    QCOMPARE(shownFont.pointSizeF(), 12.0);
    QVERIFY(shownFont.underline());
    QCOMPARE(shownColor, QColor(0x12, 0x34, 0x56));
    QVERIFY(fontTitle != QStringLiteral("Печать"));
    QVERIFY(appliedWhileOpen);
    QCOMPARE(dialog.FontName, family);
    QCOMPARE(dialog.FontSize, 17.0f);
    QVERIFY(dialog.FontBold);
    QVERIFY(!dialog.FontItalic);
    QVERIFY(dialog.FontStrikethru);
    QCOMPARE(dialog.Color, QColor(Qt::red));

    // Without CF_APPLY there is no Apply button; Escape cancels the whole
    // dialog and changes nothing.
    dialog.Flags = CommonDialog::CF_BOTH | CommonDialog::CF_EFFECTS;
    bool hadApply = true;
    bool closedByEscape = false;
    onModal<FontDialog>([&](FontDialog* d) {
        hadApply = d->buttons()->button(QDialogButtonBox::Apply) != nullptr;
        d->setCurrentColor(Qt::green);
        QWidget* focused = d->fontChooser()->focusWidget();
        QTest::keyClick(focused ? focused : d->fontChooser(), Qt::Key_Escape);
        closedByEscape = !d->isVisible();
    });
    QVERIFY(!dialog.ShowFont());
    QVERIFY(!hadApply);
    QVERIFY(closedByEscape);
    QCOMPARE(dialog.Color, QColor(Qt::red));

    // The colour dialog starts from Color whatever flags the last command left.
    dialog.Color = QColor(0x12, 0x34, 0x56);
    for (quint32 flags : {CommonDialog::CC_RGBINIT, quint32(CommonDialog::OFN_FILEMUSTEXIST)}) {
        dialog.Flags = flags;
        onModal<QColorDialog>([&](QColorDialog* d) {
            shownColor = d->currentColor();
            d->setCurrentColor(QColor(0xab, 0xcd, 0xef));
            d->accept();
        });
        const QColor before = dialog.Color;
        QVERIFY(dialog.ShowColor());
        QCOMPARE(shownColor, before);
        QCOMPARE(dialog.Color, QColor(0xab, 0xcd, 0xef));
    }
}

// Whatever a family calls its faces ("Book", "Roman", "Oblique"...), the font
// dialog opens on one with the slant and weight asked for, so that OK does not
// turn a plain selection italic.
void TestCommonDialog::fontDialogOpensOnTheAskedStyle()
{
    int checked = 0;
    for (const QString& family : QFontDatabase::families()) {
        const QStringList styles = QFontDatabase::styles(family);
        for (const bool italic : {false, true}) {
            for (const bool bold : {false, true}) {
                const bool offered = std::any_of(styles.cbegin(), styles.cend(), [&](const QString& style) {
                    const QFont face = QFontDatabase::font(family, style, 12);
                    return face.italic() == italic && face.bold() == bold;
                });
                if (!offered)
                    continue;
                QFont font(family, 12);
                font.setItalic(italic);
                font.setBold(bold);
                const FontDialog dialog(font, Qt::black, true, true);
                const QFont shown = dialog.currentFont();
                QCOMPARE(shown.family(), family);
                QVERIFY2(shown.italic() == italic && shown.bold() == bold,
                         qPrintable(family + QLatin1String(": ") + shown.styleName()));
                ++checked;
            }
        }
    }
    if (checked == 0)
        QSKIP("no font with styles on this machine");
}

QTEST_MAIN(TestCommonDialog)
#include "tst_commondialog.moc"
